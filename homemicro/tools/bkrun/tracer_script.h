// --tracer-keys: the tracer's keys pressed on the stopped machine after the run, with the
// answers for its number box, and its panes printed. The same TracerSession as the window's.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "runner.h"

namespace bkrun {

// A key that resumes the machine lets it run this many ticks at most before it is stopped as
// F11 would.
inline constexpr long long kTracerRunTicks = 1000;

// Opens the tracer on the machine (at the break point it stopped at, or as Stop would), presses
// the keys, prints every prompt and then the three panes to standard output. False when a step
// failed (its register dump message is printed as a message box).
bool RunTracerScript(HeadlessEmulator& emulator, const std::vector<TracerKeyPress>& keys, bool atBreak);

}  // namespace bkrun
