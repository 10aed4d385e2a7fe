// A test hook: with HOMEMICRO_RUN_STATE_FILE set, the window writes the run state to that file
// whenever it changes and after every tick, so a script driving the real program under a window
// manager can check that the machine stays stopped.
#pragma once

#include "homemicro/frontend/emulator_session.h"

inline constexpr const char* kRunStateFileVariable = "HOMEMICRO_RUN_STATE_FILE";

// One line: "timer=T play=P tracer=S visible=V instructions=N pc=OOOOOO" (0 or 1 for the flags:
// the run timer, the Play button, the tracer as the run state wants it, the tracer window as it
// is). Written to a temporary name and renamed, so a reader never sees half a line.
void WriteRunStateProbe(homemicro::EmulatorSession& session, bool tracerVisible);
