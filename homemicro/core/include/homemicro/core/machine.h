// The machine core: one BK-0010.01 (K1801VM1 processor, 64 KB bus, keyboard, timer) and the
// operations through which the run loop, the tracer and the tools reach it.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

#include "homemicro/core/host_services.h"
#include "homemicro/core/machine_state.h"
#include "homemicro/core/speaker_edges.h"

namespace homemicro {

struct InstructionSet;  // the instruction handlers (instructions.cpp)

class Machine {
 public:
  // The references must outlive the machine. State starts all zero, as at program start.
  Machine(FrontEndSettings& settings, HostServices& host, HostFiles& files);
  Machine(const Machine&) = delete;
  Machine& operator=(const Machine&) = delete;

  MachineState& State() { return state_; }
  const MachineState& State() const { return state_; }
  FrontEndSettings& Settings() { return settings_; }
  HostServices& Host() { return host_; }
  HostFiles& Files() { return files_; }

  // Steps run since the machine was made (the time base of the speaker edges).
  uint64_t InstructionCount() const { return instructionCount_; }
  // Speaker writes not yet taken by the front end; it clears them after reading.
  SpeakerEdges& Speaker() { return speaker_; }
  // Access operations on an ExtendedAddress (0 .. 0200017). Word operations round an odd
  // address down; the ROM write check is made on the address before rounding.
  uint16_t ReadWord(ExtendedAddress address);
  uint8_t ReadByte(ExtendedAddress address);
  void WriteWord(ExtendedAddress address, uint16_t value);
  void WriteByte(ExtendedAddress address, uint8_t value);
  // Stores into Memory without the ROM check and without register-page decoding.
  void PokeWord(ExtendedAddress address, uint16_t value);
  // What ReadWord / ReadByte would return, without their side effects (for dumps and displays).
  uint16_t PeekWord(ExtendedAddress address) const;
  uint8_t PeekByte(ExtendedAddress address) const;

  uint16_t PackPsw() const;
  void UnpackPsw(uint16_t word);

  // Pushes status word and PC. Answers false when a push write hit the protected ROM area: the
  // push is then given up (SP unchanged) instead of trapping again without end.
  bool PushTrapFrame();
  // PC := word at vector after the frame push; a failed push turns the trap into a bus error.
  void Trap(uint16_t vector);
  void BusError();
  void ReturnFromTrap();
  void KeyboardReset();

  // One instruction: fetch, decode, execute (the tape call EMT 36 included).
  void ExecuteInstruction();
  // One machine step: the instruction, then the trace trap rule.
  void Step();
  // The timer's share of one instruction (the run loop calls it after every Step).
  void TimerTick();
  // Up to `budget` machine steps, each followed by the timer's share, exactly as Step then
  // TimerTick would do them. The timer is not counted per instruction: it is brought up to date
  // when the program touches its registers and when Run ends. Ends early, after the
  // instruction, when one called the host (the tape call). Answers the steps run.
  uint32_t Run(uint32_t budget);
  // A key code 0..0177 arrives at the keyboard.
  void KeyboardInput(uint16_t code, bool alternate = false);
  // Fills RAM, loads the ROM image, resets keyboard, timer, scroll register, registers, flags.
  void HardReset();
  // Part of HardReset: RAM fill and the ROM image from StartDirectory + "/" + RomFileName.
  void LoadRom();

 private:
  friend struct InstructionSet;

  static bool IsRomArea(ExtendedAddress a) { return a >= kRomStart && a < kRegisterPageStart; }
  uint16_t MemoryWord(uint32_t even) const {
    if constexpr (std::endian::native == std::endian::little) {
      uint16_t word;
      std::memcpy(&word, &state_.Memory[even], 2);
      return word;
    } else {
      return static_cast<uint16_t>(state_.Memory[even] | (state_.Memory[even + 1] << 8));
    }
  }
  void StoreMemoryWord(uint32_t even, uint16_t value) {
    if constexpr (std::endian::native == std::endian::little) {
      std::memcpy(&state_.Memory[even], &value, 2);
    } else {
      state_.Memory[even] = static_cast<uint8_t>(value);
      state_.Memory[even + 1] = static_cast<uint8_t>(value >> 8);
    }
  }
  uint16_t ReadWordSlow(ExtendedAddress address);
  uint8_t ReadByteSlow(ExtendedAddress address);
  void WriteWordSlow(ExtendedAddress address, uint16_t value);
  void WriteByteSlow(ExtendedAddress address, uint8_t value);
  void WriteSystemRegister(uint16_t value);
  uint16_t SystemRegisterValue() const;
  void ServeTapeCall();
  void FinishTraceStep();
  void TimerStep();
  // Inside Run: gives the timer the ticks of the steps run since it was last brought up to date.
  void CatchUpTimer() {
    if (timerBehind_) AdvanceTimer(instructionCount_ - timerTickedAt_);
  }
  // The effect of `ticks` TimerTick calls.
  void AdvanceTimer(uint64_t ticks);
  void RunUntil(uint64_t stop);
  // The current Run ends after the instruction now executing, to hand control back to the run
  // loop.
  void ReturnFromRun() { runStop_ = chainStop_ = instructionCount_ + 1; }
  // Clears the per-instruction state, reads the instruction word at PC and steps PC past it.
  uint16_t FetchInstruction() {
    state_.ByteMode = 0;
    state_.BusErrorRaised = 0;
    const uint16_t pc = state_.R[kPC];
    const uint16_t opcode = ReadWord(pc);  // an odd PC fetches the word below it
    state_.Opcode = opcode;
    state_.R[kPC] = static_cast<uint16_t>(pc + 2);
    return opcode;
  }
  unsigned TimerPeriod() const { return 10u << (state_.TimerDiv4 ? 2 : 0) << (state_.TimerDiv16 ? 4 : 0); }

  MachineState state_;
  FrontEndSettings& settings_;
  HostServices& host_;
  HostFiles& files_;
  uint64_t instructionCount_ = 0;
  uint64_t runStop_ = 0;    // instruction count at which the current Run ends
  uint64_t chainStop_ = 0;  // and at which the current chain of instructions ends
  // While Run runs, the timer has had the ticks of the steps up to timerTickedAt_ only.
  bool timerBehind_ = false;
  uint64_t timerTickedAt_ = 0;
  SpeakerEdges speaker_;
};

// --- hot paths, inline: plain RAM first, everything else out of line ---

inline uint16_t Machine::ReadWord(ExtendedAddress address) {
  if (address < kRegisterPageStart) return MemoryWord(address & ~1u);
  return ReadWordSlow(address);
}

inline uint8_t Machine::ReadByte(ExtendedAddress address) {
  if (address < kRegisterPageStart) return state_.Memory[address];
  return ReadByteSlow(address);
}

inline void Machine::WriteWord(ExtendedAddress address, uint16_t value) {
  if (address < kRomStart) {
    StoreMemoryWord(address & ~1u, value);
    return;
  }
  WriteWordSlow(address, value);
}

inline void Machine::WriteByte(ExtendedAddress address, uint8_t value) {
  if (address < kRomStart) {
    state_.Memory[address] = value;
    return;
  }
  WriteByteSlow(address, value);
}

inline void Machine::Step() {
  ExecuteInstruction();
  // Nothing to do unless a trace trap is pending or RTT just armed one.
  if (state_.TraceTrapPending | state_.TraceArmed) FinishTraceStep();
  ++instructionCount_;
}

inline void Machine::TimerTick() {
  state_.TimerPrescaleCount = static_cast<uint16_t>(state_.TimerPrescaleCount + 1);
  // 10, 40, 160 or 640 instructions; an equality test, so shortening the period below the
  // count lets the count run round 0177777 first.
  if (state_.TimerPrescaleCount == TimerPeriod()) TimerStep();
}

}  // namespace homemicro
