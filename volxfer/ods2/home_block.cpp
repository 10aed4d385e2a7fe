#include "home_block.h"

#include <cstring>

namespace ods2 {

bool HomeBlock::Check(std::span<const std::uint8_t> b) {
  if (b.size() < kBlockSize) return false;
  if (WordChecksum(b, 58) != GetU16(b, 58) || WordChecksum(b, 510) != GetU16(b, 510)) return false;
  if (std::memcmp(b.data() + 496, "DECFILE11B  ", 12) != 0) return false;
  if (GetU32(b, 0) == 0 || GetU32(b, 4) == 0 || GetU32(b, 8) == 0) return false;
  if (GetU8(b, 12) == 0 || GetU8(b, 13) != 2) return false;
  if (GetU16(b, 14) == 0 || GetU16(b, 16) == 0 || GetU32(b, 24) == 0) return false;
  std::uint32_t max_files = GetU32(b, 28);
  if (max_files > kMaxFilesLimit || max_files <= GetU16(b, 34)) return false;
  if (GetU16(b, 32) == 0 || GetU16(b, 34) < 5) return false;
  return GetU16(b, 36) == 0;
}

std::string HomeBlock::Text(std::size_t at, std::size_t size) const {
  return std::string(reinterpret_cast<const char*>(bytes_.data() + at), size);
}

}  // namespace ods2
