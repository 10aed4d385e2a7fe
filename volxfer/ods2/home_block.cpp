#include "home_block.h"

#include <cstring>

namespace ods2 {

namespace f = layout::home;

bool HomeBlock::Check(std::span<const std::uint8_t> b) {
  if (b.size() < kBlockSize) return false;
  if (WordChecksum(b, f::kFirstChecksum) != GetU16(b, f::kFirstChecksum) ||
      WordChecksum(b, f::kSecondChecksum) != GetU16(b, f::kSecondChecksum))
    return false;
  if (std::memcmp(b.data() + f::kFormat, "DECFILE11B  ", f::kTextSize) != 0) return false;
  if (GetU32(b, f::kHomeLbn) == 0 || GetU32(b, f::kAlternateHomeLbn) == 0 ||
      GetU32(b, f::kAlternateIndexLbn) == 0)
    return false;
  if (GetU8(b, f::kStructureVersion) == 0 || GetU8(b, f::kStructureLevel) != 2) return false;
  if (GetU16(b, f::kClusterFactor) == 0 || GetU16(b, f::kHomeVbn) == 0 || GetU32(b, f::kIndexBitmapLbn) == 0)
    return false;
  std::uint32_t max_files = GetU32(b, f::kMaxFiles);
  if (max_files > kMaxFilesLimit || max_files <= GetU16(b, f::kReservedFiles)) return false;
  if (GetU16(b, f::kIndexBitmapBlocks) == 0 || GetU16(b, f::kReservedFiles) < 5) return false;
  return GetU16(b, f::kDeviceType) == 0;
}

std::string HomeBlock::Text(std::size_t at, std::size_t size) const {
  return std::string(reinterpret_cast<const char*>(bytes_.data() + at), size);
}

}  // namespace ods2
