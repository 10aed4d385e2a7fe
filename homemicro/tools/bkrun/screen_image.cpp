#include "screen_image.h"

#include "homemicro/frontend/color_table.h"

namespace bkrun {
namespace {

uint8_t Luminance(const homemicro::Rgb& c) {
  return static_cast<uint8_t>((299 * c.Red + 587 * c.Green + 114 * c.Blue + 500) / 1000);
}

}  // namespace

Image RenderScreen(const homemicro::Display& display, bool oneBitMode, bool grey) {
  using homemicro::kPictureHeight;
  using homemicro::kPictureWidth;
  Image image;
  image.width = kPictureWidth;
  image.height = kPictureHeight;
  image.channels = (oneBitMode || grey) ? 1 : 3;
  image.pixels.resize(static_cast<size_t>(kPictureWidth * kPictureHeight * image.channels));
  const auto& colors = homemicro::DisplayColors();
  uint8_t* out = image.pixels.data();
  for (int y = 0; y < kPictureHeight; ++y) {
    for (int x = 0; x < kPictureWidth; ++x) {
      const homemicro::Rgb& c = colors[display.PicturePixel(x, y)];
      if (image.channels == 1) {
        *out++ = Luminance(c);
      } else {
        *out++ = c.Red;
        *out++ = c.Green;
        *out++ = c.Blue;
      }
    }
  }
  return image;
}

}  // namespace bkrun
