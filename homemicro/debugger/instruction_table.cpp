#include "instruction_table.h"

#include <array>

namespace homemicro::debugger {
namespace {

constexpr std::array<std::string_view, 8> kRegisterNames = {"R0", "R1", "R2", "R3", "R4", "R5", "SP", "PC"};

}  // namespace

std::span<const InstructionRow> InstructionTable() {
  return InstructionDescriptions();
}

const InstructionRow* FindInstruction(uint16_t word) {
  return DescribeInstruction(word);
}

std::string_view RegisterName(unsigned number) {
  return kRegisterNames[number & 7];
}

std::string ConditionCodeText(uint16_t word) {
  const bool setting = (word & 020) != 0;
  const unsigned codes = word & 017;
  switch (codes) {
    case 001:
      return setting ? "SEC" : "CLC";
    case 002:
      return setting ? "SEV" : "CLV";
    case 004:
      return setting ? "SEZ" : "CLZ";
    case 010:
      return setting ? "SEN" : "CLN";
    case 017:
      return setting ? "SCC" : "CCC";
    default:
      break;
  }
  std::string text = setting ? "SET " : "CLEAR ";
  if (codes & 001) text += 'C';
  if (codes & 002) text += 'V';
  if (codes & 004) text += 'Z';
  if (codes & 010) text += 'N';
  return text;
}

bool BranchConditionHolds(uint16_t word, ConditionCodes f) {
  return homemicro::BranchConditionHolds(DecodeOperation(word), f.N, f.Z, f.V, f.C);
}

}  // namespace homemicro::debugger
