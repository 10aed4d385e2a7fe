#include "key_strokes.h"

#include <algorithm>
#include <array>

#include "homemicro/frontend/key_translation.h"
#include "homemicro/frontend/virtual_keys.h"

namespace bkrun {
namespace {

namespace vk = homemicro::vk;
using homemicro::KeyStroke;

constexpr std::array<uint16_t, 8> kCommandKeys = {vk::F1,  vk::F4,  vk::F6,  vk::F7,
                                                  vk::F10, vk::F11, vk::F12, vk::ScrollLock};

bool IsModifierKey(uint16_t virtualKey) {
  return virtualKey == vk::Shift || virtualKey == vk::Control || virtualKey == vk::Alt;
}

bool Gives(const KeyStroke& stroke, uint8_t code) {
  const homemicro::KeyDelivery delivery = homemicro::TranslateKey(stroke.VirtualKey, stroke.ShiftState);
  return !delivery.Stop && !delivery.None && !delivery.Alternate && delivery.Code == code;
}

}  // namespace

bool IsCommandKey(uint16_t virtualKey) {
  return std::find(kCommandKeys.begin(), kCommandKeys.end(), virtualKey) != kCommandKeys.end();
}

KeyStroke StopKeyStroke() {
  return KeyStroke{vk::Escape, 0};
}

std::optional<KeyStroke> KeyStrokeForCode(uint8_t code) {
  if (code > 0177) return std::nullopt;
  // The natural key first: 'A' is the A key, '@' is Shift+2.
  if (const auto natural = homemicro::KeyStrokeForCharacter(static_cast<char>(code));
      natural && Gives(*natural, code)) {
    return natural;
  }
  // Codes the keyboard's own keys do not make without a modifier: control codes with Ctrl (the
  // BK's СУ), the rest from keys that pass their virtual key number (lower-case letters from
  // the keys above 0200, cut to 7 bits).
  for (const auto& shifts : {std::array<uint8_t, 2>{0, homemicro::kShiftBit},
                             std::array<uint8_t, 2>{homemicro::kCtrlBit, homemicro::kCtrlBit}}) {
    for (uint16_t key = 1; key < 256; ++key) {
      if (key == vk::Escape || IsCommandKey(key) || IsModifierKey(key)) continue;
      for (const uint8_t shift : shifts) {
        if (Gives(KeyStroke{key, shift}, code)) return KeyStroke{key, shift};
      }
    }
  }
  return std::nullopt;
}

}  // namespace bkrun
