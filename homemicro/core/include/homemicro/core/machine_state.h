// The one state record of the emulated BK-0010.01 and the constants of its address space.
#pragma once

#include <array>
#include <cstdint>

namespace homemicro {

// 0 .. 0177777 are bus addresses; 0200000 + 2*n is register Rn (n = 0..7), so that one index
// space covers memory and registers. Nothing above 0200017 is valid.
using ExtendedAddress = uint32_t;

inline constexpr ExtendedAddress kRegisterBase = 0200000;
inline constexpr ExtendedAddress kExtendedAddressLimit = 0200020;  // first invalid value

constexpr ExtendedAddress RegisterAddress(int n) {
  return kRegisterBase + 2 * static_cast<ExtendedAddress>(n);
}

inline constexpr int kSP = 6;
inline constexpr int kPC = 7;

// Address space boundaries.
inline constexpr uint32_t kMemorySize = 0200000;
inline constexpr uint16_t kScreenStart = 040000;
inline constexpr uint16_t kRomStart = 0100000;
inline constexpr uint16_t kRegisterPageStart = 0177600;
inline constexpr uint32_t kRomImageSize = 32768;

// Decoded registers of the register page.
inline constexpr uint16_t kKeyStatusRegister = 0177660;
inline constexpr uint16_t kKeyDataRegister = 0177662;
inline constexpr uint16_t kScrollRegister = 0177664;
inline constexpr uint16_t kTimerReloadRegister = 0177706;
inline constexpr uint16_t kTimerCounterRegister = 0177710;
inline constexpr uint16_t kTimerControlRegister = 0177712;
inline constexpr uint16_t kParallelPortRegister = 0177714;
inline constexpr uint16_t kSystemRegister = 0177716;

// Trap vectors: the word at the vector is the new PC; the word after it is never read.
inline constexpr uint16_t kBusErrorVector = 004;
inline constexpr uint16_t kReservedInstructionVector = 010;
inline constexpr uint16_t kBreakpointVector = 014;  // BPT and the trace trap
inline constexpr uint16_t kIotVector = 020;
inline constexpr uint16_t kEmtVector = 030;
inline constexpr uint16_t kTrapVector = 034;
inline constexpr uint16_t kKeyboardVector = 060;
inline constexpr uint16_t kKeyboardAlternateVector = 0274;  // a key typed with АР2

// Plain fixed-size record: no pointers, may be copied whole (tests compare snapshots).
struct MachineState {
  std::array<uint8_t, kMemorySize> Memory{};  // little-endian words
  std::array<uint16_t, 8> R{};                // R6 = SP, R7 = PC
  uint8_t FlagN = 0, FlagZ = 0, FlagV = 0, FlagC = 0;
  uint16_t Opcode = 0;
  uint8_t ByteMode = 0;
  uint8_t BusErrorRaised = 0;
  uint8_t TraceTrapPending = 0;
  uint8_t TraceArmed = 0;
  uint16_t KeyStatus = 0;     // read at 0177660
  uint16_t KeyIntMask = 0;    // bit 6 as last written to 0177660
  uint16_t KeyData = 0;       // read at 0177662
  uint16_t TimerCounter = 0;  // read at 0177710
  uint16_t TimerControl = 0;  // read at 0177712
  uint8_t TimerDiv4 = 0, TimerDiv16 = 0;
  uint16_t TimerPrescaleCount = 0;
  uint16_t TimerCountdown = 0;
};

}  // namespace homemicro
