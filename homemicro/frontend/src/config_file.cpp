#include "homemicro/frontend/config_file.h"

#include <algorithm>
#include <system_error>

#include "homemicro/frontend/host_file.h"
#include "homemicro/frontend/little_endian.h"

namespace homemicro {
namespace {

constexpr std::array<uint8_t, 4> kConfigMagic{3, 'B', 'K', 'C'};

enum Offset : std::size_t {
  kMagic = 0,
  kPlay = 4,
  kOneBit = 5,
  kSound = 6,
  kRomControl = 7,
  kBorder = 8,
  kSpeed = 12,
  kRepaint = 16,
  kStart = 20,
  kPalette = 24,
  kNameLength = 28,
  kNameText = 29,
};

}  // namespace

std::array<uint8_t, kConfigRecordSize> EncodeConfig(const ConfigRecord& record) {
  std::array<uint8_t, kConfigRecordSize> bytes{};
  std::copy(kConfigMagic.begin(), kConfigMagic.end(), bytes.begin() + kMagic);
  bytes[kPlay] = record.Play ? 1 : 0;
  bytes[kOneBit] = record.OneBitMode ? 1 : 0;
  bytes[kSound] = record.Sound ? 1 : 0;
  bytes[kRomControl] = record.RomWriteControl ? 1 : 0;
  PutLe32(bytes, kBorder, record.BorderColor);
  PutLe32(bytes, kSpeed, static_cast<uint32_t>(record.EmulationSpeed));
  PutLe32(bytes, kRepaint, static_cast<uint32_t>(record.RepaintCount));
  PutLe32(bytes, kStart, static_cast<uint32_t>(record.StartAddress));
  std::copy(record.PaletteEntries.begin(), record.PaletteEntries.end(), bytes.begin() + kPalette);
  const std::size_t nameLength = std::min(record.RomFileName.size(), kRomNameMaxLength);
  bytes[kNameLength] = static_cast<uint8_t>(nameLength);
  std::copy_n(record.RomFileName.begin(), nameLength, bytes.begin() + kNameText);
  return bytes;
}

std::optional<ConfigRecord> DecodeConfig(std::span<const uint8_t> bytes) {
  if (bytes.size() < kConfigRecordSize) return std::nullopt;
  if (!std::equal(kConfigMagic.begin(), kConfigMagic.end(), bytes.begin() + kMagic)) return std::nullopt;
  ConfigRecord record;
  record.Play = bytes[kPlay] == 1;
  record.OneBitMode = bytes[kOneBit] == 1;
  record.Sound = bytes[kSound] == 1;
  record.RomWriteControl = bytes[kRomControl] == 1;
  record.BorderColor = GetLe32(bytes, kBorder);
  record.EmulationSpeed = static_cast<int32_t>(GetLe32(bytes, kSpeed));
  record.RepaintCount = static_cast<int32_t>(GetLe32(bytes, kRepaint));
  record.StartAddress = static_cast<int32_t>(GetLe32(bytes, kStart));
  std::copy_n(bytes.begin() + kPalette, 4, record.PaletteEntries.begin());
  if (!IsValidPalette(record.PaletteEntries)) return std::nullopt;
  const std::size_t nameLength = bytes[kNameLength];
  if (nameLength > kRomNameMaxLength) return std::nullopt;
  record.RomFileName.assign(bytes.begin() + kNameText,
                            bytes.begin() + kNameText + static_cast<ptrdiff_t>(nameLength));
  if (record.RomFileName.find('\0') != std::string::npos) return std::nullopt;
  return record;
}

ConfigReadResult ReadConfigFile(const std::filesystem::path& path) {
  std::error_code error;
  if (!std::filesystem::exists(path, error)) return {};
  std::array<uint8_t, kConfigRecordSize> bytes{};
  const FileReadResult read = ReadFilePrefix(path, bytes);
  std::optional<ConfigRecord> record;
  if (read.Status == FileReadStatus::Ok) record = DecodeConfig(bytes);
  if (!record) return {std::nullopt, std::string(kConfigErrorMessage)};
  return {std::move(record), {}};
}

std::string WriteConfigFile(const std::filesystem::path& path, const ConfigRecord& record) {
  return WriteWholeFile(path, EncodeConfig(record));
}

}  // namespace homemicro
