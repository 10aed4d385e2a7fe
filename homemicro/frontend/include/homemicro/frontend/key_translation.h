// PC key presses to BK key codes: the plain and shifted tables, and the press latch that lets
// one code per press reach the machine.
#pragma once

#include <cstddef>
#include <cstdint>

#include "homemicro/core/host_services.h"
#include "homemicro/frontend/virtual_keys.h"

namespace homemicro {

// What a press does to the machine when it is delivered.
struct KeyDelivery {
  bool Stop = false;  // the STOP key: a bus-error trap, the keyboard registers untouched
  uint8_t Code = 0;   // otherwise the 7-bit code for the keyboard
  friend bool operator==(const KeyDelivery&, const KeyDelivery&) = default;
};

// Only the Shift bit of `shiftState` matters. Keys missing from the chosen table pass their
// own virtual key code; either way the code is cut to 7 bits.
KeyDelivery TranslateKey(uint16_t virtualKey, uint8_t shiftState);

// The press waiting for the run loop; `KeyHeld` and `KeyPending` live in the settings the
// core shares, since the core reads the one and the tape call clears the other.
struct PendingPress {
  uint16_t PendingKey = 0;   // virtual key code
  uint8_t PendingShift = 0;  // shift state bits
};

// A key press that is not a command key. Returns true when the press was accepted.
bool RecordKeyPress(FrontEndSettings& settings, PendingPress& pending, uint16_t virtualKey,
                    uint8_t shiftState);

// Any key release ends the press, whichever key it is.
inline void EndKeyPress(FrontEndSettings& settings) {
  settings.KeyHeld = false;
}

}  // namespace homemicro
