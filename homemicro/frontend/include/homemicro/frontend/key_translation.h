// PC key presses to BK key codes: the plain and shifted tables, and the press latch that lets
// one code per press reach the machine.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "homemicro/core/host_services.h"
#include "homemicro/frontend/virtual_keys.h"

namespace homemicro {

// What a press does to the machine when it is delivered.
struct KeyDelivery {
  bool Stop = false;       // the STOP key: a bus-error trap, the keyboard registers untouched
  uint8_t Code = 0;        // otherwise the 7-bit code for the keyboard
  bool Alternate = false;  // АР2 (Alt) held: the interrupt goes through 0274 instead of 060
  bool None = false;       // a key with no BK meaning: nothing reaches the machine
  friend bool operator==(const KeyDelivery&, const KeyDelivery&) = default;
};

// Shift picks the shifted table; keys missing from the chosen table pass their own virtual key
// code. Ctrl is the BK's СУ (codes 0100..0177 become control codes 0..037), Alt its АР2. The
// keypad types its digits and operators. Keys with no BK meaning (Windows, Menu, the locks,
// Page Up/Down, Pause, Print Screen, Clear, unknown keys) give `None`.
KeyDelivery TranslateKey(uint16_t virtualKey, uint8_t shiftState);

// Instructions a queued key waits after the program read the key before it (8 ms at the default
// speed, far quicker than anyone types).
inline constexpr uint32_t kKeySettleInstructions = 2000;

struct QueuedKey {
  uint16_t VirtualKey = 0;
  uint8_t ShiftState = 0;
};

// Accepted presses in the order typed, waiting for the run loop; `KeyHeld` and `KeyPending`
// live in the settings the core shares, since the core reads the one and the tape call clears
// the other (KeyPending false means nothing waits). Fixed size: nothing allocates per key.
struct PendingPress {
  static constexpr std::size_t kCapacity = 64;
  std::array<QueuedKey, kCapacity> Keys{};
  std::size_t Head = 0, Count = 0;
  uint16_t LastKey = 0;  // the last accepted key, whose host repeats are dropped while held
  uint32_t Waited = 0;   // instructions the first key has waited for the machine
  // Instructions since the program read the key before; a key that follows another waits a
  // little after the read, so a handler that reads the register and then stores the code is
  // not interrupted by the next key in between (which would store the keys out of order).
  uint32_t Settled = 0;

  bool Empty() const { return Count == 0; }
  const QueuedKey& Front() const { return Keys[Head]; }
  void Pop() {
    Head = (Head + 1) % kCapacity;
    --Count;
    Waited = Settled = 0;
  }
  void Clear() { Head = Count = Waited = 0; }
  bool Push(QueuedKey key, uint32_t settledAlready) {
    if (Count == kCapacity) return false;
    if (Count == 0) Settled = settledAlready;  // nothing before it to wait for
    Keys[(Head + Count++) % kCapacity] = key;
    return true;
  }
};

// A key press that is not a command key. Returns true when the press was queued. A repeat of
// the key last accepted while it is held is dropped; another key pressed while one is held is
// queued behind it, so overlapping keys all arrive.
bool RecordKeyPress(FrontEndSettings& settings, PendingPress& pending, uint16_t virtualKey,
                    uint8_t shiftState);

// Any key release ends the press, whichever key it is.
inline void EndKeyPress(FrontEndSettings& settings) {
  settings.KeyHeld = false;
}

}  // namespace homemicro
