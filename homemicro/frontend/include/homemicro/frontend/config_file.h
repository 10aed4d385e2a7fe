// The configuration file "homemicro.cfg": one 48-byte record, read at start and written at close,
// and after it an optional tail with what the record cannot hold (a ROM name longer than 16
// characters, the window size). Readers of the record alone ignore bytes after it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "homemicro/frontend/color_table.h"

namespace homemicro {

inline constexpr std::size_t kConfigRecordSize = 48;
inline constexpr std::size_t kRomNameMaxLength = 16;
inline constexpr std::string_view kConfigFileName = "homemicro.cfg";
inline constexpr std::string_view kConfigErrorMessage = "Ошибка в файле конфигурации";
// The tail: magic 003 'B' 'K' 'X', then fields of a tag byte, a 16-bit length and that many
// bytes. Tag 1: the whole ROM name; tag 2: the window's width and height (16 bits each).
// Unknown tags are skipped; a tail that does not parse is ignored as a whole.
inline constexpr std::size_t kConfigTailLimit = 70000;

// Layout (little-endian): magic 003 'B' 'K' 'C'; play, one-bit mode, sound, ROM write control
// (one byte each, 1 = on); border colour 0x00BBGGRR; EmulationSpeed; RepaintCount; StartAddress
// (its decimal digits are octal digits); four palette entries; ROM name as a length byte and 16
// characters; three filler bytes.
struct ConfigRecord {
  bool Play = true;
  bool OneBitMode = true;
  bool Sound = true;
  bool RomWriteControl = true;
  uint32_t BorderColor = 0;
  int32_t EmulationSpeed = 13750;
  int32_t RepaintCount = 5;
  int32_t StartAddress = 100000;
  Palette PaletteEntries = kDefaultPalette;
  std::string RomFileName = "homemicro.rom";  // any length; the record holds the first 16
  int WindowWidth = 0;                        // 0: the default size (not stored)
  int WindowHeight = 0;

  friend bool operator==(const ConfigRecord&, const ConfigRecord&) = default;
};

// The 48-byte record alone: the ROM name is cut to its first 16 characters.
std::array<uint8_t, kConfigRecordSize> EncodeConfig(const ConfigRecord& record);
// The whole file: the record, then the tail when the name is longer than 16 characters or a
// window size is set.
std::vector<uint8_t> EncodeConfigFile(const ConfigRecord& record);

// Nothing for a record that is too short, has the wrong magic, a name length over 16, a NUL
// in the name, or a palette entry outside the colour table. A tail after the record gives the
// whole ROM name (when the record's name is its first 16 characters) and the window size.
std::optional<ConfigRecord> DecodeConfig(std::span<const uint8_t> bytes);

struct ConfigReadResult {
  std::optional<ConfigRecord> Record;  // the file's settings when it was read
  std::string Error;                   // kConfigErrorMessage when the file was there but bad
};

// No file at `path`: neither a record nor an error (the defaults apply).
ConfigReadResult ReadConfigFile(const std::filesystem::path& path);

// Failures are the caller's to ignore; the error text is returned for logging.
std::string WriteConfigFile(const std::filesystem::path& path, const ConfigRecord& record);

}  // namespace homemicro
