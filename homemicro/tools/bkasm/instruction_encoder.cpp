#include "instruction_encoder.h"

#include <map>

#include "asm_error.h"
#include "octal.h"
#include "operand.h"

namespace homemicro::bkasm {
namespace {

using debugger::OctStr;
using debugger::OperandForm;

std::map<std::string, MnemonicInfo, std::less<>> BuildMnemonics() {
  std::map<std::string, MnemonicInfo, std::less<>> mnemonics;
  for (const debugger::InstructionRow& row : debugger::InstructionTable()) {
    if (!row.mnemonic.empty()) mnemonics.emplace(row.mnemonic, MnemonicInfo{InstructionBase(row), row.form});
  }
  // The one-letter forms and CCC/SCC by name; other combinations through CLEAR and SET.
  for (uint16_t word = 0241; word <= 0277; ++word) {
    const std::string name = word == 0260 ? "" : debugger::ConditionCodeText(word);
    if (!name.empty() && name.find(' ') == std::string::npos)
      mnemonics.emplace(name, MnemonicInfo{word, OperandForm::kNone});
  }
  mnemonics.emplace("CLEAR", MnemonicInfo{0240, OperandForm::kConditionCodes});
  mnemonics.emplace("SET", MnemonicInfo{0260, OperandForm::kConditionCodes});
  mnemonics.emplace("WORD", MnemonicInfo{0, OperandForm::kNone, true});
  return mnemonics;
}

class Encoder {
 public:
  Encoder(const MnemonicInfo& info, LineScanner& s, uint16_t address, ExpressionParser& e, EncodeOptions o)
      : info_(info), s_(s), address_(address), expressions_(e), options_(o), words_{info.base} {}

  std::vector<uint16_t> Run();

 private:
  Value Expression();
  void AddOperand(const Operand& op, unsigned shift);
  void Branch();
  void Sob();
  void Number(uint16_t limit, const char* what);
  void ConditionCodes();

  const MnemonicInfo& info_;
  LineScanner& s_;
  uint16_t address_;
  ExpressionParser& expressions_;
  EncodeOptions options_;
  std::vector<uint16_t> words_;
};

Value Encoder::Expression() {
  const Value v = expressions_.Parse(s_);
  if (!v.defined && options_.requireDefined)
    throw AsmError("undefined symbol " + expressions_.UndefinedName());
  return v;
}

// Operand words follow the instruction in the order the operands are written.
void Encoder::AddOperand(const Operand& op, unsigned shift) {
  if (!op.value.defined && options_.requireDefined)
    throw AsmError("undefined symbol " + expressions_.UndefinedName());
  words_[0] |= static_cast<uint16_t>(op.Field() << shift);
  if (op.HasWord()) {
    const auto wordAddress = static_cast<uint16_t>(address_ + 2 * words_.size());
    words_.push_back(op.Word(wordAddress));
  }
}

void Encoder::Branch() {
  const Value target = Expression();
  const auto offset = static_cast<int16_t>(target.value - address_ - 2);
  if (!target.defined || !options_.requireDefined) return;
  if (offset % 2 != 0) throw AsmError("branch target " + OctStr(target.value) + " is odd");
  if (offset < -256 || offset > 254)
    throw AsmError("branch target " + OctStr(target.value) + " is out of reach");
  words_[0] |= static_cast<uint16_t>((offset / 2) & 0377);
}

void Encoder::Sob() {
  words_[0] |= static_cast<uint16_t>(ParseRegister(s_) << 6);
  s_.Expect(',', "','");
  const Value target = Expression();
  const auto back = static_cast<uint16_t>(address_ + 2 - target.value);
  if (!target.defined || !options_.requireDefined) return;
  if (back % 2 != 0 || back > 0176) {
    throw AsmError("SOB target " + OctStr(target.value) + " is not 0 to 176 bytes back from the next word");
  }
  words_[0] |= back / 2;
}

void Encoder::Number(uint16_t limit, const char* what) {
  const Value v = Expression();
  if (v.defined && v.value > limit)
    throw AsmError(std::string(what) + " " + OctStr(v.value) + " is above " + OctStr(limit));
  words_[0] |= v.value & limit;
}

void Encoder::ConditionCodes() {
  if (!s_.AtSymbolStart()) throw AsmError("condition codes expected (letters C, V, Z, N)");
  const std::string letters = s_.TakeSymbol();
  for (char c : letters) {
    const size_t bit = std::string_view("CVZN").find(c);
    if (bit == std::string_view::npos) throw AsmError("unknown condition code " + std::string(1, c));
    if (words_[0] & (1u << bit)) throw AsmError("condition code " + std::string(1, c) + " named twice");
    words_[0] |= static_cast<uint16_t>(1u << bit);
  }
}

std::vector<uint16_t> Encoder::Run() {
  switch (info_.form) {
    case OperandForm::kNone:
      if (info_.dataWord) words_[0] = Expression().value;
      break;
    case OperandForm::kDestination:
      AddOperand(ParseOperand(s_, expressions_), 0);
      break;
    case OperandForm::kSourceDest: {
      const Operand source = ParseOperand(s_, expressions_);
      s_.Expect(',', "','");
      const Operand destination = ParseOperand(s_, expressions_);
      AddOperand(source, 6);
      AddOperand(destination, 0);
      break;
    }
    case OperandForm::kRegisterDest:
      words_[0] |= static_cast<uint16_t>(ParseRegister(s_) << 6);
      s_.Expect(',', "','");
      AddOperand(ParseOperand(s_, expressions_), 0);
      break;
    case OperandForm::kRegister:
      words_[0] |= static_cast<uint16_t>(ParseRegister(s_));
      break;
    case OperandForm::kBranch:
      Branch();
      break;
    case OperandForm::kSob:
      Sob();
      break;
    case OperandForm::kMark:
      Number(077, "MARK count");
      break;
    case OperandForm::kTrapCode:
      Number(0377, "trap code");
      break;
    case OperandForm::kConditionCodes:
      ConditionCodes();
      break;
  }
  s_.ExpectEnd();
  return words_;
}

}  // namespace

std::optional<MnemonicInfo> FindMnemonic(std::string_view mnemonic) {
  static const auto mnemonics = BuildMnemonics();
  const auto found = mnemonics.find(mnemonic);
  if (found == mnemonics.end()) return std::nullopt;
  return found->second;
}

std::vector<uint16_t> EncodeInstruction(const MnemonicInfo& info, LineScanner& operands, uint16_t address,
                                        ExpressionParser& expressions, EncodeOptions options) {
  return Encoder(info, operands, address, expressions, options).Run();
}

AssembledLine AssembleInstruction(std::string_view text, uint16_t address) {
  try {
    LineScanner scanner(text);
    const std::string mnemonic = scanner.TakeSymbol();
    const auto info = FindMnemonic(mnemonic);
    if (!info) throw AsmError("unknown instruction " + mnemonic);
    ExpressionParser expressions([](const std::string&) { return std::nullopt; }, address);
    return {EncodeInstruction(*info, scanner, address, expressions), ""};
  } catch (const AsmError& e) {
    return {{}, e.what()};
  }
}

}  // namespace homemicro::bkasm
