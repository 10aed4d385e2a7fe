// The identifier of a file: number, sequence number, relative volume number, number extension.
#pragma once

#include <cstdint>
#include <span>

#include "little_endian.h"

namespace ods2 {

struct FileId {
  std::uint16_t number = 0;
  std::uint16_t sequence = 0;
  std::uint8_t rvn = 0;
  std::uint8_t number_extension = 0;

  // The 24-bit file number the index file is counted in.
  std::uint32_t FileNumber() const { return static_cast<std::uint32_t>(number_extension) << 16 | number; }

  static FileId Read(std::span<const std::uint8_t> bytes, std::size_t at) {
    return {GetU16(bytes, at), GetU16(bytes, at + 2), GetU8(bytes, at + 4), GetU8(bytes, at + 5)};
  }
  void Write(std::span<std::uint8_t> bytes, std::size_t at) const {
    PutU16(bytes, at, number);
    PutU16(bytes, at + 2, sequence);
    PutU8(bytes, at + 4, rvn);
    PutU8(bytes, at + 5, number_extension);
  }
  bool operator==(const FileId&) const = default;
};

inline constexpr FileId kIndexFileId{1, 1, 0, 0};
inline constexpr FileId kBitmapFileId{2, 2, 0, 0};
inline constexpr FileId kMasterDirectoryId{4, 4, 0, 0};

}  // namespace ods2
