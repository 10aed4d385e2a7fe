// The front end's own settings and run state, beside the settings it shares with the core
// (FrontEndSettings: StartAddress, RomFileName, StartDirectory, RomWriteControl, SoundOn,
// SpeakerPortValue, KeyHeld, KeyPending).
#pragma once

#include <cstdint>

#include "homemicro/frontend/color_table.h"
#include "homemicro/frontend/key_translation.h"
#include "homemicro/frontend/run_state.h"

namespace homemicro {

// The break address value that means no break point is set.
inline constexpr uint16_t kNoBreakAddress = 0177600;

struct FrontEndState {
  int32_t EmulationSpeed = 13750;  // instructions per 55 ms tick
  int32_t RepaintCount = 5;        // slices per tick, one screen update each
  uint16_t BreakAddress = kNoBreakAddress;
  bool OneBitMode = true;
  Palette PaletteEntries = kDefaultPalette;
  uint32_t BorderColor = 0;  // 0x00BBGGRR
  PendingPress Pending;

  // Play or Stop, the run timer and the tracer, from one record.
  RunState Run;
  // sbSound keeps the user's choice when no audio output exists (SoundOn is then false).
  bool SoundDown = true;
  bool SoundAvailable = true;  // sbSound enabled
  // The main window's size in normal (not full-screen) state; 0: the default.
  int WindowWidth = 0;
  int WindowHeight = 0;
};

}  // namespace homemicro
