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

}  // namespace

KeyDelivery TranslateKey(uint16_t virtualKey, uint8_t shiftState) {
  if (virtualKey == vk::Escape) return {.Stop = true, .Code = 0};
  const uint16_t code =
      (shiftState & kShiftBit) ? LookUp(kShiftedTable, virtualKey) : LookUp(kPlainTable, virtualKey);
  return {.Stop = false, .Code = static_cast<uint8_t>(code & 0177)};
}

bool RecordKeyPress(FrontEndSettings& settings, PendingPress& pending, uint16_t virtualKey,
                    uint8_t shiftState) {
  // Drops the PC's own key repeat and any second key pressed while one is down.
  if (settings.KeyHeld) return false;
  if (IsModifierKey(virtualKey) && (shiftState & (kShiftBit | kAltBit | kCtrlBit)) != 0) return false;
  settings.KeyHeld = true;
  settings.KeyPending = true;
  pending.PendingKey = virtualKey;
  pending.PendingShift = shiftState;
  return true;
}

}  // namespace homemicro
