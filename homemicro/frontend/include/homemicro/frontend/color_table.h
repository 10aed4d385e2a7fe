// The sixteen colours the user may pick for the four 2-bit colour numbers, and the palette
// entries that say which display index each colour number shows.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace homemicro {

struct Rgb {
  uint8_t Red = 0, Green = 0, Blue = 0;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};

struct ColorTableCell {
  uint8_t Index;  // display palette index
  Rgb Color;      // what the panels, the chooser and the display show for it
};

inline constexpr int kColorCellCount = 16;

// Cell m is drawn by the chooser at column m % 8, row m / 8.
inline constexpr std::array<ColorTableCell, kColorCellCount> kColorTable{{
    {0, {0, 0, 0}},          // black
    {248, {128, 128, 128}},  // grey
    {1, {128, 0, 0}},        // dark red
    {3, {128, 128, 0}},      // olive
    {2, {0, 128, 0}},        // dark green
    {6, {0, 128, 128}},      // teal
    {4, {0, 0, 128}},        // navy
    {5, {128, 0, 128}},      // purple
    {255, {255, 255, 255}},  // white
    {247, {192, 192, 192}},  // silver
    {249, {255, 0, 0}},      // red
    {251, {255, 255, 0}},    // yellow
    {250, {0, 255, 0}},      // lime
    {254, {0, 255, 255}},    // aqua
    {252, {0, 0, 255}},      // blue
    {253, {255, 0, 255}},    // fuchsia
}};

// Display palette indices of the 2-bit colour numbers 0..3.
using Palette = std::array<uint8_t, 4>;

// Black, blue, lime, red.
inline constexpr Palette kDefaultPalette{0, 252, 250, 249};

// Cell shown for an index that is not in the table; only a hand-made file can carry one.
inline constexpr int kUnknownIndexCell = 0;

// The first cell whose index equals `index`; kUnknownIndexCell when no cell has it.
int ColorCell(uint8_t index);

bool IsColorTableIndex(uint8_t index);

// True when every entry is one of the sixteen indices of the table.
bool IsValidPalette(const Palette& palette);

// The colour of every display index, for painting the picture: the sixteen indices of the
// table show their colours, every other index black.
const std::array<Rgb, 256>& DisplayColors();

}  // namespace homemicro
