// A test hook: with HOMEMICRO_SCREEN_PROBE="TICKS:FILE" set, the window writes the machine's
// picture as it shows it (the 512 x 256 area at the current scale) to FILE after TICKS run-timer
// events, and closes. A script can so check that an installed program boots to its ROM's screen.
#pragma once

class TfmMain;

inline constexpr const char* kScreenProbeVariable = "HOMEMICRO_SCREEN_PROBE";

// Does nothing when the variable is not set; a value without "TICKS:" is refused on stderr.
void ArmScreenProbe(TfmMain& window);
