// Operand resolution for the eight addressing modes, with the K1801VM1 byte rules: byte
// instructions step R0..R5 by 1, SP and PC always by 2. The operand value is always read.
#pragma once

#include <cstdint>

#include "alu.h"
#include "homemicro/core/machine.h"

// The operand helpers sit on every instruction's path; the compiler must not leave them as calls.
#if defined(__GNUC__)
#define HOMEMICRO_HOT_INLINE inline __attribute__((always_inline))
#else
#define HOMEMICRO_HOT_INLINE inline
#endif

namespace homemicro {

struct Operand {
  ExtendedAddress address;  // OperandAddress: a bus address or 0200000 + 2*n
  uint16_t value;           // word, or byte zero-extended
};

constexpr bool IsRegister(ExtendedAddress a) { return a >= kRegisterBase; }
constexpr int RegisterNumber(ExtendedAddress a) { return static_cast<int>((a - kRegisterBase) >> 1) & 7; }

// The operand address of a 6-bit field, with every register side effect.
template <bool Byte>
HOMEMICRO_HOT_INLINE ExtendedAddress ResolveAddress(Machine& m, unsigned field) {
  auto& R = m.State().R;
  const unsigned n = field & 7;
  constexpr uint16_t kByteStep = Byte ? 1 : 2;
  const uint16_t step = n < kSP ? kByteStep : 2;
  switch ((field >> 3) & 7) {
    case 0: return RegisterAddress(static_cast<int>(n));
    case 1: return R[n];
    case 2: {
      const ExtendedAddress a = R[n];
      R[n] = static_cast<uint16_t>(R[n] + step);
      return a;
    }
    case 3: {
      const ExtendedAddress a = m.ReadWord(R[n]);
      R[n] = static_cast<uint16_t>(R[n] + 2);
      return a;
    }
    case 4:
      R[n] = static_cast<uint16_t>(R[n] - step);
      return R[n];
    case 5:
      R[n] = static_cast<uint16_t>(R[n] - 2);
      return m.ReadWord(R[n]);
    case 6: {
      const uint16_t index = m.ReadWord(R[kPC]);
      R[kPC] = static_cast<uint16_t>(R[kPC] + 2);  // before Rn is read: X(PC) is relative to the next word
      return static_cast<uint16_t>(index + R[n]);
    }
    default: {
      const uint16_t index = m.ReadWord(R[kPC]);
      R[kPC] = static_cast<uint16_t>(R[kPC] + 2);
      return m.ReadWord(static_cast<uint16_t>(index + R[n]));
    }
  }
}

template <bool Byte>
HOMEMICRO_HOT_INLINE uint16_t ReadOperandValue(Machine& m, ExtendedAddress a) {
  if (IsRegister(a)) return m.State().R[RegisterNumber(a)] & alu::kMask<Byte>;
  if constexpr (Byte) {
    return m.ReadByte(a);
  } else {
    return m.ReadWord(a);
  }
}

// `ResolveOperand`: address and value of a field. Register mode skips the bus entirely.
template <bool Byte>
HOMEMICRO_HOT_INLINE Operand ResolveOperand(Machine& m, unsigned field) {
  if ((field & 070) == 0) {
    const unsigned n = field & 7;
    return {RegisterAddress(static_cast<int>(n)), static_cast<uint16_t>(m.State().R[n] & alu::kMask<Byte>)};
  }
  const ExtendedAddress a = ResolveAddress<Byte>(m, field);
  return {a, ReadOperandValue<Byte>(m, a)};
}

// Stores a result; a byte into a register changes its low byte only. False when the write took
// the bus-error trap, after which the instruction must set no condition code.
template <bool Byte>
HOMEMICRO_HOT_INLINE bool StoreResult(Machine& m, ExtendedAddress a, uint16_t value) {
  if (IsRegister(a)) {
    uint16_t& r = m.State().R[RegisterNumber(a)];
    r = Byte ? static_cast<uint16_t>((r & 0177400) | (value & 0377)) : value;
    return true;
  }
  if constexpr (Byte) {
    m.WriteByte(a, static_cast<uint8_t>(value));
  } else {
    m.WriteWord(a, value);
  }
  return m.State().BusErrorRaised == 0;
}

// MOVB and MFPS: a register receives the byte sign-extended; memory receives the byte.
HOMEMICRO_HOT_INLINE bool StoreByteExtended(Machine& m, ExtendedAddress a, uint16_t value) {
  if (IsRegister(a)) {
    m.State().R[RegisterNumber(a)] = static_cast<uint16_t>(static_cast<int8_t>(value & 0377));
    return true;
  }
  return StoreResult<true>(m, a, value);
}

}  // namespace homemicro
