// The machine's one-bit speaker line turned into 16-bit mono PCM. Level changes are stamped
// with the count of instructions executed; EmulationSpeed instructions are 55 ms of emulated
// time, so the pitch follows the emulated clock, not the host's.
#pragma once

#include <cstdint>
#include <vector>

namespace homemicro {

inline constexpr double kTickSeconds = 0.055;
inline constexpr int kMaxBufferedSeconds = 4;

class SpeakerSynth {
 public:
  // `sampleRate` in Hz (44100 or 48000 in practice); values below 8000 are raised to 8000.
  explicit SpeakerSynth(int sampleRate);

  int SampleRate() const { return sampleRate_; }

  // Instructions per 55 ms from now on; values below 1 are taken as 1.
  void SetEmulationSpeed(int32_t instructionsPerTick);

  // The speaker line becomes `high` at instruction `instruction`. A time before the last one
  // rendered counts as that time.
  void SetLevel(uint64_t instruction, bool high);

  // Starts afresh at instruction `instruction` with the line at `high` (after a snapshot
  // load): nothing is rendered for the time before it, and the filters start from rest.
  void Restart(uint64_t instruction, bool high);

  // Renders the samples up to instruction `instruction`.
  void RenderUntil(uint64_t instruction);

  // Samples rendered and not yet taken. The caller drains them (ClearSamples) as it plays
  // or stores them, once per tick or so. Undrained, they are kept for kMaxBufferedSeconds at
  // most: the oldest half is then dropped, so a window without an audio output loses nothing
  // it would have played, and memory stays bounded.
  const std::vector<int16_t>& Samples() const { return samples_; }
  void ClearSamples() { samples_.clear(); }

  bool Level() const { return level_; }

 private:
  void Advance(double samples);
  void EmitSample(double coverage);

  int sampleRate_;
  double instructionsPerSample_ = 1.0;
  uint64_t renderedInstruction_ = 0;
  bool level_ = false;
  // Part of the current output sample already covered, and how much of it the line was high.
  double samplePhase_ = 0.0;
  double highTime_ = 0.0;
  // Filters: a low-pass that rounds the square wave's edges, then a DC blocker, so a line
  // left high or low fades to silence.
  double lowPassCoefficient_;
  double dcBlockCoefficient_;
  double lowPassState_ = 0.0;
  double dcInputState_ = 0.0;
  double dcOutputState_ = 0.0;
  std::vector<int16_t> samples_;
};

}  // namespace homemicro
