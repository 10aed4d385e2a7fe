// The run loop: what each 55 ms tick of the run timer does to the machine.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "homemicro/core/machine.h"
#include "homemicro/frontend/display.h"
#include "homemicro/frontend/frontend_state.h"
#include "homemicro/frontend/speaker_synth.h"

namespace homemicro {

inline constexpr std::string_view kEmulationFailureMessage = "Сбой в эмуляции. Содержимое регистров:";

enum class TickOutcome {
  NotRunning,      // the run timer is disabled: nothing ran
  Completed,       // every slice ran (or RepaintCount <= 0: nothing to do)
  StoppedAtBreak,  // PC reached BreakAddress; the timer is now disabled, the tracer should open
  Failed,          // a host failure inside the tick; FailureMessage() holds the register dump
  EndProgram,      // the core asked for the end of the program (a fatal host condition)
};

// Instructions a typed key waits for the program to read the key before it (about a second at
// the default speed).
inline constexpr uint32_t kKeyWaitLimit = 250000;

// The failure message with the registers R0..R5, SP and PC in six octal digits.
std::string RegisterDumpMessage(const MachineState& state);

class RunLoop {
 public:
  // All references must outlive the loop.
  RunLoop(Machine& machine, FrontEndState& state, Display& display, SpeakerSynth& synth);

  // One tick: RepaintCount slices of EmulationSpeed / RepaintCount instructions, the break
  // test before each instruction, a key delivery after the first, one screen update per slice.
  TickOutcome Tick();

  // Converts video RAM and the scroll register into the display picture, unless neither they,
  // the mode nor the palette changed since the last conversion.
  void UpdateScreen();
  // The next UpdateScreen converts whatever it finds (after the picture was changed elsewhere).
  void InvalidateScreen() { shownValid_ = false; }

  // Also hands every speaker level to `tap`, stamped like the synthesizer's (bkrun records it).
  void SetSpeakerTap(std::function<void(uint64_t instruction, bool level)> tap) {
    speakerTap_ = std::move(tap);
  }

  // The core's request to end the program; the tick stops after the current instruction.
  void RequestEnd() { endRequested_ = true; }
  bool EndRequested() const { return endRequested_; }

  const std::string& FailureMessage() const { return failureMessage_; }
  uint64_t InstructionsExecuted() const { return instructionsExecuted_; }
  int ScreenUpdates() const { return screenUpdates_; }
  int ScreenConversions() const { return screenConversions_; }
  // A loaded snapshot carries on the counts where it was saved.
  void RestoreCounters(uint64_t instructionsExecuted, int screenUpdates) {
    instructionsExecuted_ = instructionsExecuted;
    screenUpdates_ = screenUpdates;
  }

 private:
  TickOutcome RunSlices(int32_t slices);
  void DeliverPendingKey();
  // Moves the core's speaker edges into the synthesizer, on the loop's instruction count.
  void DrainSpeaker();
  void StartSpeakerClock();

  Machine& machine_;
  FrontEndState& state_;
  Display& display_;
  SpeakerSynth& synth_;
  // Longest run of instructions between two looks at the loop's events: the speaker buffer holds
  // every edge of it (a step writes 0177716 at most three times: the instruction and a trap frame).
  static constexpr int64_t kLongestChunk = SpeakerEdges::kCapacity / 3;

  uint64_t instructionsExecuted_ = 0;
  int screenUpdates_ = 0;
  int screenConversions_ = 0;
  // What the picture was last converted from.
  bool shownValid_ = false;
  std::array<uint8_t, kVideoRamSize> shownVideo_{};
  uint16_t shownScroll_ = 0;
  bool shownOneBit_ = true;
  Palette shownPalette_{};
  bool endRequested_ = false;
  std::string failureMessage_;
  std::function<void(uint64_t, bool)> speakerTap_;
  // The machine's instruction count at which the loop's count was `speakerLoopBase_`.
  uint64_t speakerMachineBase_ = 0, speakerLoopBase_ = 0;
};

}  // namespace homemicro
