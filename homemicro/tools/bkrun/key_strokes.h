// The PC key press that makes a given BK key code, so that typed text goes through the same
// key latch and translation tables as a key pressed in the window.
#pragma once

#include <cstdint>
#include <optional>

#include "homemicro/frontend/typing.h"

namespace bkrun {

// A press whose translation gives `code` (0..0177): the key that types the character when it
// gives that code, otherwise the first key (by virtual key number, plain before shifted; with
// Ctrl only when no key makes it otherwise) that does. Command keys, modifier keys and Esc are never chosen.
// Nothing for codes above 0177.
std::optional<homemicro::KeyStroke> KeyStrokeForCode(uint8_t code);

// The machine's STOP key (Esc).
homemicro::KeyStroke StopKeyStroke();

// True for the keys the main window keeps for itself: F1, F4, F6, F7, F10, F11, F12, ScrollLock.
bool IsCommandKey(uint16_t virtualKey);

}  // namespace bkrun
