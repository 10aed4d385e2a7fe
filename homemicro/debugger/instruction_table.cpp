#include "instruction_table.h"

#include <algorithm>
#include <array>

namespace homemicro::debugger {
namespace {

using enum OperandForm;

constexpr std::array kTable = {
    InstructionRow{0000000, 0000000, "HALT", kNone},
    InstructionRow{0000001, 0000001, "WAIT", kNone},
    InstructionRow{0000002, 0000002, "RTI", kNone},
    InstructionRow{0000003, 0000003, "BPT", kNone},
    InstructionRow{0000004, 0000004, "IOT", kNone},
    InstructionRow{0000005, 0000005, "RESET", kNone},
    InstructionRow{0000006, 0000006, "RTT", kNone},
    InstructionRow{0000100, 0000177, "JMP", kDestination},
    InstructionRow{0000200, 0000206, "RTS", kRegister},
    InstructionRow{0000207, 0000207, "RET", kNone},
    InstructionRow{0000240, 0000240, "NOP", kNone},
    InstructionRow{0000241, 0000257, "", kConditionCodes},
    InstructionRow{0000260, 0000260, "NOP260", kNone},
    InstructionRow{0000261, 0000277, "", kConditionCodes},
    InstructionRow{0000300, 0000377, "SWAB", kDestination},
    InstructionRow{0000400, 0000777, "BR", kBranch},
    InstructionRow{0001000, 0001377, "BNE", kBranch},
    InstructionRow{0001400, 0001777, "BEQ", kBranch},
    InstructionRow{0002000, 0002377, "BGE", kBranch},
    InstructionRow{0002400, 0002777, "BLT", kBranch},
    InstructionRow{0003000, 0003377, "BGT", kBranch},
    InstructionRow{0003400, 0003777, "BLE", kBranch},
    // JSR with register field 7 is shown as CALL.
    InstructionRow{0004000, 0004677, "JSR", kRegisterDest},
    InstructionRow{0004700, 0004777, "CALL", kDestination},
    InstructionRow{0005000, 0005077, "CLR", kDestination},
    InstructionRow{0005100, 0005177, "COM", kDestination},
    InstructionRow{0005200, 0005277, "INC", kDestination},
    InstructionRow{0005300, 0005377, "DEC", kDestination},
    InstructionRow{0005400, 0005477, "NEG", kDestination},
    InstructionRow{0005500, 0005577, "ADC", kDestination},
    InstructionRow{0005600, 0005677, "SBC", kDestination},
    InstructionRow{0005700, 0005777, "TST", kDestination},
    InstructionRow{0006000, 0006077, "ROR", kDestination},
    InstructionRow{0006100, 0006177, "ROL", kDestination},
    InstructionRow{0006200, 0006277, "ASR", kDestination},
    InstructionRow{0006300, 0006377, "ASL", kDestination},
    InstructionRow{0006400, 0006477, "MARK", kMark},
    InstructionRow{0006700, 0006777, "SXT", kDestination},
    InstructionRow{0010000, 0017777, "MOV", kSourceDest},
    InstructionRow{0020000, 0027777, "CMP", kSourceDest},
    InstructionRow{0030000, 0037777, "BIT", kSourceDest},
    InstructionRow{0040000, 0047777, "BIC", kSourceDest},
    InstructionRow{0050000, 0057777, "BIS", kSourceDest},
    InstructionRow{0060000, 0067777, "ADD", kSourceDest},
    InstructionRow{0074000, 0074777, "XOR", kRegisterDest},
    InstructionRow{0077000, 0077777, "SOB", kSob},
    InstructionRow{0100000, 0100377, "BPL", kBranch},
    InstructionRow{0100400, 0100777, "BMI", kBranch},
    InstructionRow{0101000, 0101377, "BHI", kBranch},
    InstructionRow{0101400, 0101777, "BLOS", kBranch},
    InstructionRow{0102000, 0102377, "BVC", kBranch},
    InstructionRow{0102400, 0102777, "BVS", kBranch},
    InstructionRow{0103000, 0103377, "BCC", kBranch},
    InstructionRow{0103400, 0103777, "BCS", kBranch},
    InstructionRow{0104000, 0104377, "EMT", kTrapCode},
    InstructionRow{0104400, 0104777, "TRAP", kTrapCode},
    InstructionRow{0105000, 0105077, "CLRB", kDestination},
    InstructionRow{0105100, 0105177, "COMB", kDestination},
    InstructionRow{0105200, 0105277, "INCB", kDestination},
    InstructionRow{0105300, 0105377, "DECB", kDestination},
    InstructionRow{0105400, 0105477, "NEGB", kDestination},
    InstructionRow{0105500, 0105577, "ADCB", kDestination},
    InstructionRow{0105600, 0105677, "SBCB", kDestination},
    InstructionRow{0105700, 0105777, "TSTB", kDestination},
    InstructionRow{0106000, 0106077, "RORB", kDestination},
    InstructionRow{0106100, 0106177, "ROLB", kDestination},
    InstructionRow{0106200, 0106277, "ASRB", kDestination},
    InstructionRow{0106300, 0106377, "ASLB", kDestination},
    InstructionRow{0106400, 0106477, "MTPS", kDestination},
    InstructionRow{0106700, 0106777, "MFPS", kDestination},
    InstructionRow{0110000, 0117777, "MOVB", kSourceDest},
    InstructionRow{0120000, 0127777, "CMPB", kSourceDest},
    InstructionRow{0130000, 0137777, "BITB", kSourceDest},
    InstructionRow{0140000, 0147777, "BICB", kSourceDest},
    InstructionRow{0150000, 0157777, "BISB", kSourceDest},
    InstructionRow{0160000, 0167777, "SUB", kSourceDest},
};

constexpr std::array<std::string_view, 8> kRegisterNames = {"R0", "R1", "R2", "R3", "R4", "R5", "SP", "PC"};

}  // namespace

std::span<const InstructionRow> InstructionTable() {
  return kTable;
}

const InstructionRow* FindInstruction(uint16_t word) {
  // The last row starting at or below `word` is the only one that can hold it.
  const auto after = std::upper_bound(kTable.begin(), kTable.end(), word,
                                      [](uint16_t w, const InstructionRow& row) { return w < row.first; });
  if (after == kTable.begin()) return nullptr;
  const InstructionRow& row = *(after - 1);
  return word <= row.last ? &row : nullptr;
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
  switch (word & 0177400) {
    case 0000400:
      return true;  // BR
    case 0001000:
      return !f.Z;  // BNE
    case 0001400:
      return f.Z;  // BEQ
    case 0002000:
      return f.N == f.V;  // BGE
    case 0002400:
      return f.N != f.V;  // BLT
    case 0003000:
      return !f.Z && f.N == f.V;  // BGT
    case 0003400:
      return f.Z || f.N != f.V;  // BLE
    case 0100000:
      return !f.N;  // BPL
    case 0100400:
      return f.N;  // BMI
    case 0101000:
      return !f.C && !f.Z;  // BHI
    case 0101400:
      return f.C || f.Z;  // BLOS
    case 0102000:
      return !f.V;  // BVC
    case 0102400:
      return f.V;  // BVS
    case 0103000:
      return !f.C;  // BCC
    case 0103400:
      return f.C;  // BCS
    default:
      return false;
  }
}

}  // namespace homemicro::debugger
