#include "runner.h"

namespace bkrun {
namespace {

constexpr char kStopKey = '\033';

void DeliverKey(homemicro::Machine& machine, char key) {
  if (key == kStopKey) {
    machine.BusError();
  } else {
    machine.KeyboardInput(static_cast<uint16_t>(key & 0177));
  }
}

}  // namespace

RunEnd RunMachine(homemicro::Machine& machine, const RunLimits& limits) {
  homemicro::FrontEndSettings& settings = machine.Settings();
  const auto& pc = machine.State().R[homemicro::kPC];
  long long executed = 0;
  size_t nextKey = 0;
  char pendingKey = 0;
  for (long long tick = 0; limits.steps || limits.ticks; ++tick) {
    if (limits.ticks && tick >= *limits.ticks) break;
    if (tick % 2 == 1 && nextKey < limits.keys.size()) {
      pendingKey = limits.keys[nextKey++];
      settings.KeyHeld = true;
      settings.KeyPending = true;
    }
    for (long i = 0; i < limits.speed; ++i) {
      if (limits.steps && executed >= *limits.steps) return RunEnd::LimitReached;
      if (limits.breakAddress && pc == *limits.breakAddress) return RunEnd::BreakReached;
      machine.Step();
      machine.TimerTick();
      ++executed;
      if (settings.KeyPending) DeliverKey(machine, pendingKey);
      settings.KeyPending = false;
    }
    settings.KeyHeld = false;
  }
  return RunEnd::LimitReached;
}

}  // namespace bkrun
