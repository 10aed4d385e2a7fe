#include "homemicro/frontend/qt_keys.h"

#include <gtest/gtest.h>

#include "homemicro/frontend/key_translation.h"
#include "homemicro/frontend/virtual_keys.h"

namespace homemicro {
namespace {

struct QtKeyCase {
  int Key;
  int Modifiers;
  uint16_t VirtualKey;
};

TEST(QtKeys, QtKeyEventsMapToUsLayoutVirtualKeys) {
  const QtKeyCase cases[] = {
      {'A', 0, 'A'},
      {'Z', qtmod::Shift, 'Z'},
      {'a', 0, 'A'},
      {'5', 0, '5'},
      {'@', qtmod::Shift, '2'},
      {')', qtmod::Shift, '0'},
      {'~', qtmod::Shift, vk::Backquote},
      {'`', 0, vk::Backquote},
      {':', qtmod::Shift, vk::Semicolon},
      {'"', qtmod::Shift, vk::Apostrophe},
      {'\'', 0, vk::Apostrophe},
      {'_', qtmod::Shift, vk::Minus},
      {'{', qtmod::Shift, vk::LeftBracket},
      {'|', qtmod::Shift, vk::Backslash},
      {'?', qtmod::Shift, vk::Slash},
      {'+', qtmod::Shift, vk::Equals},
      {' ', 0, vk::Space},
      {qtkey::Backtab, qtmod::Shift, vk::Tab},
      {qtkey::Escape, 0, vk::Escape},
      {qtkey::Return, 0, vk::Enter},
      {qtkey::Enter, qtmod::Keypad, vk::Enter},
      {'0', qtmod::Keypad, vk::Numpad0},
      {'9', qtmod::Keypad, vk::Numpad0 + 9},
      {'*', qtmod::Keypad, vk::Multiply},
      {'*', qtmod::Shift, '8'},
      {'-', qtmod::Keypad, vk::Subtract},
      {'.', qtmod::Keypad, vk::Decimal},
      {qtkey::Home, qtmod::Keypad, vk::Home},
      {qtkey::Left, 0, vk::Left},
      {qtkey::Down, 0, vk::Down},
      {qtkey::Insert, 0, vk::Insert},
      {qtkey::Delete, 0, vk::Delete},
      {qtkey::Backspace, 0, vk::Backspace},
      {qtkey::F1, 0, vk::F1},
      {qtkey::F1 + 11, qtmod::Control, vk::F12},
      {qtkey::ScrollLock, 0, vk::ScrollLock},
      {qtkey::Shift, qtmod::Shift, vk::Shift},
      {qtkey::Control, 0, vk::Control},
      {qtkey::Alt, 0, vk::Alt},
      {0x0424, 0, 'A'},
      {0x0419, 0, 'Q'},  // Ф and Й of the Russian layout
      {0x0416, 0, vk::Semicolon},
      {0x044f, 0, 'Z'},  // Ж, я
      {0x00e9, 0, 0},
      {0x01000100, 0, 0},  // no virtual key
  };
  for (const QtKeyCase& c : cases) {
    EXPECT_EQ(QtKeyToVirtualKey(c.Key, c.Modifiers), c.VirtualKey) << std::hex << c.Key << " " << c.Modifiers;
  }
}

TEST(QtKeys, ModifierFlagsBecomeShiftStateBits) {
  EXPECT_EQ(QtModifiersToShiftState('A', 0), 0);
  EXPECT_EQ(QtModifiersToShiftState('A', qtmod::Shift | qtmod::Keypad), kShiftBit);
  EXPECT_EQ(QtModifiersToShiftState('A', qtmod::Alt | qtmod::Control | qtmod::Meta), kAltBit | kCtrlBit);
  // A modifier key counts as held in its own press even when the platform leaves the flag out.
  EXPECT_EQ(QtModifiersToShiftState(qtkey::Shift, 0), kShiftBit);
  EXPECT_EQ(QtModifiersToShiftState(qtkey::Control, 0), kCtrlBit);
  EXPECT_EQ(QtModifiersToShiftState(qtkey::Alt, 0), kAltBit);
}

TEST(QtKeys, ShiftedQtKeysReachTheShiftedBkCodes) {
  // The whole path a window takes: Qt event -> virtual key and shift state -> BK code.
  struct Case {
    int Key;
    int Modifiers;
    uint8_t Code;
  } const cases[] = {
      {'@', qtmod::Shift, 0100},          {'~', qtmod::Shift, 0100}, {'!', qtmod::Shift, 041},
      {qtkey::Return, qtmod::Shift, 015}, {'0', qtmod::Keypad, '0'}, {'a', 0, 0101},
      {'+', qtmod::Keypad, '+'},          {'*', qtmod::Keypad, '*'}, {'-', qtmod::Keypad, '-'},
      {'/', qtmod::Keypad, '/'},          {'7', qtmod::Keypad, '7'}, {'q', qtmod::Control, 021},
  };
  for (const auto& c : cases) {
    const KeyDelivery delivery =
        TranslateKey(QtKeyToVirtualKey(c.Key, c.Modifiers), QtModifiersToShiftState(c.Key, c.Modifiers));
    EXPECT_EQ(delivery.Code, c.Code) << std::hex << c.Key;
    EXPECT_FALSE(delivery.None) << std::hex << c.Key;
  }
  // Super, Menu and keys Qt has no virtual key for type nothing.
  for (int key : {qtkey::Meta, qtkey::Menu, 0x01000100, qtkey::CapsLock, qtkey::PageUp}) {
    EXPECT_TRUE(TranslateKey(QtKeyToVirtualKey(key, 0), QtModifiersToShiftState(key, 0)).None)
        << std::hex << key;
  }
}

}  // namespace
}  // namespace homemicro
