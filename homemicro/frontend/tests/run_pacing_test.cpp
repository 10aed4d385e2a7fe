#include "homemicro/frontend/run_pacing.h"

#include <gtest/gtest.h>

#include <vector>

namespace homemicro {
namespace {

using namespace std::chrono_literals;

// A clock that moves only when a tick says so.
struct FakeTicks {
  RunPacing::Clock::time_point now{};
  std::vector<std::chrono::milliseconds> durations;  // host time of each tick, the last repeats
  std::vector<TickOutcome> outcomes;                 // the last repeats
  int ran = 0;

  TickOutcome Tick() {
    const auto at = static_cast<size_t>(ran);
    now += durations[std::min(at, durations.size() - 1)];
    ++ran;
    return outcomes[std::min(at, outcomes.size() - 1)];
  }
};

TEST(RunPacing, MaximumSpeedRunsTicksUntilTheSliceOfHostTimeIsUsed) {
  struct Case {
    const char* What;
    bool MaxSpeed;
    std::vector<std::chrono::milliseconds> Durations;
    std::vector<TickOutcome> Outcomes;
    int Ticks;
    TickOutcome Last;
  } const cases[] = {
      {"set speed: one tick per timer event",
       false,
       {1ms},
       {TickOutcome::Completed},
       1,
       TickOutcome::Completed},
      {"7 ms ticks: the fifth crosses 30 ms",
       true,
       {7ms},
       {TickOutcome::Completed},
       5,
       TickOutcome::Completed},
      {"exactly 30 ms after three", true, {10ms}, {TickOutcome::Completed}, 3, TickOutcome::Completed},
      {"a slow tick still runs once", true, {100ms}, {TickOutcome::Completed}, 1, TickOutcome::Completed},
      {"a break point ends the slice",
       true,
       {1ms},
       {TickOutcome::Completed, TickOutcome::Completed, TickOutcome::StoppedAtBreak},
       3,
       TickOutcome::StoppedAtBreak},
      {"a failure ends the slice", true, {1ms}, {TickOutcome::Failed}, 1, TickOutcome::Failed},
      {"a stopped machine ends the slice",
       true,
       {0ms},
       {TickOutcome::Completed, TickOutcome::NotRunning},
       2,
       TickOutcome::NotRunning},
      {"the end of the program", true, {0ms}, {TickOutcome::EndProgram}, 1, TickOutcome::EndProgram},
  };
  for (const Case& c : cases) {
    FakeTicks fake{{}, c.Durations, c.Outcomes};
    RunPacing pacing;
    pacing.SetMaxSpeed(c.MaxSpeed);
    const RunPacing::Slice slice =
        pacing.RunTimerEvent([&] { return fake.Tick(); }, [&] { return fake.now; });
    EXPECT_EQ(slice.Ticks, c.Ticks) << c.What;
    EXPECT_EQ(fake.ran, c.Ticks) << c.What;
    EXPECT_EQ(slice.Last, c.Last) << c.What;
  }
}

TEST(RunPacing, TimerIntervalAndSoundFollowTheMode) {
  RunPacing pacing;
  EXPECT_EQ(pacing.TimerIntervalMilliseconds(), 55);
  EXPECT_FALSE(pacing.SoundMuted());
  pacing.SetMaxSpeed(true);
  EXPECT_EQ(pacing.TimerIntervalMilliseconds(), 0);
  EXPECT_TRUE(pacing.SoundMuted());
  pacing.SetMaxSpeed(false);
  EXPECT_EQ(pacing.TimerIntervalMilliseconds(), 55);
}

TEST(RunPacing, SpeedTextNamesInstructionsPerSecondAndTheMachineClock) {
  struct Case {
    int32_t Speed;
    const char* Text;
  } const cases[] = {
      {13750, "≈ 250 000 команд/с, как БК с частотой 3,0 МГц"},
      {100, "≈ 1 818 команд/с, как БК с частотой 0,0 МГц"},
      {27500, "≈ 500 000 команд/с, как БК с частотой 6,0 МГц"},
      {50000, "≈ 909 090 команд/с, как БК с частотой 10,9 МГц"},
      {4583, "≈ 83 327 команд/с, как БК с частотой 1,0 МГц"},
  };
  for (const Case& c : cases) EXPECT_EQ(SpeedClockText(c.Speed), c.Text) << c.Speed;
}

}  // namespace
}  // namespace homemicro
