// The constant table of the DEC disk and diskette drives BlankImg knows, and the figures
// derived from a row (image size, blocks, platform text, the "Supported disks" text).
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace blankimg {

// Bits of DiskType::platforms.
inline constexpr std::uint32_t kPlatformPdp11 = 1;
inline constexpr std::uint32_t kPlatformPro = 2;
inline constexpr std::uint32_t kPlatformVax = 4;

// The only controller class the program acts on: drives offered under "MSCP".
inline constexpr std::uint32_t kControllerMscp = 1;

// One drive. Field order follows the drive description records the table was built from; the
// unnamed words are carried along unchanged and nothing reads them.
struct DiskType {
  const char* name;  // nullptr only in the end row
  const char* description;
  std::uint32_t controller;  // controller class, one bit per class
  std::uint32_t mediaId;     // packed MSCP media type identifier, 0 if none
  std::uint32_t word5;
  std::uint32_t model;
  std::uint32_t flag;
  std::uint32_t word8;
  std::uint32_t sectors;  // per track
  std::uint32_t tracks;   // per cylinder
  std::uint32_t cylinders;
  std::uint32_t sectorSize;  // bytes
  std::uint32_t word13;
  std::uint32_t word14;
  std::uint32_t word15;
  std::uint32_t word16;
  std::uint32_t badBlockKind;  // 2 (RL01) or 3 (RL02): bad block table on the last track
  std::uint32_t word18;
  std::uint32_t word19;
  std::uint32_t platforms;  // kPlatform* bits
};

// Packs an MSCP media identifier: two letters of device prefix, up to three of drive name, number.
constexpr std::uint32_t mscpMediaId(const char (&prefix)[3], const char* drive, std::uint32_t number) {
  auto letter = [](char c) -> std::uint32_t { return c >= 'A' && c <= 'Z' ? std::uint32_t(c - 'A' + 1) : 0; };
  std::uint32_t id = letter(prefix[0]) << 27 | letter(prefix[1]) << 22;
  for (int i = 0, shift = 17; i < 3 && drive[i] != '\0'; ++i, shift -= 5) id |= letter(drive[i]) << shift;
  return id | (number & 0x7F);
}

// The first row; rows follow one another up to the end row (name == nullptr).
const DiskType* diskTable();
// The same rows without the end row.
std::span<const DiskType> diskRows();

// 1-based position of a row in the table (as shown by the command line), 0 if not a table row.
std::size_t rowNumber(const DiskType& row);

std::uint64_t imageSizeBytes(const DiskType& row);
std::uint64_t blockCount(const DiskType& row);
std::uint64_t sizeKb(const DiskType& row);
const char* platformText(std::uint32_t platforms);

// One line per row: name, description, platform text and size in KB, tab separated, CR LF ended.
std::string supportedDisksText();

}  // namespace blankimg
