// The opcode map, written once as bit patterns (bit 15, then five octal digits of three bits;
// 'x' matches either value). Where patterns overlap, the one with more fixed bits wins; a word
// that no pattern matches is reserved and traps through 010.
#include "homemicro/core/decode.h"

#include <array>
#include <string_view>

#include "decode_table.h"

namespace homemicro {
namespace {

struct OpcodePattern {
  std::string_view bits;
  Operation operation;
};

using enum Operation;

constexpr OpcodePattern kOpcodePatterns[] = {
    {"0 000 000 000 000 000", HALT},    {"0 000 000 000 000 001", WAIT},
    {"0 000 000 000 000 010", RTI},     {"0 000 000 000 000 011", BPT},
    {"0 000 000 000 000 100", IOT},     {"0 000 000 000 000 101", RESET},
    {"0 000 000 000 000 110", RTT},     {"0 000 000 001 xxx xxx", JMP},
    {"0 000 000 010 000 xxx", RTS},     {"0 000 000 010 100 000", NOP},
    {"0 000 000 010 10x xxx", ClearCondition},
    {"0 000 000 010 110 000", NOP},     {"0 000 000 010 11x xxx", SetCondition},
    {"0 000 000 011 xxx xxx", SWAB},    {"0 000 000 1xx xxx xxx", BR},
    {"0 000 001 0xx xxx xxx", BNE},     {"0 000 001 1xx xxx xxx", BEQ},
    {"0 000 010 0xx xxx xxx", BGE},     {"0 000 010 1xx xxx xxx", BLT},
    {"0 000 011 0xx xxx xxx", BGT},     {"0 000 011 1xx xxx xxx", BLE},
    {"0 000 100 xxx xxx xxx", JSR},
    {"0 000 101 000 xxx xxx", CLR},     {"0 000 101 001 xxx xxx", COM},
    {"0 000 101 010 xxx xxx", INC},     {"0 000 101 011 xxx xxx", DEC},
    {"0 000 101 100 xxx xxx", NEG},     {"0 000 101 101 xxx xxx", ADC},
    {"0 000 101 110 xxx xxx", SBC},     {"0 000 101 111 xxx xxx", TST},
    {"0 000 110 000 xxx xxx", ROR},     {"0 000 110 001 xxx xxx", ROL},
    {"0 000 110 010 xxx xxx", ASR},     {"0 000 110 011 xxx xxx", ASL},
    {"0 000 110 100 xxx xxx", MARK},    {"0 000 110 111 xxx xxx", SXT},
    {"0 001 xxx xxx xxx xxx", MOV},     {"0 010 xxx xxx xxx xxx", CMP},
    {"0 011 xxx xxx xxx xxx", BIT},     {"0 100 xxx xxx xxx xxx", BIC},
    {"0 101 xxx xxx xxx xxx", BIS},     {"0 110 xxx xxx xxx xxx", ADD},
    {"0 111 100 xxx xxx xxx", XOR},     {"0 111 111 xxx xxx xxx", SOB},
    {"1 000 000 0xx xxx xxx", BPL},     {"1 000 000 1xx xxx xxx", BMI},
    {"1 000 001 0xx xxx xxx", BHI},     {"1 000 001 1xx xxx xxx", BLOS},
    {"1 000 010 0xx xxx xxx", BVC},     {"1 000 010 1xx xxx xxx", BVS},
    {"1 000 011 0xx xxx xxx", BCC},     {"1 000 011 1xx xxx xxx", BCS},
    {"1 000 100 0xx xxx xxx", EMT},     {"1 000 100 1xx xxx xxx", TRAP},
    {"1 000 101 000 xxx xxx", CLRB},    {"1 000 101 001 xxx xxx", COMB},
    {"1 000 101 010 xxx xxx", INCB},    {"1 000 101 011 xxx xxx", DECB},
    {"1 000 101 100 xxx xxx", NEGB},    {"1 000 101 101 xxx xxx", ADCB},
    {"1 000 101 110 xxx xxx", SBCB},    {"1 000 101 111 xxx xxx", TSTB},
    {"1 000 110 000 xxx xxx", RORB},    {"1 000 110 001 xxx xxx", ROLB},
    {"1 000 110 010 xxx xxx", ASRB},    {"1 000 110 011 xxx xxx", ASLB},
    {"1 000 110 100 xxx xxx", MTPS},    {"1 000 110 111 xxx xxx", MFPS},
    {"1 001 xxx xxx xxx xxx", MOVB},    {"1 010 xxx xxx xxx xxx", CMPB},
    {"1 011 xxx xxx xxx xxx", BITB},    {"1 100 xxx xxx xxx xxx", BICB},
    {"1 101 xxx xxx xxx xxx", BISB},    {"1 110 xxx xxx xxx xxx", SUB},
};

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

std::array<Operation, 0200000> BuildOperationTable() {
  std::array<Operation, 0200000> table{};
  std::array<int, 0200000> bestFixed{};
  table.fill(Reserved);
  bestFixed.fill(-1);
  for (const auto& pattern : kOpcodePatterns) {
    const MaskAndValue m = Compile(pattern.bits);
    for (uint32_t word = 0; word < 0200000; ++word) {
      if ((word & m.mask) == m.value && m.fixedBits > bestFixed[word]) {
        table[word] = pattern.operation;
        bestFixed[word] = m.fixedBits;
      }
    }
  }
  return table;
}

}  // namespace

const std::array<Operation, 0200000>& OperationTable() {
  static const std::array<Operation, 0200000> table = BuildOperationTable();
  return table;
}

Operation DecodeOperation(uint16_t word) { return OperationTable()[word]; }

std::string_view OperationName(Operation op) {
  static constexpr std::string_view kNames[] = {
      "", "HALT", "WAIT", "RTI", "BPT", "IOT", "RESET", "RTT", "JMP", "RTS", "NOP", "", "", "SWAB",
      "BR", "BNE", "BEQ", "BGE", "BLT", "BGT", "BLE", "JSR", "CLR", "COM", "INC", "DEC", "NEG", "ADC",
      "SBC", "TST", "ROR", "ROL", "ASR", "ASL", "MARK", "SXT", "MOV", "CMP", "BIT", "BIC", "BIS", "ADD",
      "XOR", "SOB", "BPL", "BMI", "BHI", "BLOS", "BVC", "BVS", "BCC", "BCS", "EMT", "TRAP", "CLRB",
      "COMB", "INCB", "DECB", "NEGB", "ADCB", "SBCB", "TSTB", "RORB", "ROLB", "ASRB", "ASLB", "MTPS",
      "MFPS", "MOVB", "CMPB", "BITB", "BICB", "BISB", "SUB"};
  static_assert(std::size(kNames) == static_cast<size_t>(SUB) + 1);
  return kNames[static_cast<size_t>(op)];
}

}  // namespace homemicro
