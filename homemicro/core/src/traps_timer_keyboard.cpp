// Trap entry and return, the trace trap, the keyboard device and the timer.
#include "homemicro/core/machine.h"

namespace homemicro {

bool Machine::PushTrapFrame() {
  // A frame write refused by the ROM write trap would trap again and push again without end;
  // the push is given up instead and the caller turns the trap into a plain bus error.
  const auto refused = [this](uint16_t a) { return settings_.RomWriteControl && IsRomArea(a); };
  const uint16_t psw = PackPsw();
  const auto statusSlot = static_cast<uint16_t>(state_.R[kSP] - 2);
  if (refused(statusSlot)) return false;
  WriteWord(statusSlot, psw);
  const auto pcSlot = static_cast<uint16_t>(state_.R[kSP] - 4);
  if (refused(pcSlot)) return false;
  WriteWord(pcSlot, state_.R[kPC]);
  state_.R[kSP] = pcSlot;
  return true;
}

void Machine::Trap(uint16_t vector) {
  if (!PushTrapFrame()) {
    vector = kBusErrorVector;
    state_.BusErrorRaised = 1;
  }
  state_.R[kPC] = ReadWord(vector);
}

void Machine::BusError() {
  Trap(kBusErrorVector);
  state_.BusErrorRaised = 1;
}

void Machine::ReturnFromTrap() {
  auto& R = state_.R;
  R[kPC] = ReadWord(R[kSP]);
  UnpackPsw(ReadWord(static_cast<uint16_t>(R[kSP] + 2)));
  R[kSP] = static_cast<uint16_t>(R[kSP] + 4);
}

void Machine::KeyboardReset() {
  state_.KeyIntMask = 0100;
  state_.KeyStatus = 0100;
  state_.KeyData = 0;
}

// The trace rule at the end of Step: a pending trace trap is taken after the instruction; an
// RTT in this instruction makes the next one trace.
void Machine::FinishTraceStep() {
  if (state_.TraceTrapPending) Trap(kBreakpointVector);
  state_.TraceTrapPending = state_.TraceArmed;
  state_.TraceArmed = 0;
}

void Machine::TimerStep() {
  state_.TimerPrescaleCount = 0;
  if (state_.TimerCountdown == 0) state_.TimerCountdown = MemoryWord(kTimerReloadRegister);
  state_.TimerCountdown = static_cast<uint16_t>(state_.TimerCountdown - 1);
  state_.TimerCounter = state_.TimerCountdown;
}

void Machine::AdvanceTimer(uint64_t ticks) {
  timerTickedAt_ += ticks;
  if (ticks == 0) return;
  const uint32_t period = TimerPeriod();
  // Ticks up to the next step; the test is an equality, so a count past the period goes round
  // 0200000 first.
  const uint32_t toStep = static_cast<uint16_t>(period - state_.TimerPrescaleCount - 1) + 1u;
  if (ticks < toStep) {
    state_.TimerPrescaleCount = static_cast<uint16_t>(state_.TimerPrescaleCount + ticks);
    return;
  }
  const uint64_t steps = 1 + (ticks - toStep) / period;
  state_.TimerPrescaleCount = static_cast<uint16_t>((ticks - toStep) % period);
  // The countdown runs to 0, then each step from 0 reloads: V - 1, ..., 0 (V = 0 counts 0200000).
  uint16_t countdown = state_.TimerCountdown;
  if (steps <= countdown) {
    countdown = static_cast<uint16_t>(countdown - steps);
  } else {
    const uint16_t reload = MemoryWord(kTimerReloadRegister);
    const uint32_t cycle = reload == 0 ? 0200000u : reload;
    const uint64_t fromZero = steps - countdown;
    countdown = static_cast<uint16_t>(cycle - ((fromZero - 1) % cycle + 1));
  }
  state_.TimerCountdown = countdown;
  state_.TimerCounter = countdown;
}

void Machine::KeyboardInput(uint16_t code, bool alternate) {
  state_.KeyStatus = static_cast<uint16_t>((state_.KeyIntMask & 0100) | 0200);
  state_.KeyData = code & 0177;
  // With the disable bit set nothing is raised and nothing is remembered.
  if ((state_.KeyIntMask & 0100) == 0) Trap(alternate ? kKeyboardAlternateVector : kKeyboardVector);
}

}  // namespace homemicro
