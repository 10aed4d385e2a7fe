#include "homemicro/frontend/qt_keys.h"

#include <array>
#include <utility>

#include "homemicro/frontend/virtual_keys.h"

namespace homemicro {
namespace {

using Mapping = std::pair<int, uint16_t>;

constexpr std::array<Mapping, 27> kSpecialKeys{{
    {qtkey::Escape, vk::Escape},
    {qtkey::Tab, vk::Tab},
    {qtkey::Backtab, vk::Tab},
    {qtkey::Backspace, vk::Backspace},
    {qtkey::Return, vk::Enter},
    {qtkey::Enter, vk::Enter},
    {qtkey::Insert, vk::Insert},
    {qtkey::Delete, vk::Delete},
    {qtkey::Pause, vk::Pause},
    {qtkey::Print, vk::PrintScreen},
    {qtkey::SysReq, vk::PrintScreen},
    {qtkey::Clear, vk::Clear},
    {qtkey::Home, vk::Home},
    {qtkey::End, vk::End},
    {qtkey::Left, vk::Left},
    {qtkey::Up, vk::Up},
    {qtkey::Right, vk::Right},
    {qtkey::Down, vk::Down},
    {qtkey::PageUp, vk::PageUp},
    {qtkey::PageDown, vk::PageDown},
    {qtkey::Shift, vk::Shift},
    {qtkey::Control, vk::Control},
    {qtkey::Alt, vk::Alt},
    {qtkey::AltGr, vk::Alt},
    {qtkey::CapsLock, vk::CapsLock},
    {qtkey::NumLock, vk::NumLock},
    {qtkey::ScrollLock, vk::ScrollLock},
}};

// Printable characters other than letters and digits, shifted or not, to the US key bearing them.
constexpr std::array<Mapping, 33> kSymbolKeys{{
    {' ', vk::Space},
    {'!', '1'},
    {'@', '2'},
    {'#', '3'},
    {'$', '4'},
    {'%', '5'},
    {'^', '6'},
    {'&', '7'},
    {'*', '8'},
    {'(', '9'},
    {')', '0'},
    {';', vk::Semicolon},
    {':', vk::Semicolon},
    {'=', vk::Equals},
    {'+', vk::Equals},
    {',', vk::Comma},
    {'<', vk::Comma},
    {'-', vk::Minus},
    {'_', vk::Minus},
    {'.', vk::Period},
    {'>', vk::Period},
    {'/', vk::Slash},
    {'?', vk::Slash},
    {'`', vk::Backquote},
    {'~', vk::Backquote},
    {'[', vk::LeftBracket},
    {'{', vk::LeftBracket},
    {'\\', vk::Backslash},
    {'|', vk::Backslash},
    {']', vk::RightBracket},
    {'}', vk::RightBracket},
    {'\'', vk::Apostrophe},
    {'"', vk::Apostrophe},
}};

constexpr std::array<Mapping, 6> kKeypadSymbols{{
    {'*', vk::Multiply},
    {'+', vk::Add},
    {'-', vk::Subtract},
    {'.', vk::Decimal},
    {',', vk::Decimal},
    {'/', vk::Divide},
}};

// The US key of each Cyrillic capital letter А..Я (U+0410..U+042F) on the usual Russian layout.
constexpr std::array<uint16_t, 32> kCyrillicKeys{{
    'F',           vk::Comma, 'D',
    'U',           'L',       'T',
    vk::Semicolon, 'P',  // А Б В Г Д Е Ж З
    'B',           'Q',       'R',
    'K',           'V',       'Y',
    'J',           'G',  // И Й К Л М Н О П
    'H',           'C',       'N',
    'E',           'A',       vk::LeftBracket,
    'W',           'X',  // Р С Т У Ф Х Ц Ч
    'I',           'O',       vk::RightBracket,
    'S',           'M',       vk::Apostrophe,
    vk::Period,    'Z',  // Ш Щ Ъ Ы Ь Э Ю Я
}};
constexpr int kCyrillicCapitalA = 0x0410;
constexpr int kCyrillicSmallA = 0x0430;
constexpr int kCyrillicCapitalYo = 0x0401;
constexpr int kCyrillicSmallYo = 0x0451;

template <std::size_t N>
uint16_t Find(const std::array<Mapping, N>& table, int qtKey) {
  for (const Mapping& row : table) {
    if (row.first == qtKey) return row.second;
  }
  return 0;
}

}  // namespace

uint16_t QtKeyToVirtualKey(int qtKey, int qtModifiers) {
  const bool keypad = (qtModifiers & qtmod::Keypad) != 0;
  if (keypad && qtKey >= '0' && qtKey <= '9') return static_cast<uint16_t>(vk::Numpad0 + (qtKey - '0'));
  if (keypad) {
    if (uint16_t key = Find(kKeypadSymbols, qtKey)) return key;
  }
  if ((qtKey >= '0' && qtKey <= '9') || (qtKey >= 'A' && qtKey <= 'Z')) return static_cast<uint16_t>(qtKey);
  if (qtKey >= 'a' && qtKey <= 'z') return static_cast<uint16_t>(qtKey - 'a' + 'A');
  if (qtKey >= qtkey::F1 && qtKey <= qtkey::F24) return static_cast<uint16_t>(vk::F1 + (qtKey - qtkey::F1));
  if (qtKey >= kCyrillicCapitalA && qtKey < kCyrillicCapitalA + 32) {
    return kCyrillicKeys[static_cast<std::size_t>(qtKey - kCyrillicCapitalA)];
  }
  if (qtKey >= kCyrillicSmallA && qtKey < kCyrillicSmallA + 32) {
    return kCyrillicKeys[static_cast<std::size_t>(qtKey - kCyrillicSmallA)];
  }
  if (qtKey == kCyrillicCapitalYo || qtKey == kCyrillicSmallYo) return vk::Backquote;
  if (uint16_t key = Find(kSymbolKeys, qtKey)) return key;
  if (uint16_t key = Find(kSpecialKeys, qtKey)) return key;
  if (qtKey == qtkey::Meta) return vk::LeftWindows;
  if (qtKey == qtkey::Menu) return vk::Applications;
  return 0;
}

uint8_t QtModifiersToShiftState(int qtKey, int qtModifiers) {
  uint8_t state = 0;
  if ((qtModifiers & qtmod::Shift) || qtKey == qtkey::Shift) state |= kShiftBit;
  if ((qtModifiers & qtmod::Alt) || qtKey == qtkey::Alt || qtKey == qtkey::AltGr) state |= kAltBit;
  if ((qtModifiers & qtmod::Control) || qtKey == qtkey::Control) state |= kCtrlBit;
  return state;
}

}  // namespace homemicro
