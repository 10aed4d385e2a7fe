// Qt key codes and modifier flags to Windows virtual-key numbers and shift state bits, so that
// the keyboard tables apply unchanged. Qt's enum values are passed as plain ints: this file
// needs no Qt headers.
#pragma once

#include <cstdint>

namespace homemicro {

// The Qt::Key and Qt::KeyboardModifier values this mapping uses (stable across Qt 5 and 6).
namespace qtkey {
inline constexpr int Escape = 0x01000000;
inline constexpr int Tab = 0x01000001;
inline constexpr int Backtab = 0x01000002;
inline constexpr int Backspace = 0x01000003;
inline constexpr int Return = 0x01000004;
inline constexpr int Enter = 0x01000005;
inline constexpr int Insert = 0x01000006;
inline constexpr int Delete = 0x01000007;
inline constexpr int Pause = 0x01000008;
inline constexpr int Print = 0x01000009;
inline constexpr int SysReq = 0x0100000a;
inline constexpr int Clear = 0x0100000b;
inline constexpr int Home = 0x01000010;
inline constexpr int End = 0x01000011;
inline constexpr int Left = 0x01000012;
inline constexpr int Up = 0x01000013;
inline constexpr int Right = 0x01000014;
inline constexpr int Down = 0x01000015;
inline constexpr int PageUp = 0x01000016;
inline constexpr int PageDown = 0x01000017;
inline constexpr int Shift = 0x01000020;
inline constexpr int Control = 0x01000021;
inline constexpr int Meta = 0x01000022;
inline constexpr int Alt = 0x01000023;
inline constexpr int CapsLock = 0x01000024;
inline constexpr int NumLock = 0x01000025;
inline constexpr int ScrollLock = 0x01000026;
inline constexpr int F1 = 0x01000030;  // F1..F24 are consecutive
inline constexpr int F24 = 0x01000047;
inline constexpr int Menu = 0x01000055;
inline constexpr int AltGr = 0x01001103;
}  // namespace qtkey

namespace qtmod {
inline constexpr int Shift = 0x02000000;
inline constexpr int Control = 0x04000000;
inline constexpr int Alt = 0x08000000;
inline constexpr int Meta = 0x10000000;
inline constexpr int Keypad = 0x20000000;
}  // namespace qtmod

// The virtual key of a Qt key event (QKeyEvent::key() and modifiers()), as a US layout places
// it: a shifted symbol maps back to the key that carries it ('@' is the 2 key), a Cyrillic
// letter to the key it shares with a Latin letter on the usual Russian layout, and the keypad
// flag selects the keypad's own numbers. 0 for a key with no virtual key.
uint16_t QtKeyToVirtualKey(int qtKey, int qtModifiers);

// Shift state bits (kShiftBit, kAltBit, kCtrlBit) of a Qt key event. A modifier key counts as
// held in its own press, as on Windows, whether or not the platform reports it so.
uint8_t QtModifiersToShiftState(int qtKey, int qtModifiers);

}  // namespace homemicro
