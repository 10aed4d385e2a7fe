#include "homemicro/frontend/config_file.h"

#include <algorithm>
#include <system_error>

#include "homemicro/frontend/host_file.h"
#include "homemicro/frontend/little_endian.h"

namespace homemicro {
namespace {

constexpr std::array<uint8_t, 4> kConfigMagic{3, 'B', 'K', 'C'};
constexpr std::array<uint8_t, 4> kTailMagic{3, 'B', 'K', 'X'};
constexpr uint8_t kTagRomName = 1;
constexpr uint8_t kTagWindowSize = 2;
constexpr std::size_t kFieldHeader = 3;  // tag, 16-bit length

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

void PutField(std::vector<uint8_t>& out, uint8_t tag, std::span<const uint8_t> data) {
  out.push_back(tag);
  out.push_back(static_cast<uint8_t>(data.size() & 0xFF));
  out.push_back(static_cast<uint8_t>(data.size() >> 8));
  out.insert(out.end(), data.begin(), data.end());
}

uint16_t GetLe16(std::span<const uint8_t> bytes, std::size_t offset) {
  return static_cast<uint16_t>(bytes[offset] | bytes[offset + 1] << 8);
}

struct Tail {
  bool HasRomName = false;
  std::string RomName;
  int WindowWidth = 0, WindowHeight = 0;
};

// Nothing when the bytes after the record are no tail or a field does not fit.
std::optional<Tail> DecodeTail(std::span<const uint8_t> bytes) {
  if (bytes.size() < kTailMagic.size() || !std::equal(kTailMagic.begin(), kTailMagic.end(), bytes.begin()))
    return std::nullopt;
  Tail tail;
  for (std::size_t at = kTailMagic.size(); at < bytes.size();) {
    if (bytes.size() - at < kFieldHeader) return std::nullopt;
    const uint8_t tag = bytes[at];
    const std::size_t length = GetLe16(bytes, at + 1);
    at += kFieldHeader;
    if (bytes.size() - at < length) return std::nullopt;
    const std::span<const uint8_t> data = bytes.subspan(at, length);
    at += length;
    if (tag == kTagRomName) {
      tail.HasRomName = true;
      tail.RomName.assign(data.begin(), data.end());
      if (tail.RomName.find('\0') != std::string::npos) return std::nullopt;
    } else if (tag == kTagWindowSize) {
      if (length != 4) return std::nullopt;
      // A size with a zero side is no size at all (as the writer leaves it out).
      const int width = GetLe16(data, 0), height = GetLe16(data, 2);
      tail.WindowWidth = width > 0 && height > 0 ? width : 0;
      tail.WindowHeight = width > 0 && height > 0 ? height : 0;
    }
  }
  return tail;
}

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
  if (const std::optional<Tail> tail = DecodeTail(bytes.subspan(kConfigRecordSize))) {
    // A writer of the record alone may have changed the name since: the tail's name counts
    // only while the record still holds its beginning.
    if (tail->HasRomName && nameLength == kRomNameMaxLength && tail->RomName.size() > kRomNameMaxLength &&
        tail->RomName.compare(0, kRomNameMaxLength, record.RomFileName) == 0)
      record.RomFileName = tail->RomName;
    record.WindowWidth = tail->WindowWidth;
    record.WindowHeight = tail->WindowHeight;
  }
  return record;
}

std::vector<uint8_t> EncodeConfigFile(const ConfigRecord& record) {
  const auto head = EncodeConfig(record);
  std::vector<uint8_t> out;
  out.reserve(kConfigRecordSize + 16 + record.RomFileName.size());
  for (uint8_t byte : head) out.push_back(byte);
  const bool longName = record.RomFileName.size() > kRomNameMaxLength;
  const bool windowSize = record.WindowWidth > 0 && record.WindowHeight > 0;
  if (!longName && !windowSize) return out;
  for (uint8_t byte : kTailMagic) out.push_back(byte);
  if (longName) {
    // Past the 16-bit length nothing could be read back; such a name is no path anyway.
    const std::size_t length = std::min<std::size_t>(record.RomFileName.size(), 0xFFFF);
    PutField(out, kTagRomName,
             std::span(reinterpret_cast<const uint8_t*>(record.RomFileName.data()), length));
  }
  if (windowSize) {
    const auto width = static_cast<uint16_t>(std::min(record.WindowWidth, 0xFFFF));
    const auto height = static_cast<uint16_t>(std::min(record.WindowHeight, 0xFFFF));
    const std::array<uint8_t, 4> size{static_cast<uint8_t>(width), static_cast<uint8_t>(width >> 8),
                                      static_cast<uint8_t>(height), static_cast<uint8_t>(height >> 8)};
    PutField(out, kTagWindowSize, size);
  }
  return out;
}

ConfigReadResult ReadConfigFile(const std::filesystem::path& path) {
  std::error_code error;
  if (!std::filesystem::exists(path, error)) return {};
  // The record and whatever tail follows it; a file shorter than the record is an error.
  std::vector<uint8_t> bytes(kConfigRecordSize + kConfigTailLimit);
  const FileReadResult read = ReadFilePrefix(path, bytes);
  std::optional<ConfigRecord> record;
  if (read.Status != FileReadStatus::OpenFailed && read.BytesRead >= kConfigRecordSize)
    record = DecodeConfig(std::span(bytes).first(read.BytesRead));
  if (!record) return {std::nullopt, std::string(kConfigErrorMessage)};
  return {std::move(record), {}};
}

std::string WriteConfigFile(const std::filesystem::path& path, const ConfigRecord& record) {
  return WriteWholeFile(path, EncodeConfigFile(record));
}

}  // namespace homemicro
