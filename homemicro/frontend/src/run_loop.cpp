#include "homemicro/frontend/run_loop.h"

#include <algorithm>
#include <span>

#include "homemicro/frontend/key_translation.h"

namespace homemicro {
namespace {

std::string Octal6(uint16_t value) {
  std::string text(6, '0');
  for (int i = 5; i >= 0; --i, value = static_cast<uint16_t>(value >> 3)) {
    text[static_cast<std::size_t>(i)] = static_cast<char>('0' + (value & 7));
  }
  return text;
}

}  // namespace

std::string RegisterDumpMessage(const MachineState& state) {
  // Line breaks are the host's own; the visible shape is two blank-separated lines of registers.
  const auto& r = state.R;
  std::string text(kEmulationFailureMessage);
  text += "\n\nR0=" + Octal6(r[0]) + ", R1=" + Octal6(r[1]) + ", R2=" + Octal6(r[2]) +
          ", R3=" + Octal6(r[3]) + ",";
  text += "\nR4=" + Octal6(r[4]) + ", R5=" + Octal6(r[5]) + ", SP=" + Octal6(r[kSP]) +
          ", PC=" + Octal6(r[kPC]) + ".";
  return text;
}

RunLoop::RunLoop(Machine& machine, FrontEndState& state, Display& display, SpeakerSynth& synth)
    : machine_(machine), state_(state), display_(display), synth_(synth) {}

TickOutcome RunLoop::Tick() {
  if (!state_.Run.TimerEnabled()) return TickOutcome::NotRunning;
  const int32_t slices = state_.RepaintCount;
  if (slices <= 0) return TickOutcome::Completed;
  synth_.SetEmulationSpeed(state_.EmulationSpeed);
  TickOutcome outcome;
  try {
    outcome = RunSlices(slices);
  } catch (...) {
    // Whatever the host failure was, the user sees where the machine stood.
    state_.Run.End();
    failureMessage_ = RegisterDumpMessage(machine_.State());
    outcome = TickOutcome::Failed;
  }
  DrainSpeaker();
  synth_.RenderUntil(instructionsExecuted_);
  return outcome;
}

TickOutcome RunLoop::RunSlices(int32_t slices) {
  // 0177600 is the "no break point" value; a PC there must not stop the machine.
  const bool breakSet = state_.BreakAddress != kNoBreakAddress;
  for (int32_t slice = 0; slice < slices; ++slice) {
    StartSpeakerClock();
    const int32_t count = state_.EmulationSpeed / slices;
    for (int64_t left = count; left > 0;) {
      if (breakSet && machine_.State().R[kPC] == state_.BreakAddress) {
        state_.Run.Stop();
        return TickOutcome::StoppedAtBreak;
      }
      // The budget runs up to the next event the loop must see: a key to deliver after the next
      // instruction, the break address (tested before every instruction while one is set), the
      // end of the slice, or a chunk the speaker buffer holds in full. The core itself ends a
      // chunk at a timer step and after a call to the host.
      const bool stepwise = breakSet || machine_.Settings().KeyPending;
      const auto budget = static_cast<uint32_t>(stepwise ? 1 : std::min<int64_t>(left, kLongestChunk));
      const uint32_t ran = machine_.Run(budget);
      instructionsExecuted_ += ran;
      left -= ran;
      DrainSpeaker();
      if (machine_.Settings().KeyPending) DeliverPendingKey();
      if (endRequested_) {
        state_.Run.End();
        return TickOutcome::EndProgram;
      }
    }
    DrainSpeaker();
    UpdateScreen();
  }
  return TickOutcome::Completed;
}

void RunLoop::StartSpeakerClock() {
  DrainSpeaker();  // what the tracer's steps wrote sounds now
  speakerMachineBase_ = machine_.InstructionCount();
  speakerLoopBase_ = instructionsExecuted_;
}

void RunLoop::DrainSpeaker() {
  SpeakerEdges& edges = machine_.Speaker();
  for (const SpeakerEdge& edge : edges.Pending()) {
    const uint64_t sinceBase =
        edge.Instruction >= speakerMachineBase_ ? edge.Instruction - speakerMachineBase_ : 0;
    const uint64_t at = std::min(speakerLoopBase_ + sinceBase, instructionsExecuted_);
    const bool level = (edge.PortValue & 2) != 0;
    synth_.SetLevel(at, level);
    if (speakerTap_) speakerTap_(at, level);
  }
  edges.Clear();
}

// The next queued key goes in once the machine has read the previous one (the ready bit of
// 0177660 is clear). A program that never reads the keyboard gets it after kKeyWaitLimit
// instructions anyway, as a key typed on the machine would overwrite the register.
void RunLoop::DeliverPendingKey() {
  PendingPress& pending = state_.Pending;
  if (pending.Empty()) {
    machine_.Settings().KeyPending = false;
    return;
  }
  const KeyDelivery delivery = TranslateKey(pending.Front().VirtualKey, pending.Front().ShiftState);
  const bool previousUnread = (machine_.State().KeyStatus & 0200) != 0;
  const bool overdue = ++pending.Waited >= kKeyWaitLimit;
  if (previousUnread) pending.Settled = 0;
  const bool settled = !previousUnread && ++pending.Settled >= kKeySettleInstructions;
  if (!delivery.Stop && !settled && !overdue) return;
  pending.Pop();
  machine_.Settings().KeyPending = !pending.Empty();
  if (delivery.Stop) {
    machine_.BusError();
  } else {
    machine_.KeyboardInput(delivery.Code, delivery.Alternate);
  }
}

void RunLoop::UpdateScreen() {
  const MachineState& machine = machine_.State();
  const std::span<const uint8_t, kVideoRamSize> videoRam(machine.Memory.data() + kScreenStart, kVideoRamSize);
  const uint16_t scroll = machine_.ReadWord(kScrollRegister);
  ++screenUpdates_;
  // The picture depends on nothing else: when none of it changed, the conversion would give
  // the same pixels again.
  const bool same = shownValid_ && scroll == shownScroll_ && state_.OneBitMode == shownOneBit_ &&
                    state_.PaletteEntries == shownPalette_ &&
                    std::equal(videoRam.begin(), videoRam.end(), shownVideo_.begin());
  if (same) return;
  display_.UpdateScreen(videoRam, scroll, state_.OneBitMode, state_.PaletteEntries);
  std::copy(videoRam.begin(), videoRam.end(), shownVideo_.begin());
  shownScroll_ = scroll;
  shownOneBit_ = state_.OneBitMode;
  shownPalette_ = state_.PaletteEntries;
  shownValid_ = true;
  ++screenConversions_;
}

}  // namespace homemicro
