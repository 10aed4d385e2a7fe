// Condition code formulas, written once for words and bytes (Byte selects the operand size).
#pragma once

#include <cstdint>

#include "homemicro/core/machine_state.h"

// On every instruction's path: calls here would cost more than the formulas.
#if defined(__GNUC__)
#define HOMEMICRO_ALU_INLINE inline __attribute__((always_inline))
#else
#define HOMEMICRO_ALU_INLINE inline
#endif

namespace homemicro::alu {

template <bool Byte>
inline constexpr uint16_t kMask = Byte ? 0377 : 0177777;
template <bool Byte>
inline constexpr uint16_t kSign = Byte ? 0200 : 0100000;

template <bool Byte>
constexpr uint8_t SignOf(uint32_t value) {
  return (value & kSign<Byte>) ? 1 : 0;
}

// N from the top bit of the result, Z when every bit of the operand size is zero.
template <bool Byte>
HOMEMICRO_ALU_INLINE void SetNZ(MachineState& s, uint32_t result) {
  s.FlagN = SignOf<Byte>(result);
  s.FlagZ = (result & kMask<Byte>) == 0 ? 1 : 0;
}

// ADD: overflow when both operands share a sign that the result lacks; C is the carry out.
HOMEMICRO_ALU_INLINE void SetAddFlags(MachineState& s, uint16_t src, uint16_t dst, uint32_t sum) {
  SetNZ<false>(s, sum);
  s.FlagV = SignOf<false>(~(src ^ dst) & (src ^ sum));
  s.FlagC = sum > 0177777 ? 1 : 0;
}

// Subtraction minuend - subtrahend (CMP: src - dst, SUB: dst - src): overflow when the operands
// differ in sign and the result has the subtrahend's sign; C is the borrow.
template <bool Byte>
HOMEMICRO_ALU_INLINE void SetSubtractFlags(MachineState& s, uint16_t minuend, uint16_t subtrahend,
                                           uint32_t difference) {
  SetNZ<Byte>(s, difference);
  s.FlagV = SignOf<Byte>((minuend ^ subtrahend) & ~(difference ^ subtrahend));
  s.FlagC = (minuend & kMask<Byte>) < (subtrahend & kMask<Byte>) ? 1 : 0;
}

// Logical results: N and Z from the result, V cleared, C kept.
template <bool Byte>
HOMEMICRO_ALU_INLINE void SetLogicalFlags(MachineState& s, uint32_t result) {
  SetNZ<Byte>(s, result);
  s.FlagV = 0;
}

}  // namespace homemicro::alu
