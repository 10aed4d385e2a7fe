#include "homemicro/frontend/key_translation.h"

#include <gtest/gtest.h>

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
      {'Z', kCtrlBit | kAltBit, 0132},
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
      {vk::Numpad0, 0, 0140},
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

TEST(KeyTranslation, EscIsTheStopKeyWithOrWithoutShift) {
  EXPECT_TRUE(TranslateKey(vk::Escape, 0).Stop);
  EXPECT_TRUE(TranslateKey(vk::Escape, kShiftBit).Stop);
}

TEST(KeyLatch, OnePressPerHoldAndModifiersAloneIgnored) {
  FrontEndSettings settings;
  PendingPress pending;

  EXPECT_TRUE(RecordKeyPress(settings, pending, 'A', 0));
  EXPECT_TRUE(settings.KeyHeld);
  EXPECT_TRUE(settings.KeyPending);
  EXPECT_EQ(pending.PendingKey, 'A');

  // The PC's key repeat and a second key while the first is held are dropped.
  settings.KeyPending = false;  // delivered by the run loop
  EXPECT_FALSE(RecordKeyPress(settings, pending, 'A', 0));
  EXPECT_FALSE(RecordKeyPress(settings, pending, 'B', 0));
  EXPECT_FALSE(settings.KeyPending);
  EXPECT_EQ(pending.PendingKey, 'A');

  // Any release ends the press, so the next repeat of the held key counts as a new press.
  EndKeyPress(settings);
  EXPECT_FALSE(settings.KeyHeld);
  EXPECT_TRUE(RecordKeyPress(settings, pending, 'A', 0));

  // Shift, Ctrl or Alt pressed alone never reach the machine.
  EndKeyPress(settings);
  settings.KeyPending = false;
  for (uint16_t modifier : {vk::Shift, vk::Control, vk::Alt}) {
    EXPECT_FALSE(RecordKeyPress(settings, pending, modifier, kShiftBit));
    EXPECT_FALSE(settings.KeyHeld);
    EXPECT_FALSE(settings.KeyPending);
  }
  // With a modifier held, an ordinary key records the shift state.
  EXPECT_TRUE(RecordKeyPress(settings, pending, '2', kShiftBit));
  EXPECT_EQ(pending.PendingShift, kShiftBit);
}

TEST(KeyLatch, WhileStoppedTheLastAcceptedPressWaits) {
  FrontEndSettings settings;
  PendingPress pending;
  RecordKeyPress(settings, pending, 'A', 0);
  EndKeyPress(settings);
  RecordKeyPress(settings, pending, 'B', kShiftBit);
  EXPECT_TRUE(settings.KeyPending);
  EXPECT_EQ(pending.PendingKey, 'B');
  EXPECT_EQ(pending.PendingShift, kShiftBit);
}

}  // namespace
}  // namespace homemicro
