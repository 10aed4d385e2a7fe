#include "homemicro/frontend/typing.h"

#include <cstring>
#include <string>

#include "homemicro/frontend/virtual_keys.h"

namespace homemicro {
namespace {

// The US keyboard's shifted symbols and the keys that carry them.
constexpr char kShiftedSymbols[] = "!@#$%^&*()_+{}|:\"<>?~";
constexpr uint16_t kShiftedSymbolKeys[] = {
    '1',
    '2',
    '3',
    '4',
    '5',
    '6',
    '7',
    '8',
    '9',
    '0',
    vk::Minus,
    vk::Equals,
    vk::LeftBracket,
    vk::RightBracket,
    vk::Backslash,
    vk::Semicolon,
    vk::Apostrophe,
    vk::Comma,
    vk::Period,
    vk::Slash,
    vk::Backquote,
};
constexpr char kPlainSymbols[] = "-=[]\\;',./` ";
constexpr uint16_t kPlainSymbolKeys[] = {
    vk::Minus,      vk::Equals, vk::LeftBracket, vk::RightBracket, vk::Backslash, vk::Semicolon,
    vk::Apostrophe, vk::Comma,  vk::Period,      vk::Slash,        vk::Backquote, vk::Space,
};
static_assert(sizeof(kShiftedSymbols) - 1 == std::size(kShiftedSymbolKeys));
static_assert(sizeof(kPlainSymbols) - 1 == std::size(kPlainSymbolKeys));

bool RunTicks(EmulatorSession& session, int ticks, TypingResult& result) {
  for (int i = 0; i < ticks; ++i) {
    result.LastOutcome = session.Tick();
    if (result.LastOutcome != TickOutcome::Completed) {
      result.Ok = false;
      result.Error = "the machine stopped while typing";
      return false;
    }
  }
  return true;
}

}  // namespace

std::optional<KeyStroke> KeyStrokeForCharacter(char character) {
  if (character >= 'A' && character <= 'Z') return KeyStroke{static_cast<uint16_t>(character), 0};
  if (character >= 'a' && character <= 'z') return KeyStroke{static_cast<uint16_t>(character - 'a' + 'A'), 0};
  if (character >= '0' && character <= '9') return KeyStroke{static_cast<uint16_t>(character), 0};
  switch (character) {
    case '\n':
      return KeyStroke{vk::Enter, 0};
    case '\t':
      return KeyStroke{vk::Tab, 0};
    case '\b':
      return KeyStroke{vk::Backspace, 0};
    case '\x1b':
      return KeyStroke{vk::Escape, 0};
    case '\0':
      return std::nullopt;
    default:
      break;
  }
  if (const char* at = std::strchr(kShiftedSymbols, character)) {
    return KeyStroke{kShiftedSymbolKeys[at - kShiftedSymbols], kShiftBit};
  }
  if (const char* at = std::strchr(kPlainSymbols, character)) {
    return KeyStroke{kPlainSymbolKeys[at - kPlainSymbols], 0};
  }
  return std::nullopt;
}

TypingResult TypeText(EmulatorSession& session, std::string_view text, int ticksHeld, int ticksReleased) {
  TypingResult result;
  for (char character : text) {
    const std::optional<KeyStroke> stroke = KeyStrokeForCharacter(character);
    if (!stroke) {
      result.Ok = false;
      result.Error =
          "no key types the character with code " + std::to_string(static_cast<unsigned char>(character));
      return result;
    }
    session.KeyDown(stroke->VirtualKey, stroke->ShiftState);
    if (!RunTicks(session, ticksHeld, result)) return result;
    session.KeyUp();
    ++result.Typed;
    if (!RunTicks(session, ticksReleased, result)) return result;
  }
  return result;
}

}  // namespace homemicro
