// Mnemonic and operand text to instruction words, the inverse of the disassembler.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "expression.h"
#include "instruction_table.h"
#include "line_scanner.h"

namespace homemicro::bkasm {

// How a mnemonic is assembled: the instruction word without its operand bits and their layout.
struct MnemonicInfo {
  uint16_t base;
  debugger::OperandForm form;
  bool dataWord = false;  // WORD n: the disassembler's name for a word that is no instruction
};

// Looks up an upper-case mnemonic (MOV, CALL, CLC, CLEAR, WORD ...).
std::optional<MnemonicInfo> FindMnemonic(std::string_view mnemonic);

struct EncodeOptions {
  // In the first pass symbols may still be unknown: their words are left 0 and ranges unchecked.
  bool requireDefined = true;
};

// Assembles the operands at the scanner for an instruction placed at `address`. Throws AsmError.
std::vector<uint16_t> EncodeInstruction(const MnemonicInfo& info, LineScanner& operands, uint16_t address,
                                        ExpressionParser& expressions, EncodeOptions options = {});

struct AssembledLine {
  std::vector<uint16_t> words;
  std::string error;  // empty on success
};

// Assembles one instruction line without labels or symbols ("MOV #1,@#1000") at `address`.
AssembledLine AssembleInstruction(std::string_view text, uint16_t address);

}  // namespace homemicro::bkasm
