// Typed codes reach the machine through the real key tables: every code has a key press that
// the translation turns back into that code, and natural keys are used where they fit.
#include "key_strokes.h"

#include <gtest/gtest.h>

#include "homemicro/frontend/key_translation.h"
#include "homemicro/frontend/virtual_keys.h"

namespace {

namespace vk = homemicro::vk;
using homemicro::KeyStroke;

TEST(KeyStrokeForCode, EveryCodeHasAKeyThatTheLatchTakesAndTheTablesTranslateBack) {
  for (int code = 0; code <= 0177; ++code) {
    const auto stroke = bkrun::KeyStrokeForCode(static_cast<uint8_t>(code));
    ASSERT_TRUE(stroke.has_value()) << "code " << std::oct << code;
    EXPECT_FALSE(bkrun::IsCommandKey(stroke->VirtualKey)) << "code " << std::oct << code;
    EXPECT_NE(stroke->VirtualKey, vk::Escape) << "code " << std::oct << code;
    const bool modifier =
        stroke->VirtualKey == vk::Shift || stroke->VirtualKey == vk::Control || stroke->VirtualKey == vk::Alt;
    EXPECT_FALSE(modifier) << "code " << std::oct << code;

    homemicro::FrontEndSettings settings;
    homemicro::PendingPress pending;
    EXPECT_TRUE(homemicro::RecordKeyPress(settings, pending, stroke->VirtualKey, stroke->ShiftState))
        << "code " << std::oct << code;
    const homemicro::KeyDelivery delivery =
        homemicro::TranslateKey(pending.Front().VirtualKey, pending.Front().ShiftState);
    EXPECT_EQ(delivery, (homemicro::KeyDelivery{false, static_cast<uint8_t>(code)}))
        << "code " << std::oct << code;
  }
  EXPECT_FALSE(bkrun::KeyStrokeForCode(0200).has_value());
}

TEST(KeyStrokeForCode, PrefersTheKeyThatTypesTheCharacter) {
  const struct {
    uint8_t code;
    KeyStroke stroke;
  } cases[] = {
      {'A', {'A', 0}},
      {'7', {'7', 0}},
      {'@', {'2', homemicro::kShiftBit}},
      {'"', {vk::Apostrophe, homemicro::kShiftBit}},
      {' ', {vk::Space, 0}},
      {012, {vk::Enter, 0}},
      {'[', {vk::LeftBracket, 0}},
      // Control codes come with Ctrl (СУ); lower-case letters a..p from the keys above 0200,
      // which pass their numbers cut to 7 bits.
      {021, {'Q', homemicro::kCtrlBit}},
      {'a', {0341, 0}},
      {'q', {vk::F2, 0}},
      {015, {vk::Enter, homemicro::kShiftBit}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(bkrun::KeyStrokeForCode(c.code), c.stroke) << "code " << std::oct << int{c.code};
  }
}

TEST(KeyStrokeForCode, StopIsEscAndCommandKeysAreKeptForTheWindow) {
  EXPECT_TRUE(homemicro::TranslateKey(bkrun::StopKeyStroke().VirtualKey, 0).Stop);
  for (uint16_t key : {vk::F1, vk::F4, vk::F6, vk::F7, vk::F10, vk::F11, vk::F12, vk::ScrollLock}) {
    EXPECT_TRUE(bkrun::IsCommandKey(key)) << key;
  }
  for (uint16_t key : {vk::F5, vk::Shift, vk::Escape, vk::Enter})
    EXPECT_FALSE(bkrun::IsCommandKey(key)) << key;
}

}  // namespace
