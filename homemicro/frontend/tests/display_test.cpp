#include "homemicro/frontend/display.h"

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <vector>

namespace homemicro {
namespace {

using VideoRam = std::array<uint8_t, kVideoRamSize>;

// Line n carries n in its first byte and a marker 0377 in its second, so the line a picture
// row shows can be read back from the picture in one-bit mode; blank rows have no marker.
VideoRam NumberedLines() {
  VideoRam ram{};
  for (int line = 0; line < 256; ++line) {
    ram[static_cast<size_t>(line * kVideoLineBytes)] = static_cast<uint8_t>(line);
    ram[static_cast<size_t>(line * kVideoLineBytes + 1)] = 0377;
  }
  return ram;
}

int ShownLine(const Display& display, int row) {
  if (display.PicturePixel(8, row) != kWhiteIndex) return -1;  // no marker: blank
  int value = 0;
  for (int bit = 0; bit < 8; ++bit) {
    if (display.PicturePixel(bit, row) == kWhiteIndex) value |= 1 << bit;
  }
  return value;
}

struct ScrollCase {
  uint16_t Scroll;
  int Row;
  int ExpectedLine;  // -1: blank row
};

TEST(DisplayScroll, PictureRowsShowTheScrolledVideoLines) {
  const ScrollCase cases[] = {
      {01330, 0, 0},   {01330, 255, 255},                                     // no scrolling
      {01331, 0, 1},   {01331, 255, 0},                                       // one line up, wrapping
      {01327, 0, 255}, {01327, 1, 0},                                         // one line down
      {01000, 0, 40},                                                         // scroll value 0
      {00330, 0, 0},   {00330, 63, 63},   {00330, 64, -1}, {00330, 255, -1},  // reduced
      {00331, 63, 64}, {00331, 64, -1},                                       // reduced, scrolled
  };
  const VideoRam ram = NumberedLines();
  auto display = std::make_unique<Display>();
  for (const ScrollCase& c : cases) {
    display->UpdateScreen(ram, c.Scroll, true, kDefaultPalette);
    EXPECT_EQ(ShownLine(*display, c.Row), c.ExpectedLine)
        << "scroll " << std::oct << c.Scroll << std::dec << " row " << c.Row;
  }
}

struct PixelCase {
  bool OneBit;
  uint8_t Byte;
  std::array<uint8_t, 8> Pixels;
};

TEST(DisplayExpansion, ByteBecomesEightScreenPixels) {
  const PixelCase cases[] = {
      {true, 0001, {255, 0, 0, 0, 0, 0, 0, 0}},
      {true, 0200, {0, 0, 0, 0, 0, 0, 0, 255}},
      {true, 0125, {255, 0, 255, 0, 255, 0, 255, 0}},
      // Two-bit: the lower bit of a pair is the high bit of the colour number.
      {false, 0001, {250, 250, 0, 0, 0, 0, 0, 0}},  // colour 2, lime
      {false, 0002, {252, 252, 0, 0, 0, 0, 0, 0}},  // colour 1, blue
      {false, 0003, {249, 249, 0, 0, 0, 0, 0, 0}},  // colour 3, red
      {false, 0300, {0, 0, 0, 0, 0, 0, 249, 249}},
      {false, 0144, {0, 0, 250, 250, 252, 252, 250, 250}},
  };
  auto display = std::make_unique<Display>();
  for (const PixelCase& c : cases) {
    VideoRam ram{};
    ram[1] = c.Byte;  // second byte of line 0: pixels 8..15
    display->UpdateScreen(ram, 01330, c.OneBit, kDefaultPalette);
    std::array<uint8_t, 8> got{};
    for (int i = 0; i < 8; ++i) got[static_cast<size_t>(i)] = display->PicturePixel(8 + i, 0);
    EXPECT_EQ(got, c.Pixels) << (c.OneBit ? "1-bit " : "2-bit ") << std::oct << int{c.Byte};
    EXPECT_EQ(display->PicturePixel(7, 0), c.OneBit ? kBlackIndex : kDefaultPalette[0]);
    EXPECT_EQ(display->PicturePixel(16, 0), c.OneBit ? kBlackIndex : kDefaultPalette[0]);
  }
}

TEST(DisplayPlacement, PictureSitsAt64And73OfTheDisplay) {
  VideoRam ram;
  ram.fill(0377);
  auto display = std::make_unique<Display>();
  display->UpdateScreen(ram, 01330, true, kDefaultPalette);
  const auto picture = display->Picture();
  ASSERT_EQ(picture.size(), static_cast<size_t>(kDisplayWidth * kDisplayHeight));
  for (int y = 0; y < kDisplayHeight; ++y) {
    for (int x = 0; x < kDisplayWidth; ++x) {
      const bool inside = x >= 64 && x < 64 + 512 && y >= 73 && y < 73 + 256;
      const uint8_t pixel = picture[static_cast<size_t>(y * kDisplayWidth + x)];
      ASSERT_EQ(pixel, inside ? kWhiteIndex : 0) << x << "," << y;
    }
  }
}

TEST(DisplayPalette, TwoBitPictureFollowsPaletteChangesAndBlankLinesUseEntryZero) {
  VideoRam ram{};
  ram[0] = 0003;
  auto display = std::make_unique<Display>();
  display->UpdateScreen(ram, 00330, false, kDefaultPalette);
  EXPECT_EQ(display->PicturePixel(0, 0), 249);
  EXPECT_EQ(display->PicturePixel(0, 100), 0);  // blank line of the reduced mode

  const Palette changed{255, 1, 2, 3};
  display->UpdateScreen(ram, 00330, false, changed);
  EXPECT_EQ(display->PicturePixel(0, 0), 3);
  EXPECT_EQ(display->PicturePixel(2, 0), 255);
  EXPECT_EQ(display->PicturePixel(0, 100), 255);

  // One-bit mode ignores the palette, and the blank lines there are black.
  display->UpdateScreen(ram, 00330, true, changed);
  EXPECT_EQ(display->PicturePixel(0, 0), kWhiteIndex);
  EXPECT_EQ(display->PicturePixel(0, 100), kBlackIndex);
}

TEST(ColorTable, ColorCellFindsTheCellAndFallsBackForForeignIndices) {
  EXPECT_EQ(ColorCell(255), 8);
  EXPECT_EQ(ColorCell(0), 0);
  EXPECT_EQ(ColorCell(252), 14);
  for (int cell = 0; cell < kColorCellCount; ++cell)
    EXPECT_EQ(ColorCell(kColorTable[static_cast<size_t>(cell)].Index), cell);
  for (uint8_t foreign : {7, 100, 246}) {
    EXPECT_EQ(ColorCell(foreign), kUnknownIndexCell);
    EXPECT_FALSE(IsColorTableIndex(foreign));
  }
  EXPECT_TRUE(IsValidPalette(kDefaultPalette));
  EXPECT_FALSE(IsValidPalette({0, 252, 250, 7}));
}

TEST(ColorTable, DisplayColorsGiveTheTableColoursAndBlackElsewhere) {
  const auto& colors = DisplayColors();
  EXPECT_EQ(colors[250], (Rgb{0, 255, 0}));
  EXPECT_EQ(colors[255], (Rgb{255, 255, 255}));
  EXPECT_EQ(colors[248], (Rgb{128, 128, 128}));
  EXPECT_EQ(colors[7], (Rgb{0, 0, 0}));
}

}  // namespace
}  // namespace homemicro
