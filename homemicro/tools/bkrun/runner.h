// The run loop without a window: instructions in ticks, typed keys between ticks, a break point.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "homemicro/core/machine.h"

namespace bkrun {

struct RunLimits {
  std::optional<long long> steps;  // instructions
  std::optional<long long> ticks;
  long speed = 13750;              // instructions per tick
  std::optional<uint16_t> breakAddress;
  std::string keys;                // BK key codes; 033 is the STOP key
};

enum class RunEnd { LimitReached, BreakReached };

// Runs until the first limit is reached (nothing runs without --steps or --ticks). Key k is
// pressed at the start of tick 2k+1 and released at its end, so the machine gets a tick to
// start up and sees every key released before the next one arrives.
RunEnd RunMachine(homemicro::Machine& machine, const RunLimits& limits);

}  // namespace bkrun
