// The records the engine fills for the shell: attributes of one file and figures of the volume.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace ods2 {

struct BrokenDownDate {
  int century = 0;
  int year = 0;   // within the century
  int month = 0;  // 1..12
  int day = 0;
  int hour = 0;
  int minute = 0;
  int second = 0;
  int hundredths = 0;
};

// A date stored as 100 ns units since 17-Nov-1858, broken down in local time. Anything before
// 1970 shows as the start of 1970.
BrokenDownDate ConvertDate(std::uint64_t ticks);

struct FileInfo {
  std::string name;  // NAME.TYPE;VERSION
  BrokenDownDate creation;
  BrokenDownDate revision;
  std::uint8_t owner_member = 0;  // low bytes of the owner words
  std::uint8_t owner_group = 0;
  std::array<std::uint8_t, 4> protection{};  // system, owner, group, world; a set bit denies
  std::uint8_t record_type = 0;
  std::uint8_t organization = 0;
  std::uint8_t record_attributes = 0;
  std::uint32_t record_size = 0;
  std::uint32_t eof_vbn = 0;
  std::uint32_t first_free_byte = 0;
  std::uint32_t max_record_size = 0;
  std::array<std::uint8_t, 4> characteristics{};
  std::uint32_t file_number = 0;
  std::uint16_t sequence = 0;
  std::uint16_t rvn = 0;
  std::uint32_t used_blocks = 0;
  std::uint32_t allocated_blocks = 0;
  std::uint32_t cursor = 0;  // where the next directory search goes on
};

struct VolumeInfo {
  std::uint32_t total_blocks = 0;
  std::uint32_t sectors_per_track = 0;
  std::uint32_t cylinders = 0;
  std::uint32_t tracks_per_cylinder = 0;
  std::uint16_t volume_number = 0;
  std::uint16_t cluster_factor = 0;
  std::uint32_t max_files = 0;
  std::uint16_t extend_quantity = 0;
  std::string owner_name;  // at most 10 characters
  std::uint32_t free_blocks = 0;
  std::string label;  // at most 10 characters
  std::uint8_t owner_member = 0;
  std::uint8_t owner_group = 0;
  std::array<std::uint8_t, 4> protection{};
};

}  // namespace ods2
