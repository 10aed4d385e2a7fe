#include "runner.h"

#include "homemicro/frontend/key_translation.h"
#include "homemicro/frontend/machine_snapshot.h"

namespace bkrun {
namespace {

// The lowest rate the synthesizer takes; the loop's own sound is dropped anyway.
constexpr int kDroppedSoundRate = 8000;

}  // namespace

HeadlessEmulator::HeadlessEmulator(bool overwriteAnswer, std::optional<std::string> openFile,
                                   bool recordSound)
    : host_(overwriteAnswer, std::move(openFile), {.endProgram = [this] { loop_.RequestEnd(); }}),
      machine_(settings_, host_, files_),
      loopSynth_(kDroppedSoundRate),
      sound_(kSoundSampleRate),
      loop_(machine_, state_, display_, loopSynth_),
      recordSound_(recordSound) {
  loop_.SetSpeakerTap([this](uint64_t instruction, bool level) {
    if (recordSound_) sound_.SetLevel(instruction, level);
  });
}

bool HeadlessEmulator::HardReset() {
  machine_.HardReset();
  romChecksum_ = homemicro::RomImageChecksum(machine_.State());
  return !host_.EndRequested();
}

std::string HeadlessEmulator::SaveState(const std::string& file) {
  return homemicro::WriteSnapshotFile(
      file, homemicro::CaptureSnapshot(machine_, state_.Pending, loop_, romChecksum_));
}

std::string HeadlessEmulator::LoadState(const std::string& file) {
  const homemicro::SnapshotDecodeResult read = homemicro::ReadSnapshotFile(file);
  if (!read.Snapshot) return read.Error;
  homemicro::RestoreSnapshot(*read.Snapshot, machine_, state_.Pending, loop_);
  romChecksum_ = read.Snapshot->RomChecksum;
  const bool level = (settings_.SpeakerPortValue & 2) != 0;
  loopSynth_.Restart(loop_.InstructionsExecuted(), level);
  sound_.Restart(loop_.InstructionsExecuted(), level);
  return {};
}

long long HeadlessEmulator::InstructionsPerTick() const {
  const int32_t slices = state_.RepaintCount;
  if (slices <= 0 || state_.EmulationSpeed / slices <= 0) return 0;
  return static_cast<long long>(slices) * (state_.EmulationSpeed / slices);
}

homemicro::TickOutcome HeadlessEmulator::RunTick(std::optional<long long> instructionsLeft) {
  if (!instructionsLeft || *instructionsLeft >= InstructionsPerTick()) return loop_.Tick();
  // The last tick of a --steps run: one slice of the instructions left.
  const int32_t speed = state_.EmulationSpeed, slices = state_.RepaintCount;
  state_.EmulationSpeed = static_cast<int32_t>(*instructionsLeft);
  state_.RepaintCount = 1;
  const homemicro::TickOutcome outcome = loop_.Tick();
  state_.EmulationSpeed = speed;
  state_.RepaintCount = slices;
  return outcome;
}

void HeadlessEmulator::CollectSound() {
  loopSynth_.ClearSamples();
  if (!recordSound_) return;
  sound_.RenderUntil(loop_.InstructionsExecuted());
  recorded_.insert(recorded_.end(), sound_.Samples().begin(), sound_.Samples().end());
  sound_.ClearSamples();
}

RunEnd HeadlessEmulator::Run(const RunLimits& limits) {
  // A tick that can run no instruction changes nothing a later tick could show: stop at once.
  if ((!limits.steps && !limits.ticks) || InstructionsPerTick() == 0) return RunEnd::LimitReached;
  sound_.SetEmulationSpeed(state_.EmulationSpeed);
  std::size_t nextKey = 0;
  // --steps counts from here: a loaded snapshot carries the count it was saved with.
  const uint64_t firstInstruction = loop_.InstructionsExecuted();
  long long idleTicks = 1;  // ticks with no key down before the next press
  for (long long tick = 0; !limits.ticks || tick < *limits.ticks; ++tick) {
    std::optional<long long> instructionsLeft;
    if (limits.steps) {
      instructionsLeft =
          *limits.steps - static_cast<long long>(loop_.InstructionsExecuted() - firstInstruction);
      if (*instructionsLeft <= 0) break;
    }
    if (limits.program && tick == limits.programTick) homemicro::StartTapeProgram(machine_, *limits.program);
    while (nextKey < limits.keys.size() && !limits.keys[nextKey].stroke)
      idleTicks += limits.keys[nextKey++].waitTicks;
    const bool pressing = idleTicks == 0 && nextKey < limits.keys.size();
    if (pressing) {
      const homemicro::KeyStroke& key = *limits.keys[nextKey++].stroke;
      homemicro::RecordKeyPress(settings_, state_.Pending, key.VirtualKey, key.ShiftState);
      idleTicks = 1;
    } else if (idleTicks > 0) {
      --idleTicks;
    }
    const homemicro::TickOutcome outcome = RunTick(instructionsLeft);
    if (pressing) homemicro::EndKeyPress(settings_);
    CollectSound();
    switch (outcome) {
      case homemicro::TickOutcome::StoppedAtBreak:
        return RunEnd::BreakReached;
      case homemicro::TickOutcome::Failed:
        return RunEnd::Failed;
      case homemicro::TickOutcome::EndProgram:
        return RunEnd::EndProgram;
      default:
        break;
    }
  }
  return RunEnd::LimitReached;
}

const homemicro::Display& HeadlessEmulator::UpdatedScreen() {
  loop_.UpdateScreen();
  return display_;
}

}  // namespace bkrun
