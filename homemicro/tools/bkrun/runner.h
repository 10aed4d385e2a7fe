// The machine driven without a window by the front end's own run loop: ticks of slices, the
// break test, typed keys through the key latch and tables, the screen picture and the sound.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "console_host.h"
#include "homemicro/core/machine.h"
#include "homemicro/frontend/disk_files.h"
#include "homemicro/frontend/display.h"
#include "homemicro/frontend/frontend_state.h"
#include "homemicro/frontend/run_loop.h"
#include "homemicro/frontend/speaker_synth.h"
#include "homemicro/frontend/tape_program.h"
#include "homemicro/frontend/typing.h"
#include "options.h"

namespace bkrun {

inline constexpr int kSoundSampleRate = 44100;

struct RunLimits {
  std::optional<long long> steps;  // instructions
  std::optional<long long> ticks;
  std::vector<KeyAction> keys;  // presses and waits, in order
  // A tape program started before tick `programTick`.
  std::optional<homemicro::TapeProgram> program;
  long long programTick = 0;
};

enum class RunEnd { LimitReached, BreakReached, Failed, EndProgram };

// Holds the whole machine and a 640 x 400 picture: allocate it on the heap.
class HeadlessEmulator {
 public:
  HeadlessEmulator(bool overwriteAnswer, std::optional<std::string> openFile, bool recordSound);
  HeadlessEmulator(const HeadlessEmulator&) = delete;
  HeadlessEmulator& operator=(const HeadlessEmulator&) = delete;

  homemicro::Machine& GetMachine() { return machine_; }
  homemicro::FrontEndSettings& Settings() { return settings_; }
  homemicro::FrontEndState& State() { return state_; }

  // The hard reset with the ROM named by the settings; false when the ROM image could not be
  // read and the program has to end (the core has shown its message).
  bool HardReset();

  // Machine snapshots: the error text, or an empty string on success. A load that fails
  // changes nothing.
  std::string SaveState(const std::string& file);
  std::string LoadState(const std::string& file);

  // Runs ticks until the first limit is reached; nothing runs without steps or ticks. Each key
  // follows one tick with no key down: it is pressed at the start of a tick and released at its
  // end, so the machine gets a tick to start up and sees every key released before the next
  // one arrives (key k at tick 2k+1 when there are no waits); a wait adds its ticks with no key
  // down. A --steps limit that falls inside a tick ends the run after exactly that many
  // instructions.
  RunEnd Run(const RunLimits& limits);

  // The register dump of a failed tick.
  const std::string& FailureMessage() const { return loop_.FailureMessage(); }

  // Redraws the picture from video RAM and the scroll register, as the run loop does.
  const homemicro::Display& UpdatedScreen();

  // The speaker's sound of everything run so far (empty unless recording was asked for).
  const std::vector<int16_t>& Sound() const { return recorded_; }

 private:
  homemicro::TickOutcome RunTick(std::optional<long long> instructionsLeft);
  long long InstructionsPerTick() const;
  void CollectSound();

  homemicro::FrontEndSettings settings_;
  homemicro::FrontEndState state_;
  ConsoleHost host_;
  homemicro::DiskFiles files_;
  homemicro::Machine machine_;
  homemicro::Display display_;
  // The run loop renders its synthesizer at the tick's own speed, so a tick shortened for
  // --steps would stretch its sound; the loop's output is therefore dropped and the speaker
  // is recorded into `sound_`, stamped with the same instruction count, at the set speed.
  homemicro::SpeakerSynth loopSynth_;
  homemicro::SpeakerSynth sound_;
  homemicro::RunLoop loop_;
  bool recordSound_;
  uint32_t romChecksum_ = 0;
  std::vector<int16_t> recorded_;
};

}  // namespace bkrun
