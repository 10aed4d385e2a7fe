#include "homemicro/frontend/palette_file.h"

#include <algorithm>

#include "homemicro/frontend/host_file.h"

namespace homemicro {
namespace {

constexpr std::array<uint8_t, 4> kPaletteMagic{3, 'B', 'K', 'P'};

}  // namespace

std::array<uint8_t, kPaletteRecordSize> EncodePalette(const Palette& palette) {
  std::array<uint8_t, kPaletteRecordSize> bytes{};
  std::copy(kPaletteMagic.begin(), kPaletteMagic.end(), bytes.begin());
  std::copy(palette.begin(), palette.end(), bytes.begin() + 4);
  return bytes;
}

PaletteReadResult DecodePalette(std::span<const uint8_t> bytes) {
  if (bytes.size() < kPaletteRecordSize) return {std::nullopt, std::string(kPaletteReadError)};
  if (!std::equal(kPaletteMagic.begin(), kPaletteMagic.end(), bytes.begin())) {
    return {std::nullopt, std::string(kNotAPaletteFile)};
  }
  Palette palette{};
  std::copy_n(bytes.begin() + 4, 4, palette.begin());
  if (!IsValidPalette(palette)) return {std::nullopt, std::string(kPaletteReadError)};
  return {palette, {}};
}

PaletteReadResult ReadPaletteFile(const std::filesystem::path& path) {
  std::array<uint8_t, kPaletteRecordSize> bytes{};
  const FileReadResult read = ReadFilePrefix(path, bytes);
  if (read.Status == FileReadStatus::OpenFailed) return {std::nullopt, std::string(kPaletteOpenError)};
  if (read.Status == FileReadStatus::ReadFailed) return {std::nullopt, std::string(kPaletteReadError)};
  return DecodePalette(bytes);
}

std::string WritePaletteFile(const std::filesystem::path& path, const Palette& palette) {
  return WriteWholeFile(path, EncodePalette(palette));
}

}  // namespace homemicro
