// Windows virtual-key numbers: the key codes the keyboard tables and the command keys use,
// whatever the host's own key numbering (see qt_keys.h for the mapping from Qt).
#pragma once

#include <cstdint>

namespace homemicro::vk {

inline constexpr uint16_t Backspace = 8;
inline constexpr uint16_t Tab = 9;
inline constexpr uint16_t Clear = 12;
inline constexpr uint16_t Enter = 13;
inline constexpr uint16_t Shift = 16;
inline constexpr uint16_t Control = 17;
inline constexpr uint16_t Alt = 18;
inline constexpr uint16_t Pause = 19;
inline constexpr uint16_t CapsLock = 20;
inline constexpr uint16_t Escape = 27;
inline constexpr uint16_t Space = 32;
inline constexpr uint16_t PageUp = 33;
inline constexpr uint16_t PageDown = 34;
inline constexpr uint16_t End = 35;
inline constexpr uint16_t Home = 36;
inline constexpr uint16_t Left = 37;
inline constexpr uint16_t Up = 38;
inline constexpr uint16_t Right = 39;
inline constexpr uint16_t Down = 40;
inline constexpr uint16_t PrintScreen = 44;
inline constexpr uint16_t Insert = 45;
inline constexpr uint16_t Delete = 46;
inline constexpr uint16_t Digit0 = 48;   // '0'..'9' are 48..57
inline constexpr uint16_t LetterA = 65;  // 'A'..'Z' are 65..90
inline constexpr uint16_t LeftWindows = 91;
inline constexpr uint16_t Applications = 93;
inline constexpr uint16_t Numpad0 = 96;  // keypad digits are 96..105
inline constexpr uint16_t Multiply = 106;
inline constexpr uint16_t Add = 107;
inline constexpr uint16_t Subtract = 109;
inline constexpr uint16_t Decimal = 110;
inline constexpr uint16_t Divide = 111;
inline constexpr uint16_t F1 = 112;  // F1..F24 are 112..135
inline constexpr uint16_t F2 = 113;
inline constexpr uint16_t F3 = 114;
inline constexpr uint16_t F4 = 115;
inline constexpr uint16_t F5 = 116;
inline constexpr uint16_t F6 = 117;
inline constexpr uint16_t F7 = 118;
inline constexpr uint16_t F8 = 119;
inline constexpr uint16_t F9 = 120;
inline constexpr uint16_t F10 = 121;
inline constexpr uint16_t F11 = 122;
inline constexpr uint16_t F12 = 123;
inline constexpr uint16_t NumLock = 144;
inline constexpr uint16_t ScrollLock = 145;
inline constexpr uint16_t Semicolon = 186;
inline constexpr uint16_t Equals = 187;
inline constexpr uint16_t Comma = 188;
inline constexpr uint16_t Minus = 189;
inline constexpr uint16_t Period = 190;
inline constexpr uint16_t Slash = 191;
inline constexpr uint16_t Backquote = 192;
inline constexpr uint16_t LeftBracket = 219;
inline constexpr uint16_t Backslash = 220;
inline constexpr uint16_t RightBracket = 221;
inline constexpr uint16_t Apostrophe = 222;

}  // namespace homemicro::vk

namespace homemicro {

// Shift state bits of a key event.
inline constexpr uint8_t kShiftBit = 1;
inline constexpr uint8_t kAltBit = 2;
inline constexpr uint8_t kCtrlBit = 4;

}  // namespace homemicro
