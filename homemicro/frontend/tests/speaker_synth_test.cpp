#include "homemicro/frontend/speaker_synth.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "homemicro/frontend/wav_file.h"
#include "tone_measure.h"

namespace homemicro {
namespace {

// Toggles the line every `halfPeriod` instructions for `ticks` ticks of `speed` instructions.
void PlaySquareWave(SpeakerSynth& synth, int32_t speed, uint64_t halfPeriod, int ticks) {
  synth.SetEmulationSpeed(speed);
  const uint64_t end = static_cast<uint64_t>(speed) * static_cast<uint64_t>(ticks);
  bool high = false;
  for (uint64_t t = 0; t < end; t += halfPeriod) {
    high = !high;
    synth.SetLevel(t, high);
  }
  synth.RenderUntil(end);
}

TEST(SpeakerSynth, SquareWaveGivesToneAtTheEmulatedFrequency) {
  struct Case {
    int SampleRate;
    int32_t Speed;        // instructions per 55 ms
    uint64_t HalfPeriod;  // instructions
  } const cases[] = {
      {44100, 13750, 125},  // 250000 instructions/s, 250 per cycle
      {48000, 13750, 125}, {44100, 13750, 37},
      {48000, 27500, 125},  // twice the speed: the same program sounds an octave higher
      {44100, 2750, 300},
  };
  for (const Case& c : cases) {
    SpeakerSynth synth(c.SampleRate);
    PlaySquareWave(synth, c.Speed, c.HalfPeriod, 20);
    const double instructionsPerSecond = c.Speed / 0.055;
    const double expected = instructionsPerSecond / (2.0 * static_cast<double>(c.HalfPeriod));
    const double measured = test::MeasureFrequency(synth.Samples(), c.SampleRate, 2000);
    EXPECT_NEAR(measured, expected, expected * 0.005) << c.SampleRate << " Hz, speed " << c.Speed;
    // 20 ticks of 55 ms.
    EXPECT_NEAR(static_cast<double>(synth.Samples().size()), 1.1 * c.SampleRate, 1.0);
  }
}

TEST(SpeakerSynth, NothingWrittenIsSilenceAndAHeldLevelFadesToSilence) {
  SpeakerSynth synth(44100);
  synth.RenderUntil(13750 * 10);
  ASSERT_FALSE(synth.Samples().empty());
  EXPECT_TRUE(std::all_of(synth.Samples().begin(), synth.Samples().end(), [](int16_t s) { return s == 0; }));

  synth.ClearSamples();
  synth.SetLevel(13750 * 10, true);
  synth.RenderUntil(13750 * 30);
  const auto& samples = synth.Samples();
  const int16_t peak = *std::max_element(samples.begin(), samples.end());
  EXPECT_GT(peak, 5000);  // the step is heard as a click of the speaker cone
  EXPECT_LE(std::abs(samples.back()), 1);
}

TEST(SpeakerSynth, EdgesAreSmoothedAndNothingClips) {
  SpeakerSynth synth(44100);
  PlaySquareWave(synth, 13750, 500, 10);
  const auto& samples = synth.Samples();
  const int16_t high = *std::max_element(samples.begin(), samples.end());
  const int16_t low = *std::min_element(samples.begin(), samples.end());
  EXPECT_LT(high, 32767);
  EXPECT_GT(low, -32768);
  int largestStep = 0;
  for (size_t n = 1; n < samples.size(); ++n)
    largestStep = std::max(largestStep, std::abs(samples[n] - samples[n - 1]));
  // An unfiltered square wave jumps its whole swing between two samples.
  EXPECT_LT(largestStep, (high - low) * 3 / 4);
  EXPECT_GT(largestStep, 0);
}

TEST(SpeakerSynth, ALevelStampedInThePastDoesNotRewind) {
  SpeakerSynth synth(48000);
  synth.RenderUntil(13750);
  const size_t produced = synth.Samples().size();
  synth.SetLevel(100, true);  // earlier than what is rendered: takes effect now
  EXPECT_EQ(synth.Samples().size(), produced);
  synth.RenderUntil(13750 * 2);
  EXPECT_NE(synth.Samples().back(), 0);
}

TEST(SpeakerSynth, UndrainedSamplesStayBoundedAndKeepTheNewest) {
  SpeakerSynth synth(8000);
  const uint64_t tick = 13750;
  synth.SetLevel(0, true);
  synth.SetLevel(tick * 190, false);  // a click 10.45 s in
  synth.RenderUntil(tick * 200);      // 11 s
  const auto& samples = synth.Samples();
  EXPECT_LE(samples.size(), static_cast<size_t>(8000 * kMaxBufferedSeconds));
  EXPECT_GE(samples.size(), static_cast<size_t>(8000 * kMaxBufferedSeconds / 2));
  // The newest samples are the ones kept: the late click is there.
  EXPECT_LT(*std::min_element(samples.begin(), samples.end()), -5000);
}

TEST(WavFile, HeaderDescribes16BitMonoPcmAndSamplesFollowLittleEndian) {
  const int16_t samples[] = {1, -2, 0x1234};
  const std::vector<uint8_t> expected = {
      'R',  'I',  'F', 'F', 42,   0,    0,    0, 'W',  'A',  'V',  'E',  // 36 + 6 data bytes
      'f',  'm',  't', ' ', 16,   0,    0,    0, 1,    0,    1,    0,    // PCM, one channel
      0x44, 0xac, 0,   0,   0x88, 0x58, 0x01, 0, 2,    0,    16,   0,    // 44100 Hz, 88200 bytes/s
      'd',  'a',  't', 'a', 6,    0,    0,    0, 0x01, 0x00, 0xfe, 0xff, 0x34, 0x12,
  };
  EXPECT_EQ(EncodeWav(samples, 44100), expected);
}

}  // namespace
}  // namespace homemicro
