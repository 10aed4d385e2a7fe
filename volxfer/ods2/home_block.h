// The volume's home block: found by the search over its candidate LBNs, checked field by field.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "block_device.h"
#include "layout.h"
#include "little_endian.h"

namespace ods2 {

class HomeBlock {
 public:
  static constexpr std::uint32_t kFirstCandidate = 1;
  static constexpr std::uint32_t kCandidateStep = 1033;
  static constexpr std::uint32_t kCandidateLimit = 10331;
  // When no candidate is good, blocks up to this LBN are searched for one that is.
  static constexpr std::uint32_t kScanLimit = 10000;
  static constexpr std::uint32_t kMaxFilesLimit = 16777215;

  // The checks of a candidate block, in the order the search applies them.
  static bool Check(std::span<const std::uint8_t> block);

  std::span<std::uint8_t> bytes() { return bytes_; }
  std::span<const std::uint8_t> bytes() const { return bytes_; }

  std::uint16_t structure_level_word() const { return GetU16(bytes_, layout::home::kStructureVersion); }
  std::uint16_t cluster_factor() const { return GetU16(bytes_, layout::home::kClusterFactor); }
  std::uint16_t index_bitmap_vbn() const { return GetU16(bytes_, layout::home::kIndexBitmapVbn); }
  std::uint32_t index_bitmap_lbn() const { return GetU32(bytes_, layout::home::kIndexBitmapLbn); }
  std::uint32_t max_files() const { return GetU32(bytes_, layout::home::kMaxFiles); }
  std::uint16_t index_bitmap_blocks() const { return GetU16(bytes_, layout::home::kIndexBitmapBlocks); }
  std::uint16_t reserved_files() const { return GetU16(bytes_, layout::home::kReservedFiles); }
  std::uint16_t volume_number() const { return GetU16(bytes_, layout::home::kVolumeNumber); }
  std::uint16_t owner_member() const { return GetU16(bytes_, layout::home::kOwnerMember); }
  std::uint16_t owner_group() const { return GetU16(bytes_, layout::home::kOwnerGroup); }
  std::uint16_t default_protection() const { return GetU16(bytes_, layout::home::kDefaultProtection); }
  std::uint16_t extend_quantity() const { return GetU16(bytes_, layout::home::kExtendQuantity); }
  std::string volume_name() const { return Text(layout::home::kVolumeName, layout::home::kTextSize); }
  std::string owner_name() const { return Text(layout::home::kOwnerName, layout::home::kTextSize); }

 private:
  std::string Text(std::size_t at, std::size_t size) const;
  std::array<std::uint8_t, kBlockSize> bytes_{};
};

}  // namespace ods2
