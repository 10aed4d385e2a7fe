#include "homemicro/frontend/speaker_synth.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace homemicro {
namespace {

constexpr int kMinimumSampleRate = 8000;
constexpr double kSmoothingHz = 7000.0;  // rounds the edges without dulling the tone
constexpr double kDcBlockHz = 20.0;
constexpr double kAmplitude = 12000.0;  // leaves headroom for the DC blocker's overshoot

}  // namespace

SpeakerSynth::SpeakerSynth(int sampleRate) : sampleRate_(std::max(sampleRate, kMinimumSampleRate)) {
  const double rate = sampleRate_;
  lowPassCoefficient_ = 1.0 - std::exp(-2.0 * std::numbers::pi * kSmoothingHz / rate);
  dcBlockCoefficient_ = std::exp(-2.0 * std::numbers::pi * kDcBlockHz / rate);
  // Reserved once, so rendering inside a tick never allocates.
  samples_.reserve(static_cast<std::size_t>(sampleRate_) * kMaxBufferedSeconds);
  SetEmulationSpeed(13750);
}

void SpeakerSynth::SetEmulationSpeed(int32_t instructionsPerTick) {
  const double perTick = std::max<int32_t>(instructionsPerTick, 1);
  instructionsPerSample_ = perTick / (kTickSeconds * sampleRate_);
}

void SpeakerSynth::SetLevel(uint64_t instruction, bool high) {
  RenderUntil(instruction);
  level_ = high;
}

void SpeakerSynth::Restart(uint64_t instruction, bool high) {
  renderedInstruction_ = instruction;
  level_ = high;
  samplePhase_ = highTime_ = 0.0;
  lowPassState_ = dcInputState_ = high ? 1.0 : 0.0;
  dcOutputState_ = 0.0;
}

void SpeakerSynth::RenderUntil(uint64_t instruction) {
  if (instruction <= renderedInstruction_) return;
  Advance(static_cast<double>(instruction - renderedInstruction_) / instructionsPerSample_);
  renderedInstruction_ = instruction;
}

void SpeakerSynth::Advance(double samples) {
  // Each output sample is the share of its period the line was high (a box filter), so an
  // edge between two samples lands proportionally instead of snapping to one of them.
  while (samples > 0.0) {
    const double step = std::min(samples, 1.0 - samplePhase_);
    if (level_) highTime_ += step;
    samplePhase_ += step;
    samples -= step;
    if (samplePhase_ >= 1.0 - 1e-9) {
      EmitSample(highTime_);
      samplePhase_ = 0.0;
      highTime_ = 0.0;
    }
  }
}

void SpeakerSynth::EmitSample(double coverage) {
  lowPassState_ += lowPassCoefficient_ * (coverage - lowPassState_);
  const double blocked = lowPassState_ - dcInputState_ + dcBlockCoefficient_ * dcOutputState_;
  dcInputState_ = lowPassState_;
  dcOutputState_ = blocked;
  const double scaled = std::clamp(blocked * kAmplitude, -32768.0, 32767.0);
  if (samples_.size() == samples_.capacity()) {
    samples_.erase(samples_.begin(), samples_.begin() + static_cast<std::ptrdiff_t>(samples_.size() / 2));
  }
  samples_.push_back(static_cast<int16_t>(std::lround(scaled)));
}

}  // namespace homemicro
