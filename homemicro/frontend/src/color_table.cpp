#include "homemicro/frontend/color_table.h"

namespace homemicro {

int ColorCell(uint8_t index) {
  for (int cell = 0; cell < kColorCellCount; ++cell) {
    if (kColorTable[static_cast<std::size_t>(cell)].Index == index) return cell;
  }
  return kUnknownIndexCell;
}

bool IsColorTableIndex(uint8_t index) {
  for (const ColorTableCell& cell : kColorTable) {
    if (cell.Index == index) return true;
  }
  return false;
}

bool IsValidPalette(const Palette& palette) {
  for (uint8_t entry : palette) {
    if (!IsColorTableIndex(entry)) return false;
  }
  return true;
}

const std::array<Rgb, 256>& DisplayColors() {
  static const std::array<Rgb, 256> colors = [] {
    std::array<Rgb, 256> table{};
    for (const ColorTableCell& cell : kColorTable) table[cell.Index] = cell.Color;
    return table;
  }();
  return colors;
}

}  // namespace homemicro
