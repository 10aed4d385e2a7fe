#include "DiskSelection.h"

#include <charconv>

namespace blankimg {
namespace {

bool systemAdmits(int systemIndex, const DiskType& row) {
  switch (systemIndex) {
    case kSystemAll:
      return true;
    case kSystemPdp11:
      return (row.platforms & kPlatformPdp11) != 0;
    case kSystemProfessional:
      return (row.platforms & kPlatformPro) != 0;
    case kSystemVax:
      return (row.platforms & kPlatformVax) != 0;
    default:
      return false;
  }
}

// One decimal, always with a point: the dialog's locale must not turn 2.4 into "2,4".
std::string formatTenths(double value) {
  char text[32];
  const auto end = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 1).ptr;
  return std::string(text, end);
}

}  // namespace

std::vector<const DiskType*> rowsFor(int systemIndex, int controllerIndex) {
  std::vector<const DiskType*> rows;
  for (const DiskType* row = diskTable(); row->name != nullptr; ++row) {
    if (!systemAdmits(systemIndex, *row)) continue;
    if (controllerIndex == kControllerMscpOnly && row->controller != kControllerMscp) continue;
    rows.push_back(row);
  }
  return rows;
}

bool controllerListEnabled(int systemIndex) {
  return systemIndex != kSelectSystem && systemIndex != kSystemProfessional;
}

DiskInformation diskInformation(const DiskType& row) {
  constexpr std::uint64_t kMiB = std::uint64_t{1} << 20;
  constexpr std::uint64_t kGiB = std::uint64_t{1} << 30;
  const std::uint64_t bytes = imageSizeBytes(row);
  const std::uint64_t kb = bytes >> 10;
  DiskInformation info;
  if (bytes > kGiB) {
    info.unit = "Gb";
    info.size = formatTenths(static_cast<double>(kb >> 10) / 1024.0);
  } else if (bytes > kMiB) {
    info.unit = "Mb";
    info.size = formatTenths(static_cast<double>(kb) / 1024.0);
  } else {
    info.unit = "Kb";
    info.size = std::to_string(kb);
  }
  info.blocks = std::to_string(blockCount(row));
  info.sectors = std::to_string(row.sectors);
  info.blockSize = std::to_string(row.sectorSize);
  return info;
}

std::string defaultFileName(const DiskType& row) {
  return std::string(row.name) + ".dsk";
}

}  // namespace blankimg
