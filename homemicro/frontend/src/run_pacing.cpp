#include "homemicro/frontend/run_pacing.h"

namespace homemicro {
namespace {

// Digits in groups of three, separated by blanks ("250 000").
std::string Grouped(int64_t value) {
  const std::string digits = std::to_string(value < 0 ? -value : value);
  std::string text;
  if (value < 0) text.push_back('-');
  for (std::size_t at = 0; at < digits.size(); ++at) {
    if (at > 0 && (digits.size() - at) % 3 == 0) text.push_back(' ');
    text.push_back(digits[at]);
  }
  return text;
}

}  // namespace

std::string SpeedClockText(int32_t emulationSpeed) {
  const int64_t perSecond = static_cast<int64_t>(emulationSpeed) * 1000 / kTickMilliseconds;
  // Tenths of a MHz, rounded to the nearest.
  const int64_t tenths =
      (static_cast<int64_t>(emulationSpeed) * kRealMachineClockKHz / 100 + kRealMachineSpeed / 2) /
      kRealMachineSpeed;
  return "≈ " + Grouped(perSecond) + " команд/с, как БК с частотой " + std::to_string(tenths / 10) + "," +
         std::to_string(tenths % 10) + " МГц";
}

RunPacing::Slice RunPacing::RunTimerEvent(const std::function<TickOutcome()>& tick,
                                          const std::function<Clock::time_point()>& now) const {
  Slice slice;
  const Clock::time_point start = maxSpeed_ ? now() : Clock::time_point{};
  do {
    slice.Last = tick();
    ++slice.Ticks;
  } while (maxSpeed_ && slice.Last == TickOutcome::Completed && now() - start < kMaxSpeedSlice);
  return slice;
}

}  // namespace homemicro
