// The decoding table of the K1801VM1 instruction words, shared by the disassembler and the
// assembler so that the two read and write the same notation.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace homemicro::debugger {

// How the bits after the opcode are written.
enum class OperandForm : uint8_t {
  kNone,            // HALT
  kDestination,     // CLR dd (bits 5..0)
  kSourceDest,      // MOV ss,dd (bits 11..6, 5..0)
  kRegisterDest,    // XOR r,dd (register in bits 8..6)
  kRegister,        // RTS R (register in bits 2..0)
  kBranch,          // BR target (signed word offset in bits 7..0)
  kSob,             // SOB r,target (backward word offset in bits 5..0)
  kMark,            // MARK n (bits 5..0)
  kTrapCode,        // EMT n (bits 7..0)
  kConditionCodes,  // CLC, SET CV ... (code bits 3..0, set/clear bit 4)
};

struct InstructionRow {
  uint16_t first;  // inclusive range of instruction words
  uint16_t last;
  std::string_view mnemonic;  // empty for the condition code group, named per word
  OperandForm form;
};

// Rows sorted by first word, non-overlapping; words in no row are data ("WORD n").
std::span<const InstructionRow> InstructionTable();

// The row that decodes `word`, or nullptr for an undefined code.
const InstructionRow* FindInstruction(uint16_t word);

// Register name by number 0..7: R0..R5, SP, PC.
std::string_view RegisterName(unsigned number);

// Name of a condition code word 000241..000257 or 000261..000277 (not 000260): CLC, SEV,
// CCC, SCC, or "CLEAR "/"SET " with the letters in the order C, V, Z, N.
std::string ConditionCodeText(uint16_t word);

// Condition codes as the disassembler needs them to judge a branch.
struct ConditionCodes {
  bool N = false;
  bool Z = false;
  bool V = false;
  bool C = false;
};

// Whether the branch word (one of the fifteen conditional or unconditional branches) would be
// taken with these condition codes.
bool BranchConditionHolds(uint16_t word, ConditionCodes flags);

}  // namespace homemicro::debugger
