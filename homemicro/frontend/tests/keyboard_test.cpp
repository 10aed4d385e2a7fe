#include "homemicro/frontend/key_translation.h"

#include <gtest/gtest.h>

#include <string>

namespace homemicro {
namespace {

struct TranslationCase {
  uint16_t Key;
  uint8_t Shift;
  uint8_t Code;
};

TEST(KeyTranslation, KeysGiveTheirBkCodes) {
  const TranslationCase cases[] = {
      {'A', 0, 0101},
      {'A', kShiftBit, 0101},
      {'Z', kAltBit, 0132},
      {'Z', kCtrlBit, 032},  // СУ makes control codes
      {'A', kCtrlBit | kShiftBit, 001},
      {'2', kCtrlBit | kShiftBit, 000},  // @
      {'1', kCtrlBit, 061},              // below 0100: unchanged
      {'0', 0, 060},
      {'9', 0, 071},
      {vk::Space, 0, 040},
      {vk::Tab, 0, 011},
      {'2', kShiftBit, 0100},
      {'1', kShiftBit, 041},
      {'0', kShiftBit, 051},
      {'6', kShiftBit, 0136},
      {vk::Backquote, 0, 003},
      {vk::Backquote, kShiftBit, 0100},  // 0300 cut to 7 bits
      {vk::Enter, 0, 012},
      {vk::Enter, kShiftBit, 015},  // the shifted table has no Enter
      {vk::Left, 0, 010},
      {vk::Left, kShiftBit, 045},
      {vk::Apostrophe, 0, 0140},
      {vk::Apostrophe, kShiftBit, 042},
      {vk::Numpad0, 0, '0'},  // the keypad types digits and operators
      {vk::Numpad0 + 9, kShiftBit, '9'},
      {vk::Multiply, 0, '*'},
      {vk::Add, 0, '+'},
      {vk::Subtract, 0, '-'},
      {vk::Decimal, 0, '.'},
      {vk::Divide, 0, '/'},
      {0341, 0, 0141},  // keys above 0200 pass their number cut to 7 bits
      {vk::F2, 0, 0161},
      {vk::F5, 0, 016},
      {vk::F9, 0, 014},
      {vk::Minus, kShiftBit, 0137},
      {vk::Backslash, 0, 0134},
      {vk::Backslash, kShiftBit, 0174},
      {vk::Semicolon, kAltBit, 073},  // only Shift picks the table
      {vk::Backspace, 0, 030},
      {vk::Delete, 0, 026},
      {vk::Home, 0, 023},
  };
  for (const TranslationCase& c : cases) {
    const KeyDelivery delivery = TranslateKey(c.Key, c.Shift);
    EXPECT_FALSE(delivery.Stop) << c.Key;
    EXPECT_EQ(delivery.Code, c.Code) << "key " << c.Key << " shift " << int{c.Shift};
  }
}

TEST(KeyTranslation, AltIsAr2AndKeysWithoutMeaningTypeNothing) {
  EXPECT_EQ(TranslateKey('A', kAltBit), (KeyDelivery{.Code = 0101, .Alternate = true}));
  EXPECT_EQ(TranslateKey('A', kAltBit | kCtrlBit), (KeyDelivery{.Code = 001, .Alternate = true}));
  for (uint16_t key :
       {uint16_t{0}, vk::LeftWindows, uint16_t(vk::LeftWindows + 1), vk::Applications, vk::CapsLock,
        vk::NumLock, vk::PageUp, vk::PageDown, vk::Pause, vk::PrintScreen, vk::Clear}) {
    EXPECT_TRUE(TranslateKey(key, 0).None) << key;
    FrontEndSettings settings;
    PendingPress pending;
    EXPECT_FALSE(RecordKeyPress(settings, pending, key, 0)) << key;
    EXPECT_FALSE(settings.KeyHeld || settings.KeyPending) << key;
  }
}

TEST(KeyTranslation, EscIsTheStopKeyWithOrWithoutShift) {
  EXPECT_TRUE(TranslateKey(vk::Escape, 0).Stop);
  EXPECT_TRUE(TranslateKey(vk::Escape, kShiftBit).Stop);
}

std::string Queued(const PendingPress& pending) {
  std::string keys;
  for (std::size_t i = 0; i < pending.Count; ++i) {
    keys += static_cast<char>(pending.Keys[(pending.Head + i) % PendingPress::kCapacity].VirtualKey);
  }
  return keys;
}

TEST(KeyLatch, RepeatsOfTheHeldKeyAndModifiersAloneAreDropped) {
  FrontEndSettings settings;
  PendingPress pending;

  EXPECT_TRUE(RecordKeyPress(settings, pending, 'A', 0));
  EXPECT_TRUE(settings.KeyHeld);
  EXPECT_TRUE(settings.KeyPending);
  // The PC's key repeat of the held key is dropped.
  EXPECT_FALSE(RecordKeyPress(settings, pending, 'A', 0));
  EXPECT_EQ(Queued(pending), "A");

  // Any release ends the press, so the next repeat of the held key counts as a new press.
  EndKeyPress(settings);
  EXPECT_FALSE(settings.KeyHeld);
  EXPECT_TRUE(RecordKeyPress(settings, pending, 'A', 0));
  EXPECT_EQ(Queued(pending), "AA");

  // Shift, Ctrl or Alt pressed alone never reach the machine.
  EndKeyPress(settings);
  for (uint16_t modifier : {vk::Shift, vk::Control, vk::Alt}) {
    EXPECT_FALSE(RecordKeyPress(settings, pending, modifier, kShiftBit));
    EXPECT_FALSE(settings.KeyHeld);
  }
  // With a modifier held, an ordinary key records the shift state.
  EXPECT_TRUE(RecordKeyPress(settings, pending, '2', kShiftBit));
  EXPECT_EQ(pending.Keys[(pending.Head + 2) % PendingPress::kCapacity].ShiftState, kShiftBit);
}

TEST(KeyLatch, OverlappingAndFastPressesAreQueuedInOrder) {
  FrontEndSettings settings;
  PendingPress pending;
  // H down, E down before H is up, H up, E up, L down and up twice, O down.
  RecordKeyPress(settings, pending, 'H', 0);
  RecordKeyPress(settings, pending, 'E', 0);
  EndKeyPress(settings);
  EndKeyPress(settings);
  for (int i = 0; i < 2; ++i) {
    RecordKeyPress(settings, pending, 'L', 0);
    EndKeyPress(settings);
  }
  RecordKeyPress(settings, pending, 'O', 0);
  EXPECT_EQ(Queued(pending), "HELLO");
  // The tape call's dialog clears KeyPending: what waited is dropped at the next press.
  settings.KeyPending = false;
  EndKeyPress(settings);
  RecordKeyPress(settings, pending, 'X', 0);
  EXPECT_EQ(Queued(pending), "X");
}

}  // namespace
}  // namespace homemicro
