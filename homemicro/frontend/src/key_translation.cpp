#include "homemicro/frontend/key_translation.h"

#include <array>
#include <utility>

namespace homemicro {
namespace {

using KeyCodePair = std::pair<uint16_t, uint8_t>;  // virtual key, BK code

constexpr std::array<KeyCodePair, 24> kPlainTable{{
    {vk::Backspace, 030}, {vk::Enter, 012},     {vk::End, 013},          {vk::Home, 023},
    {vk::Left, 010},      {vk::Up, 032},        {vk::Right, 031},        {vk::Down, 033},
    {vk::Insert, 027},    {vk::Delete, 026},    {vk::LeftBracket, 0133}, {vk::RightBracket, 0135},
    {vk::F5, 016},        {vk::F8, 017},        {vk::F9, 014},           {vk::Semicolon, 073},
    {vk::Equals, 075},    {vk::Comma, 054},     {vk::Minus, 055},        {vk::Period, 056},
    {vk::Slash, 057},     {vk::Backquote, 003}, {vk::Backslash, 0134},   {vk::Apostrophe, 0140},
}};

// The US keyboard's shifted symbols.
constexpr std::array<KeyCodePair, 20> kShiftedTable{{
    {'0', 051},
    {'1', 041},
    {'2', 0100},
    {'3', 043},
    {'4', 044},
    {'5', 045},
    {'6', 0136},
    {'7', 046},
    {'8', 052},
    {'9', 050},
    {vk::Semicolon, 072},
    {vk::Equals, 053},
    {vk::Comma, 074},
    {vk::Minus, 0137},
    {vk::Period, 076},
    {vk::Slash, 077},
    {vk::LeftBracket, 0173},
    {vk::Backslash, 0174},
    {vk::RightBracket, 0175},
    {vk::Apostrophe, 042},
}};

template <std::size_t N>
uint16_t LookUp(const std::array<KeyCodePair, N>& table, uint16_t virtualKey) {
  for (const KeyCodePair& row : table) {
    if (row.first == virtualKey) return row.second;
  }
  return virtualKey;
}

bool IsModifierKey(uint16_t virtualKey) {
  return virtualKey == vk::Shift || virtualKey == vk::Control || virtualKey == vk::Alt;
}

// Keys the BK keyboard has nothing for; their virtual key numbers would type stray codes.
constexpr std::array<uint16_t, 11> kKeysWithoutMeaning = {
    0,
    vk::Clear,
    vk::Pause,
    vk::CapsLock,
    vk::PageUp,
    vk::PageDown,
    vk::PrintScreen,
    vk::LeftWindows,
    vk::LeftWindows + 1,
    vk::Applications,
    vk::NumLock,
};

// The keypad: 96..105 are the digits, then * + (separator) - . /
constexpr std::array<uint8_t, 16> kKeypadCodes = {'0', '1', '2', '3', '4', '5', '6', '7',
                                                  '8', '9', '*', '+', ',', '-', '.', '/'};

bool HasNoMeaning(uint16_t virtualKey) {
  for (uint16_t key : kKeysWithoutMeaning) {
    if (key == virtualKey) return true;
  }
  return false;
}

}  // namespace

KeyDelivery TranslateKey(uint16_t virtualKey, uint8_t shiftState) {
  if (virtualKey == vk::Escape) return {.Stop = true};
  if (HasNoMeaning(virtualKey)) return {.None = true};
  uint16_t code;
  if (virtualKey >= vk::Numpad0 && virtualKey < vk::Numpad0 + kKeypadCodes.size()) {
    code = kKeypadCodes[virtualKey - vk::Numpad0];
  } else {
    code = (shiftState & kShiftBit) ? LookUp(kShiftedTable, virtualKey) : LookUp(kPlainTable, virtualKey);
  }
  code &= 0177;
  if ((shiftState & kCtrlBit) && code >= 0100) code &= 037;  // СУ
  return {.Code = static_cast<uint8_t>(code), .Alternate = (shiftState & kAltBit) != 0};
}

bool RecordKeyPress(FrontEndSettings& settings, PendingPress& pending, uint16_t virtualKey,
                    uint8_t shiftState) {
  if (settings.KeyHeld && virtualKey == pending.LastKey) return false;  // the host's key repeat
  if (IsModifierKey(virtualKey) && (shiftState & (kShiftBit | kAltBit | kCtrlBit)) != 0) return false;
  if (TranslateKey(virtualKey, shiftState).None) return false;
  // The tape call clears KeyPending when its dialog took the keys: what waited is dropped.
  if (!settings.KeyPending) pending.Clear();
  if (!pending.Push({virtualKey, shiftState}, kKeySettleInstructions)) return false;
  settings.KeyHeld = true;
  settings.KeyPending = true;
  pending.LastKey = virtualKey;
  return true;
}

}  // namespace homemicro
