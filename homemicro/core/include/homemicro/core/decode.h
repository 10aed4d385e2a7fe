// The K1801VM1 instruction set, described once: each row is a bit pattern, the operation it
// decodes to (which names the core's handler), the mnemonic and the operand form. The core's
// 65,536-entry execution table, the disassembler's table and bkasm's encoder are all built from
// these rows, and branch conditions and displacements are written here once for all of them.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace homemicro {

enum class Operation : uint8_t {
  Reserved,  // traps through 010
  HALT,
  WAIT,
  RTI,
  BPT,
  IOT,
  RESET,
  RTT,
  JMP,
  RTS,
  NOP,             // 000240 and 000260
  ClearCondition,  // 000241..000257: CLC, CLV, CLZ, CLN and combinations
  SetCondition,    // 000261..000277: SEC, SEV, SEZ, SEN and combinations
  SWAB,
  BR,
  BNE,
  BEQ,
  BGE,
  BLT,
  BGT,
  BLE,
  JSR,
  CLR,
  COM,
  INC,
  DEC,
  NEG,
  ADC,
  SBC,
  TST,
  ROR,
  ROL,
  ASR,
  ASL,
  MARK,
  SXT,
  MOV,
  CMP,
  BIT,
  BIC,
  BIS,
  ADD,
  XOR,
  SOB,
  BPL,
  BMI,
  BHI,
  BLOS,
  BVC,
  BVS,
  BCC,
  BCS,
  EMT,
  TRAP,
  CLRB,
  COMB,
  INCB,
  DECB,
  NEGB,
  ADCB,
  SBCB,
  TSTB,
  RORB,
  ROLB,
  ASRB,
  ASLB,
  MTPS,
  MFPS,
  MOVB,
  CMPB,
  BITB,
  BICB,
  BISB,
  SUB,
};

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

struct InstructionDescription {
  // Bit 15, then five octal digits of three bits; 'x' matches either value. Where patterns
  // overlap, the one with more fixed bits wins.
  std::string_view bits;
  Operation operation;
  // As the disassembler writes it and bkasm reads it; empty for the condition code group, whose
  // words are named one by one. A row with more fixed bits may give an operation another name
  // (RET for RTS PC, CALL for JSR PC): the operation, and so the execution, stays the same.
  std::string_view mnemonic;
  OperandForm form;
};

// The word a row's pattern gives with every 'x' bit 0: what an assembler starts from.
constexpr uint16_t InstructionBase(const InstructionDescription& row) {
  uint16_t word = 0;
  for (char c : row.bits)
    if (c == '0' || c == '1' || c == 'x') word = static_cast<uint16_t>((word << 1) | (c == '1' ? 1 : 0));
  return word;
}

// Every row, main rows of an operation before its other names.
std::span<const InstructionDescription> InstructionDescriptions();

// The row that decodes `word`, or nullptr for a reserved code (one table lookup).
const InstructionDescription* DescribeInstruction(uint16_t word);

// Operation of an instruction word (one table lookup).
Operation DecodeOperation(uint16_t word);

// Upper-case mnemonic of an operation ("MOVB"); "" for Reserved, ClearCondition, SetCondition.
std::string_view OperationName(Operation op);

// Branch offset in bytes from the word after the branch: the low byte as signed, times 2.
constexpr int BranchDisplacement(uint16_t word) {
  return 2 * static_cast<int8_t>(word & 0377);
}

// Whether a branch operation is taken with these condition codes (false for any other
// operation). The core's branches and the disassembler's TRUE mark both ask this.
constexpr bool BranchConditionHolds(Operation op, bool n, bool z, bool v, bool c) {
  switch (op) {
    case Operation::BR:
      return true;
    case Operation::BNE:
      return !z;
    case Operation::BEQ:
      return z;
    case Operation::BGE:
      return n == v;
    case Operation::BLT:
      return n != v;
    case Operation::BGT:
      return !z && n == v;
    case Operation::BLE:
      return z || n != v;
    case Operation::BPL:
      return !n;
    case Operation::BMI:
      return n;
    case Operation::BHI:
      return !c && !z;
    case Operation::BLOS:
      return c || z;
    case Operation::BVC:
      return !v;
    case Operation::BVS:
      return v;
    case Operation::BCC:
      return !c;
    case Operation::BCS:
      return c;
    default:
      return false;
  }
}

}  // namespace homemicro
