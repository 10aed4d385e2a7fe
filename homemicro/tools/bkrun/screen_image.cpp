#include "screen_image.h"

#include <array>

namespace bkrun {
namespace {

constexpr int kWidth = 512, kHeight = 256, kBytesPerLine = 64;

struct Rgb {
  uint8_t r, g, b;
};
constexpr std::array<Rgb, 4> kDefaultPalette = {{{0, 0, 0}, {0, 0, 255}, {0, 255, 0}, {255, 0, 0}}};

uint8_t Luminance(const Rgb& c) { return static_cast<uint8_t>((299 * c.r + 587 * c.g + 114 * c.b + 500) / 1000); }

// Video line shown on picture line `row`, or -1 for a blank line: the scroll value 0330 shows
// video line 0 at the top; bit 9 clear keeps only the top 64 lines.
int VideoLine(uint16_t scroll, int row) {
  const bool reduced = (scroll & 01000) == 0;
  if (reduced && row >= 64) return -1;
  int offset = static_cast<int>(scroll & 0377) - 0330;
  if (offset < 0) offset += 256;
  return (offset + row) % 256;
}

}  // namespace

Image RenderScreen(const homemicro::Machine& machine, bool twoBit, bool grey) {
  Image image;
  image.width = kWidth;
  image.height = kHeight;
  image.channels = (twoBit && !grey) ? 3 : 1;
  image.pixels.assign(static_cast<size_t>(kWidth * kHeight * image.channels), 0);
  const auto& memory = machine.State().Memory;
  const uint16_t scroll = machine.PeekWord(homemicro::kScrollRegister);
  for (int row = 0; row < kHeight; ++row) {
    const int line = VideoLine(scroll, row);
    for (int k = 0; k < kBytesPerLine; ++k) {
      const uint8_t byte = line < 0 ? 0 : memory[homemicro::kScreenStart + line * kBytesPerLine + k];
      for (int i = 0; i < 8; ++i) {
        const size_t pixel = static_cast<size_t>(row * kWidth + 8 * k + i);
        if (!twoBit) {
          image.pixels[pixel] = (byte >> i) & 1 ? 255 : 0;
          continue;
        }
        // Each BK pixel is a bit pair, two screen pixels wide; the lower bit is the high bit of
        // the colour number.
        const int j = i / 2;
        const Rgb& c = kDefaultPalette[static_cast<size_t>(2 * ((byte >> (2 * j)) & 1) + ((byte >> (2 * j + 1)) & 1))];
        if (grey) {
          image.pixels[pixel] = Luminance(c);
        } else {
          image.pixels[3 * pixel] = c.r;
          image.pixels[3 * pixel + 1] = c.g;
          image.pixels[3 * pixel + 2] = c.b;
        }
      }
    }
  }
  return image;
}

}  // namespace bkrun
