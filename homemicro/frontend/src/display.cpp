#include "homemicro/frontend/display.h"

#include <cstring>

namespace homemicro {
namespace {

// Byte value -> eight screen pixels; bit 0 is the leftmost pixel.
constexpr std::array<std::array<uint8_t, 8>, 256> MakeOneBitExpansion() {
  std::array<std::array<uint8_t, 8>, 256> table{};
  for (int value = 0; value < 256; ++value) {
    for (int bit = 0; bit < 8; ++bit) {
      table[static_cast<std::size_t>(value)][static_cast<std::size_t>(bit)] =
          ((value >> bit) & 1) ? kWhiteIndex : kBlackIndex;
    }
  }
  return table;
}

constexpr auto kOneBitExpansion = MakeOneBitExpansion();

}  // namespace

Display::Display() {
  BuildTwoBitExpansion(kDefaultPalette);
}

int Display::VideoLineForRow(uint16_t scroll, int row) {
  int offset = (scroll & 0377) - kScrollNone;
  if (offset < 0) offset += 256;
  return (offset + row) & 0377;
}

void Display::BuildTwoBitExpansion(const Palette& palette) {
  for (int value = 0; value < 256; ++value) {
    auto& pixels = twoBitExpansion_[static_cast<std::size_t>(value)];
    for (int pair = 0; pair < 4; ++pair) {
      // The lower bit of a pair is the high bit of the colour number.
      const int lowBit = (value >> (2 * pair)) & 1;
      const int highBit = (value >> (2 * pair + 1)) & 1;
      const uint8_t index = palette[static_cast<std::size_t>(2 * lowBit + highBit)];
      pixels[static_cast<std::size_t>(2 * pair)] = index;
      pixels[static_cast<std::size_t>(2 * pair + 1)] = index;
    }
  }
  twoBitPalette_ = palette;
}

void Display::UpdateScreen(std::span<const uint8_t, kVideoRamSize> videoRam, uint16_t scroll, bool oneBitMode,
                           const Palette& palette) {
  if (!oneBitMode && palette != twoBitPalette_) BuildTwoBitExpansion(palette);
  const Expansion& expansion = oneBitMode ? kOneBitExpansion : twoBitExpansion_;
  const int shownLines = (scroll & kScrollFullScreen) ? kPictureHeight : 64;

  for (int row = 0; row < kPictureHeight; ++row) {
    uint8_t* out = &picture_[static_cast<std::size_t>(kPictureTop + row) * kDisplayWidth + kPictureLeft];
    if (row >= shownLines) {
      // Lines cleared in the reduced mode show as a zero byte does.
      for (int k = 0; k < kVideoLineBytes; ++k) std::memcpy(out + 8 * k, expansion[0].data(), 8);
      continue;
    }
    const uint8_t* line =
        videoRam.data() + static_cast<std::size_t>(VideoLineForRow(scroll, row)) * kVideoLineBytes;
    for (int k = 0; k < kVideoLineBytes; ++k) std::memcpy(out + 8 * k, expansion[line[k]].data(), 8);
  }
}

}  // namespace homemicro
