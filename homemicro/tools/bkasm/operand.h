// One general operand (six-bit field plus an optional word after the instruction), in the
// notation the disassembler writes:
//   R  (R)  (R)+  @(R)+  -(R)  @-(R)  X(R)  @X(R)  #X  @#X  A  @A
// where A alone is an address reached PC-relative (mode 6 or 7 on PC). "@R" means "(R)" and
// "@(R)" means "@0(R)".
#pragma once

#include <cstdint>

#include "expression.h"
#include "line_scanner.h"

namespace homemicro::bkasm {

struct Operand {
  enum class Extra : uint8_t {
    kNone,      // no word after the instruction
    kValue,     // the word is the value itself (immediate, absolute, index)
    kRelative,  // the word is the value minus the address after the word
  };
  unsigned mode = 0;
  unsigned reg = 0;
  Extra extra = Extra::kNone;
  Value value;

  unsigned Field() const { return mode << 3 | reg; }
  bool HasWord() const { return extra != Extra::kNone; }
  // The word that follows the instruction, when this operand's word sits at `wordAddress`.
  uint16_t Word(uint16_t wordAddress) const;
};

Operand ParseOperand(LineScanner& scanner, ExpressionParser& expressions);

// A register name (R0..R7, SP, PC) standing alone as an operand; fails otherwise.
unsigned ParseRegister(LineScanner& scanner);

}  // namespace homemicro::bkasm
