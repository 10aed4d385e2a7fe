#include "disassembler.h"

namespace homemicro::debugger {
namespace {

constexpr std::string_view kTakenMark = "            TRUE";

}  // namespace

uint16_t Disassembler::NextWord() {
  const uint16_t word = readWord_(DisasmAddress);
  DisasmAddress = static_cast<uint16_t>(DisasmAddress + 2);
  return word;
}

std::string Disassembler::FormatOperand(unsigned field) {
  const unsigned mode = (field >> 3) & 7;
  const unsigned reg = field & 7;
  const std::string rn(RegisterName(reg));
  if (reg == 7) {
    // The PC forms: immediate, absolute, and relative shown as the address it reaches.
    switch (mode) {
      case 2:
        return "#" + OctStr(NextWord());
      case 3:
        return "@#" + OctStr(NextWord());
      case 6:
      case 7: {
        const uint16_t at = DisasmAddress;
        const uint16_t target = static_cast<uint16_t>(NextWord() + at + 2);
        return (mode == 7 ? "@" : "") + OctStr(target);
      }
      default:
        break;
    }
  }
  switch (mode) {
    case 0:
      return rn;
    case 1:
      return "(" + rn + ")";
    case 2:
      return "(" + rn + ")+";
    case 3:
      return "@(" + rn + ")+";
    case 4:
      return "-(" + rn + ")";
    case 5:
      return "@-(" + rn + ")";
    case 6:
      return OctStr(NextWord()) + "(" + rn + ")";
    default:
      return "@" + OctStr(NextWord()) + "(" + rn + ")";
  }
}

std::string Disassembler::BranchText(uint16_t word, ConditionCodes flags) {
  const uint16_t target = static_cast<uint16_t>(DisasmAddress + BranchDisplacement(word));
  BranchTaken = BranchConditionHolds(word, flags);
  std::string text = OctStr(target);
  if (ShowTaken && BranchTaken) text += kTakenMark;
  return text;
}

std::string Disassembler::Disassemble(ConditionCodes flags) {
  const uint16_t word = NextWord();
  const InstructionRow* row = FindInstruction(word);
  if (row == nullptr) {
    BranchTaken = false;
    return "WORD " + OctStr(word);
  }
  if (row->form != OperandForm::kBranch) BranchTaken = false;
  const std::string mnemonic(row->mnemonic);
  const std::string r(RegisterName(word >> 6));
  switch (row->form) {
    case OperandForm::kNone:
      return mnemonic;
    case OperandForm::kDestination:
      return mnemonic + " " + FormatOperand(word);
    case OperandForm::kSourceDest: {
      std::string source = FormatOperand(word >> 6);  // its extra word comes first
      return mnemonic + " " + source + "," + FormatOperand(word);
    }
    case OperandForm::kRegisterDest:
      return mnemonic + " " + r + "," + FormatOperand(word);
    case OperandForm::kRegister:
      return mnemonic + " " + std::string(RegisterName(word));
    case OperandForm::kBranch:
      return mnemonic + " " + BranchText(word, flags);
    case OperandForm::kSob:
      return mnemonic + " " + r + "," + OctStr(static_cast<uint16_t>(DisasmAddress - 2 * (word & 077)));
    case OperandForm::kMark:
      return mnemonic + " " + OctStr(word & 077);
    case OperandForm::kTrapCode:
      return mnemonic + " " + OctStr(word & 0377);
    case OperandForm::kConditionCodes:
      return ConditionCodeText(word);
  }
  return "WORD " + OctStr(word);
}

DisassembledInstruction DisassembleAt(const WordReader& readWord, uint16_t address) {
  Disassembler disassembler(readWord);
  disassembler.DisasmAddress = address;
  std::string text = disassembler.Disassemble();
  return {address, disassembler.DisasmAddress, std::move(text)};
}

std::vector<std::string> DisassembleListing(const WordReader& readWord, uint16_t address, unsigned count) {
  std::vector<std::string> lines;
  lines.reserve(count);
  Disassembler disassembler(readWord);
  disassembler.DisasmAddress = address;
  for (unsigned i = 0; i < count; ++i) {
    const uint16_t at = disassembler.DisasmAddress;
    lines.push_back(OctStr6(at) + ": " + disassembler.Disassemble());
  }
  return lines;
}

}  // namespace homemicro::debugger
