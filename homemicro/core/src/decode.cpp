// The instruction set rows and the tables built from them once: for each of the 65536 words,
// the row that decodes it (a word that no pattern matches is reserved and traps through 010).
#include "homemicro/core/decode.h"

#include <array>
#include <string_view>

#include "decode_table.h"

namespace homemicro {
namespace {

using enum Operation;
using enum OperandForm;

constexpr InstructionDescription kInstructionSet[] = {
    {"0 000 000 000 000 000", HALT, "HALT", kNone},
    {"0 000 000 000 000 001", WAIT, "WAIT", kNone},
    {"0 000 000 000 000 010", RTI, "RTI", kNone},
    {"0 000 000 000 000 011", BPT, "BPT", kNone},
    {"0 000 000 000 000 100", IOT, "IOT", kNone},
    {"0 000 000 000 000 101", RESET, "RESET", kNone},
    {"0 000 000 000 000 110", RTT, "RTT", kNone},
    {"0 000 000 001 xxx xxx", JMP, "JMP", kDestination},
    {"0 000 000 010 000 xxx", RTS, "RTS", kRegister},
    {"0 000 000 010 000 111", RTS, "RET", kNone},
    {"0 000 000 010 100 000", NOP, "NOP", kNone},
    {"0 000 000 010 10x xxx", ClearCondition, "", kConditionCodes},
    {"0 000 000 010 110 000", NOP, "NOP260", kNone},
    {"0 000 000 010 11x xxx", SetCondition, "", kConditionCodes},
    {"0 000 000 011 xxx xxx", SWAB, "SWAB", kDestination},
    {"0 000 000 1xx xxx xxx", BR, "BR", kBranch},
    {"0 000 001 0xx xxx xxx", BNE, "BNE", kBranch},
    {"0 000 001 1xx xxx xxx", BEQ, "BEQ", kBranch},
    {"0 000 010 0xx xxx xxx", BGE, "BGE", kBranch},
    {"0 000 010 1xx xxx xxx", BLT, "BLT", kBranch},
    {"0 000 011 0xx xxx xxx", BGT, "BGT", kBranch},
    {"0 000 011 1xx xxx xxx", BLE, "BLE", kBranch},
    {"0 000 100 xxx xxx xxx", JSR, "JSR", kRegisterDest},
    {"0 000 100 111 xxx xxx", JSR, "CALL", kDestination},
    {"0 000 101 000 xxx xxx", CLR, "CLR", kDestination},
    {"0 000 101 001 xxx xxx", COM, "COM", kDestination},
    {"0 000 101 010 xxx xxx", INC, "INC", kDestination},
    {"0 000 101 011 xxx xxx", DEC, "DEC", kDestination},
    {"0 000 101 100 xxx xxx", NEG, "NEG", kDestination},
    {"0 000 101 101 xxx xxx", ADC, "ADC", kDestination},
    {"0 000 101 110 xxx xxx", SBC, "SBC", kDestination},
    {"0 000 101 111 xxx xxx", TST, "TST", kDestination},
    {"0 000 110 000 xxx xxx", ROR, "ROR", kDestination},
    {"0 000 110 001 xxx xxx", ROL, "ROL", kDestination},
    {"0 000 110 010 xxx xxx", ASR, "ASR", kDestination},
    {"0 000 110 011 xxx xxx", ASL, "ASL", kDestination},
    {"0 000 110 100 xxx xxx", MARK, "MARK", kMark},
    {"0 000 110 111 xxx xxx", SXT, "SXT", kDestination},
    {"0 001 xxx xxx xxx xxx", MOV, "MOV", kSourceDest},
    {"0 010 xxx xxx xxx xxx", CMP, "CMP", kSourceDest},
    {"0 011 xxx xxx xxx xxx", BIT, "BIT", kSourceDest},
    {"0 100 xxx xxx xxx xxx", BIC, "BIC", kSourceDest},
    {"0 101 xxx xxx xxx xxx", BIS, "BIS", kSourceDest},
    {"0 110 xxx xxx xxx xxx", ADD, "ADD", kSourceDest},
    {"0 111 100 xxx xxx xxx", XOR, "XOR", kRegisterDest},
    {"0 111 111 xxx xxx xxx", SOB, "SOB", kSob},
    {"1 000 000 0xx xxx xxx", BPL, "BPL", kBranch},
    {"1 000 000 1xx xxx xxx", BMI, "BMI", kBranch},
    {"1 000 001 0xx xxx xxx", BHI, "BHI", kBranch},
    {"1 000 001 1xx xxx xxx", BLOS, "BLOS", kBranch},
    {"1 000 010 0xx xxx xxx", BVC, "BVC", kBranch},
    {"1 000 010 1xx xxx xxx", BVS, "BVS", kBranch},
    {"1 000 011 0xx xxx xxx", BCC, "BCC", kBranch},
    {"1 000 011 1xx xxx xxx", BCS, "BCS", kBranch},
    {"1 000 100 0xx xxx xxx", EMT, "EMT", kTrapCode},
    {"1 000 100 1xx xxx xxx", TRAP, "TRAP", kTrapCode},
    {"1 000 101 000 xxx xxx", CLRB, "CLRB", kDestination},
    {"1 000 101 001 xxx xxx", COMB, "COMB", kDestination},
    {"1 000 101 010 xxx xxx", INCB, "INCB", kDestination},
    {"1 000 101 011 xxx xxx", DECB, "DECB", kDestination},
    {"1 000 101 100 xxx xxx", NEGB, "NEGB", kDestination},
    {"1 000 101 101 xxx xxx", ADCB, "ADCB", kDestination},
    {"1 000 101 110 xxx xxx", SBCB, "SBCB", kDestination},
    {"1 000 101 111 xxx xxx", TSTB, "TSTB", kDestination},
    {"1 000 110 000 xxx xxx", RORB, "RORB", kDestination},
    {"1 000 110 001 xxx xxx", ROLB, "ROLB", kDestination},
    {"1 000 110 010 xxx xxx", ASRB, "ASRB", kDestination},
    {"1 000 110 011 xxx xxx", ASLB, "ASLB", kDestination},
    {"1 000 110 100 xxx xxx", MTPS, "MTPS", kDestination},
    {"1 000 110 111 xxx xxx", MFPS, "MFPS", kDestination},
    {"1 001 xxx xxx xxx xxx", MOVB, "MOVB", kSourceDest},
    {"1 010 xxx xxx xxx xxx", CMPB, "CMPB", kSourceDest},
    {"1 011 xxx xxx xxx xxx", BITB, "BITB", kSourceDest},
    {"1 100 xxx xxx xxx xxx", BICB, "BICB", kSourceDest},
    {"1 101 xxx xxx xxx xxx", BISB, "BISB", kSourceDest},
    {"1 110 xxx xxx xxx xxx", SUB, "SUB", kSourceDest},
};

constexpr uint8_t kNoRow = 0377;
static_assert(std::size(kInstructionSet) < kNoRow);

struct MaskAndValue {
  uint16_t mask = 0, value = 0;
  int fixedBits = 0;
};

constexpr MaskAndValue Compile(std::string_view bits) {
  MaskAndValue m;
  int bit = 15;
  for (char c : bits) {
    if (c == ' ') continue;
    if (c != 'x') {
      m.mask |= static_cast<uint16_t>(1u << bit);
      if (c == '1') m.value |= static_cast<uint16_t>(1u << bit);
      ++m.fixedBits;
    }
    --bit;
  }
  return m;
}

// For each word, the index of the row with the most fixed bits that matches it.
std::array<uint8_t, 0200000> BuildRowTable() {
  std::array<uint8_t, 0200000> table{};
  std::array<int, 0200000> bestFixed{};
  table.fill(kNoRow);
  bestFixed.fill(-1);
  for (size_t row = 0; row < std::size(kInstructionSet); ++row) {
    const MaskAndValue m = Compile(kInstructionSet[row].bits);
    for (uint32_t word = m.value; word < 0200000; ++word) {
      if ((word & m.mask) == m.value && m.fixedBits > bestFixed[word]) {
        table[word] = static_cast<uint8_t>(row);
        bestFixed[word] = m.fixedBits;
      }
    }
  }
  return table;
}

const std::array<uint8_t, 0200000>& RowTable() {
  static const std::array<uint8_t, 0200000> table = BuildRowTable();
  return table;
}

std::array<Operation, 0200000> BuildOperationTable() {
  std::array<Operation, 0200000> table{};
  const auto& rows = RowTable();
  for (uint32_t word = 0; word < 0200000; ++word)
    table[word] = rows[word] == kNoRow ? Reserved : kInstructionSet[rows[word]].operation;
  return table;
}

}  // namespace

const std::array<Operation, 0200000>& OperationTable() {
  static const std::array<Operation, 0200000> table = BuildOperationTable();
  return table;
}

std::span<const InstructionDescription> InstructionDescriptions() {
  return kInstructionSet;
}

const InstructionDescription* DescribeInstruction(uint16_t word) {
  const uint8_t row = RowTable()[word];
  return row == kNoRow ? nullptr : &kInstructionSet[row];
}

Operation DecodeOperation(uint16_t word) {
  return OperationTable()[word];
}

std::string_view OperationName(Operation op) {
  // The main row of an operation comes first.
  for (const InstructionDescription& row : kInstructionSet)
    if (row.operation == op) return row.mnemonic;
  return "";
}

}  // namespace homemicro
