// Where the speaker's PCM goes: QAudioSink on the default output device, or a stand-in for
// tests. The start-up probe asks Available(): without a device the program runs silent.
#pragma once

#include <cstdint>
#include <memory>
#include <span>

class SoundOutput {
 public:
  virtual ~SoundOutput() = default;
  virtual bool Available() const = 0;
  virtual int SampleRate() const = 0;
  // 16-bit mono samples; what the device cannot take now is dropped, never queued up.
  virtual void Play(std::span<const int16_t> samples) = 0;
};

// The default audio output device through QAudioSink (push mode).
std::unique_ptr<SoundOutput> MakeAudioSinkOutput();
