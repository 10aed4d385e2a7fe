// The opcode map of the K1801VM1: which operation each of the 65536 instruction words is.
// The same table drives execution, so tools that classify words (the disassembler) cannot drift
// from what the core runs.
#pragma once

#include <cstdint>
#include <string_view>

namespace homemicro {

enum class Operation : uint8_t {
  Reserved,  // traps through 010
  HALT, WAIT, RTI, BPT, IOT, RESET, RTT,
  JMP, RTS,
  NOP,             // 000240 and 000260
  ClearCondition,  // 000241..000257: CLC, CLV, CLZ, CLN and combinations
  SetCondition,    // 000261..000277: SEC, SEV, SEZ, SEN and combinations
  SWAB,
  BR, BNE, BEQ, BGE, BLT, BGT, BLE,
  JSR,
  CLR, COM, INC, DEC, NEG, ADC, SBC, TST,
  ROR, ROL, ASR, ASL,
  MARK, SXT,
  MOV, CMP, BIT, BIC, BIS, ADD,
  XOR, SOB,
  BPL, BMI, BHI, BLOS, BVC, BVS, BCC, BCS,
  EMT, TRAP,
  CLRB, COMB, INCB, DECB, NEGB, ADCB, SBCB, TSTB,
  RORB, ROLB, ASRB, ASLB,
  MTPS, MFPS,
  MOVB, CMPB, BITB, BICB, BISB, SUB,
};

// Operation of an instruction word (one table lookup).
Operation DecodeOperation(uint16_t word);

// Upper-case mnemonic of an operation ("MOVB"); "" for Reserved, ClearCondition, SetCondition.
std::string_view OperationName(Operation op);

// Branch offset in bytes from the word after the branch: the low byte as signed, times 2.
constexpr int BranchDisplacement(uint16_t word) { return 2 * static_cast<int8_t>(word & 0377); }

}  // namespace homemicro
