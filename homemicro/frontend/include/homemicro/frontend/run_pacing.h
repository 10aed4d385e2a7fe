// How fast the run timer drives the machine: the set speed (one tick per 55 ms timer event), or
// maximum speed, where ticks run back to back for a slice of host time and the window then
// handles its events (painting, keys, the tool bar) before the next slice. Also the speed
// setting's meaning in machine time, for the settings dialog.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "homemicro/frontend/run_loop.h"

namespace homemicro {

// The settings dialog's speed box counts instructions per run-timer tick.
inline constexpr std::string_view kSpeedUnit = " команд за 55 мс";
// The default speed runs the machine at the pace of the real one: 250 000 instructions a second
// on its 3 MHz clock.
inline constexpr int32_t kRealMachineSpeed = 13750;
inline constexpr int kRealMachineClockKHz = 3000;
inline constexpr int kTickMilliseconds = 55;

// "≈ 250 000 команд/с, как БК с частотой 3,0 МГц" for 13750.
std::string SpeedClockText(int32_t emulationSpeed);

class RunPacing {
 public:
  using Clock = std::chrono::steady_clock;
  // Host time one slice of maximum speed may take before the window's events are handled.
  static constexpr std::chrono::milliseconds kMaxSpeedSlice{30};

  bool MaxSpeed() const { return maxSpeed_; }
  void SetMaxSpeed(bool on) { maxSpeed_ = on; }
  // The run timer's interval: 55 ms, or 0 (whenever the window is idle) at maximum speed.
  int TimerIntervalMilliseconds() const { return maxSpeed_ ? 0 : kTickMilliseconds; }
  // Sound is muted at maximum speed: its pitch would follow the host.
  bool SoundMuted() const { return maxSpeed_; }

  struct Slice {
    int Ticks = 0;
    TickOutcome Last = TickOutcome::NotRunning;
  };
  // One run-timer event: a single tick at the set speed; at maximum speed ticks until the slice
  // of host time (read from `now`) is used up or a tick ends otherwise than Completed. At least
  // one tick always runs.
  Slice RunTimerEvent(const std::function<TickOutcome()>& tick,
                      const std::function<Clock::time_point()>& now = Clock::now) const;

 private:
  bool maxSpeed_ = false;
};

}  // namespace homemicro
