// Typing text into the machine through the real key path: each character becomes the US-layout
// key press that produces it, recorded as the window records a key, delivered by the run loop,
// then released.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "homemicro/frontend/emulator_session.h"

namespace homemicro {

struct KeyStroke {
  uint16_t VirtualKey = 0;
  uint8_t ShiftState = 0;
  friend bool operator==(const KeyStroke&, const KeyStroke&) = default;
};

// The key press for a printable ASCII character, '\n' (Enter), '\t' (Tab), '\b' (Backspace)
// or '\x1b' (Esc, the STOP key); nothing for any other character. Letters of either case are
// the letter key without Shift: the machine keeps its own letter case.
std::optional<KeyStroke> KeyStrokeForCharacter(char character);

struct TypingResult {
  bool Ok = true;
  std::size_t Typed = 0;  // characters whose key press was delivered
  TickOutcome LastOutcome = TickOutcome::Completed;
  std::string Error;  // a character without a key, or a tick that did not complete
};

// Types `text`: for each character a press, `ticksHeld` ticks, the release, `ticksReleased`
// ticks. Stops at the first character without a key or the first tick that does not complete.
// The run timer must be enabled.
TypingResult TypeText(EmulatorSession& session, std::string_view text, int ticksHeld = 1,
                      int ticksReleased = 1);

}  // namespace homemicro
