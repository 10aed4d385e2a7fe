// Operand resolution for the eight addressing modes, with the K1801VM1 byte rules: byte
// instructions step R0..R5 by 1, SP and PC always by 2. The operand value is always read.
// The mode is a template parameter: the opcode table holds one handler per mode combination, so
// no mode is decoded at run time.
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
  ExtendedAddress address;  // OperandAddress: a bus address, or 0200000 + 2*n in mode 0
  uint16_t value;           // word, or byte zero-extended
};

// `ResolveOperand` for mode Mode and register n: the operand address with every register side
// effect, and the operand's value.
template <bool Byte, unsigned Mode>
HOMEMICRO_HOT_INLINE Operand ResolveOperand(Machine& m, unsigned n) {
  auto& R = m.State().R;
  if constexpr (Mode == 0) {
    return {RegisterAddress(static_cast<int>(n)), static_cast<uint16_t>(R[n] & alu::kMask<Byte>)};
  } else {
    constexpr uint16_t kByteStep = Byte ? 1 : 2;
    const uint16_t step = n < kSP ? kByteStep : 2;
    uint16_t address;
    if constexpr (Mode == 1) {
      address = R[n];
    } else if constexpr (Mode == 2) {
      address = R[n];
      R[n] = static_cast<uint16_t>(R[n] + step);
    } else if constexpr (Mode == 3) {
      address = m.ReadWord(R[n]);
      R[n] = static_cast<uint16_t>(R[n] + 2);
    } else if constexpr (Mode == 4) {
      R[n] = static_cast<uint16_t>(R[n] - step);
      address = R[n];
    } else if constexpr (Mode == 5) {
      R[n] = static_cast<uint16_t>(R[n] - 2);
      address = m.ReadWord(R[n]);
    } else {
      const uint16_t index = m.ReadWord(R[kPC]);
      R[kPC] = static_cast<uint16_t>(R[kPC] + 2);  // before Rn is read: X(PC) is relative to the next word
      address = static_cast<uint16_t>(index + R[n]);
      if constexpr (Mode == 7) address = m.ReadWord(address);
    }
    if constexpr (Byte) {
      return {address, m.ReadByte(address)};
    } else {
      return {address, m.ReadWord(address)};
    }
  }
}

// Stores a result; a byte into a register changes its low byte only. False when the write took
// the bus-error trap, after which the instruction must set no condition code.
// In mode 0 the address is 0200000 + 2*n: (a >> 1) & 7 is n, which the compiler sees through.
template <bool Byte, unsigned Mode>
HOMEMICRO_HOT_INLINE bool StoreResult(Machine& m, ExtendedAddress a, uint16_t value) {
  if constexpr (Mode == 0) {
    uint16_t& r = m.State().R[(a >> 1) & 7];
    r = Byte ? static_cast<uint16_t>((r & 0177400) | (value & 0377)) : value;
    return true;
  } else {
    if constexpr (Byte) {
      m.WriteByte(a, static_cast<uint8_t>(value));
    } else {
      m.WriteWord(a, value);
    }
    return m.State().BusErrorRaised == 0;
  }
}

// MOVB and MFPS: a register receives the byte sign-extended; memory receives the byte.
template <unsigned Mode>
HOMEMICRO_HOT_INLINE bool StoreByteExtended(Machine& m, ExtendedAddress a, uint16_t value) {
  if constexpr (Mode == 0) {
    m.State().R[(a >> 1) & 7] = static_cast<uint16_t>(static_cast<int8_t>(value & 0377));
    return true;
  } else {
    return StoreResult<true, Mode>(m, a, value);
  }
}

}  // namespace homemicro
