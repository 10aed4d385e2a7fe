// The instruction set as the disassembler and the assembler read it: the core's own description
// (homemicro/core/decode.h), so what is shown and assembled is what the core runs.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "homemicro/core/decode.h"

namespace homemicro::debugger {

using OperandForm = homemicro::OperandForm;
using InstructionRow = homemicro::InstructionDescription;

// Every row of the core's description.
std::span<const InstructionRow> InstructionTable();

// The row that decodes `word`, or nullptr for an undefined code ("WORD n").
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
// taken with these condition codes: the core's own condition.
bool BranchConditionHolds(uint16_t word, ConditionCodes flags);

}  // namespace homemicro::debugger
