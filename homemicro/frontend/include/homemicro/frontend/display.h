// The emulated screen: video RAM and the scroll register turned into a 640 x 400 picture of
// display palette indices, with the machine's 512 x 256 picture placed at (64, 73). The window
// paints this picture (border colour around it); nothing here allocates after construction.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "homemicro/frontend/color_table.h"

namespace homemicro {

inline constexpr int kDisplayWidth = 640;
inline constexpr int kDisplayHeight = 400;
inline constexpr int kPictureWidth = 512;
inline constexpr int kPictureHeight = 256;
inline constexpr int kPictureLeft = 64;
inline constexpr int kPictureTop = 73;

inline constexpr std::size_t kVideoRamSize = 16384;  // 040000..077777
inline constexpr int kVideoLineBytes = 64;
inline constexpr uint16_t kScrollNone = 0330;         // scroll value that shows video line 0 first
inline constexpr uint16_t kScrollFullScreen = 01000;  // bit 9: all 256 lines, else 64

inline constexpr uint8_t kBlackIndex = 0;
inline constexpr uint8_t kWhiteIndex = 255;

class Display {
 public:
  Display();

  // Converts the whole screen. `videoRam` is the memory at 040000..077777, `scroll` the word
  // of register 0177664.
  void UpdateScreen(std::span<const uint8_t, kVideoRamSize> videoRam, uint16_t scroll, bool oneBitMode,
                    const Palette& palette);

  // Row-major, kDisplayWidth bytes per row. Outside the machine's picture every byte is 0.
  std::span<const uint8_t> Picture() const { return picture_; }

  // Index at (x, y) of the machine's 512 x 256 picture.
  uint8_t PicturePixel(int x, int y) const {
    return picture_[static_cast<std::size_t>(kPictureTop + y) * kDisplayWidth +
                    static_cast<std::size_t>(kPictureLeft + x)];
  }

  // Video line shown by picture line `row` for scroll word `scroll` (line 0..255).
  static int VideoLineForRow(uint16_t scroll, int row);

 private:
  using Expansion = std::array<std::array<uint8_t, 8>, 256>;

  void BuildTwoBitExpansion(const Palette& palette);

  std::array<uint8_t, kDisplayWidth * kDisplayHeight> picture_{};
  Expansion twoBitExpansion_{};
  Palette twoBitPalette_{};
};

}  // namespace homemicro
