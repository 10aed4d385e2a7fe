// Turns instruction words of the emulated memory into text in homemicro's upper-case octal
// notation. The instruction set is the core's own description; memory is read through a
// caller-supplied word reader: the tracer and bkrun pass the core's ReadWord, with its side effects.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "instruction_table.h"
#include "octal.h"

namespace homemicro::debugger {

// Reads the word at a bus address, as the processor would (odd addresses are the reader's
// business; the core rounds them down).
using WordReader = std::function<uint16_t(uint16_t address)>;

class Disassembler {
 public:
  explicit Disassembler(WordReader readWord) : readWord_(std::move(readWord)) {}

  // Address of the next word to read; after Disassemble, the address of the next instruction.
  uint16_t DisasmAddress = 0;
  // When set, a branch whose condition holds gets the suffix "            TRUE".
  bool ShowTaken = false;
  // Truth of the last branch's condition; cleared by every instruction that is no branch.
  bool BranchTaken = false;

  // Text of the instruction at DisasmAddress; advances DisasmAddress past its 1 to 3 words.
  // `flags` are the condition codes at the time of the call (they judge branches).
  std::string Disassemble(ConditionCodes flags = {});

  // Text of a six-bit operand field; reads its extra word at DisasmAddress when it has one.
  std::string FormatOperand(unsigned field);

 private:
  uint16_t NextWord();
  std::string BranchText(uint16_t word, ConditionCodes flags);

  WordReader readWord_;
};

// One instruction, for callers that list memory without keeping a Disassembler around.
struct DisassembledInstruction {
  uint16_t address;
  uint16_t next;  // address after the instruction (wraps past 0177777)
  std::string text;
};

DisassembledInstruction DisassembleAt(const WordReader& readWord, uint16_t address);

// `count` lines "AAAAAA: TEXT" from `address` on, each instruction following the last.
std::vector<std::string> DisassembleListing(const WordReader& readWord, uint16_t address, unsigned count);

}  // namespace homemicro::debugger
