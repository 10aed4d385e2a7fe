// The drive table. Columns of row(): name, description, controller class, platforms, sectors per
// track, tracks per cylinder, cylinders, sector size, bad block kind, media id, model, flag.
#include "DiskTable.h"

#include <array>
#include <cstdio>

namespace blankimg {
namespace {

constexpr DiskType row(const char* name, const char* description, std::uint32_t controller,
                       std::uint32_t platforms, std::uint32_t sectors, std::uint32_t tracks,
                       std::uint32_t cylinders, std::uint32_t sectorSize, std::uint32_t badBlockKind,
                       std::uint32_t mediaId, std::uint32_t model, std::uint32_t flag) {
  DiskType type{};  // the spare words stay zero
  type.name = name;
  type.description = description;
  type.controller = controller;
  type.mediaId = mediaId;
  type.model = model;
  type.flag = flag;
  type.sectors = sectors;
  type.tracks = tracks;
  type.cylinders = cylinders;
  type.sectorSize = sectorSize;
  type.badBlockKind = badBlockKind;
  type.platforms = platforms;
  return type;
}

// clang-format off
constexpr std::array kRows{
    row("rk05", "DEC RK05 cartridge disk drive", 32, 1, 12, 2, 203, 512, 0, 0, 0, 1),
    row("rk06", "DEC RK06 cartridge disk drive", 64, 1, 22, 3, 411, 512, 0, 0, 0, 1),
    row("rk07", "DEC RK07 cartridge disk drive", 64, 1, 22, 3, 815, 512, 0, 0, 0, 1),
    row("rl01", "DEC RL01 cartridge disk drive", 4, 1, 40, 2, 256, 256, 2, 0, 0, 1),
    row("rl02", "DEC RL02 cartridge disk drive", 4, 1, 40, 2, 512, 256, 3, 0, 0, 1),
    row("rd50", "DEC RD50 disk drive (ST506)", 256, 5, 16, 4, 153, 512, 0, 0, 0, 0),
    row("rd51-p", "DEC RD51 10 MB 5.25\" (ST412) on DEC Pro", 256, 2, 16, 4, 306, 512, 0, 0, 0, 0),
    row("rd31-p", "DEC RD31 disk drive on DEC Pro (ST225)", 256, 2, 16, 4, 615, 512, 0, 0, 0, 0),
    row("rd52-p", "DEC RD52 32 MB 5.25\" on DEC Pro (CDC 9415-5)", 256, 2, 16, 5, 697, 512, 0, 0, 0, 0),
    row("rd52-p1", "DEC RD52 32 MB 5.25\" on DEC Pro", 256, 2, 16, 6, 512, 512, 0, 0, 0, 0),
    row("rd52-p2", "DEC RD52 32 MB 5.25\" on DEC Pro (ATASI 3046)", 256, 2, 16, 7, 645, 512, 0, 0, 0, 0),
    row("rd52-p3", "DEC RD52 32 MB 5.25\" on DEC Pro (QUANTUM Q540)", 256, 2, 16, 8, 512, 512, 0, 0, 0, 0),
    row("rd32-p", "DEC RD32 disk drive on DEC Pro (ST251)", 256, 2, 16, 6, 820, 512, 0, 0, 0, 0),
    row("rd53-p", "DEC RD53 disk drive on DEC Pro (Micropolis 1325)", 256, 2, 16, 8, 1024, 512, 0, 0, 0, 0),
    row("rx01", "DEC RX11 floppy", 16, 0, 26, 1, 77, 128, 0, 0, 0, 1),
    // rx02 is the one row whose spare words are not all zero.
    DiskType{"rx02", "DEC RX21 floppy", 16, 0, 0, 0, 1, 0, 26, 1, 77, 256, 0, 0, 1, 0, 0, 1, 6, 0},
    row("rx50", "DEC RX50 floppy", 8, 0, 10, 1, 80, 512, 0, 0, 0, 1),
    row("rm02", "DEC RM02 disk drive", 2, 1, 32, 5, 823, 512, 0, 0, 0, 1),
    row("rm03", "DEC RM03 disk drive", 2, 5, 32, 5, 823, 512, 0, 0, 0, 1),
    row("rm05", "DEC RM05 disk drive", 2, 5, 32, 19, 823, 512, 0, 0, 0, 1),
    row("rm80", "DEC RM80 disk drive", 2, 5, 31, 14, 559, 512, 0, 0, 0, 1),
    row("rp03", "DEC RP03 disk drive", 128, 1, 10, 20, 400, 512, 0, 0, 0, 1),
    row("rp04", "DEC RP04 disk drive", 2, 1, 22, 19, 411, 512, 0, 0, 0, 1),
    row("rp05", "DEC RP05 disk drive", 2, 1, 22, 19, 411, 512, 0, 0, 0, 1),
    row("rp06", "DEC RP06 disk drive", 2, 5, 22, 19, 815, 512, 0, 0, 0, 1),
    row("rp07", "DEC RP07 disk drive", 2, 1, 50, 32, 630, 512, 0, 0, 0, 1),
    row("rs03", "DEC RS03 disk drive", 2, 1, 64, 64, 1, 128, 0, 0, 0, 1),
    row("rs04", "DEC RS04 disk drive", 2, 1, 64, 64, 1, 256, 0, 0, 0, 1),
    row("rz22", "DEC RZ22 Winchester 52 MB 3.5\"", 1, 1, 33, 4, 776, 512, 0, mscpMediaId("DK", "RZ", 22), 4, 0),
    row("rz23", "DEC RZ23 Winchester 104 MB 3.5\"", 1, 1, 33, 8, 776, 512, 0, mscpMediaId("DK", "RZ", 23), 5, 0),
    row("rz23l", "DEC RZ23L Winchester 121 MB 3.5\"", 1, 1, 39, 4, 1524, 512, 0, mscpMediaId("DK", "RZL", 23), 6, 0),
    row("rz24", "DEC RZ24 Winchester 209 MB 3.5\"", 1, 1, 38, 8, 1348, 512, 0, mscpMediaId("DK", "RZ", 24), 7, 0),
    row("rz24l", "DEC RZ24L Winchester 245 MB 3.5\"", 1, 1, 66, 4, 1818, 512, 0, mscpMediaId("DK", "RZL", 24), 9, 0),
    row("rz25", "DEC RZ25 Winchester 425 MB 2.5\"", 1, 1, 62, 9, 1492, 512, 0, mscpMediaId("DK", "RZ", 25), 8, 0),
    row("rz26", "DEC RZ26 Winchester 1.5 GB 3.5\"", 1, 1, 57, 14, 2570, 512, 0, mscpMediaId("DK", "RZ", 26), 10, 0),
    row("rz27", "DEC RZ27 Winchester 1.6 GB 3.5\"", 1, 1, 143, 16, 1366, 512, 0, mscpMediaId("DK", "RZ", 27), 12, 0),
    row("rz28", "DEC RZ28 Winchester 2.1 GB 3.5\"", 1, 1, 99, 16, 2595, 512, 0, mscpMediaId("DK", "RZ", 28), 13, 0),
    row("rz29", "DEC RZ29 Winchester 4.3 GB 3.5\"", 1, 1, 113, 20, 3708, 512, 0, mscpMediaId("DK", "RZ", 29), 19, 0),
    row("rz74", "DEC RZ74 Winchester 3.75 GB 5.25\"", 1, 1, 67, 25, 4165, 512, 0, mscpMediaId("DK", "RZ", 74), 45, 0),
    row("rz35", "DEC RZ35 Winchester 825 MB 3.5\"", 1, 1, 57, 14, 2086, 512, 0, mscpMediaId("DK", "RZ", 35), 11, 0),
    row("rz55", "DEC RZ55 Winchester 332 MB 5.25\"", 1, 1, 36, 15, 1224, 512, 0, mscpMediaId("DK", "RZ", 55), 14, 0),
    row("rz56", "DEC RZ56 Winchester 665 MB 5.25\"", 1, 1, 54, 15, 1632, 512, 0, mscpMediaId("DK", "RZ", 56), 15, 0),
    row("rz57", "DEC RZ57 Winchester 1.0 GB 5.25\"", 1, 1, 71, 15, 1854, 512, 0, mscpMediaId("DK", "RZ", 57), 16, 0),
    row("rz58", "DEC RZ58 Winchester 1.38 GB 5.25\"", 1, 1, 85, 15, 2117, 512, 0, mscpMediaId("DK", "RZ", 58), 17, 0),
    row("rz59", "DEC RZ59 Winchester", 1, 1, 193, 18, 5111, 512, 0, 0, 0, 0),
    row("rz73", "DEC RZ73 Winchester 2 GB 5.25\"", 1, 1, 71, 21, 2621, 512, 0, mscpMediaId("DK", "RZ", 73), 22, 0),
    row("ez51", "DEC EZ51 100 MB Solid State Disk", 1, 1, 33, 9, 776, 512, 0, mscpMediaId("DK", "EZ", 51), 40, 0),
    row("ez54", "DEC EZ54 400 MB Solid State Disk", 1, 1, 62, 10, 1492, 512, 0, mscpMediaId("DK", "EZ", 54), 43, 0),
    row("ez58", "DEC EZ58 Winchester 1 GB 5.25\"", 1, 1, 20, 10, 8353, 512, 0, mscpMediaId("DK", "EZ", 58), 44, 0),
    row("rx23", "DEC RX23 1.4 MB 3.5\"", 1, 0, 18, 2, 80, 512, 0, mscpMediaId("DK", "RX", 23), 1, 0),
    row("rx26", "DEC RX26 2.8 MB 3.5\"", 1, 0, 36, 2, 80, 512, 0, mscpMediaId("DK", "RX", 26), 2, 0),
    row("rx33", "DEC RX33 1200 KB 5.25\"", 1, 0, 15, 2, 80, 512, 0, mscpMediaId("DU", "RX", 33), 10, 0),
    row("rc25", "DEC RC25", 1, 1, 31, 2, 796, 512, 0, mscpMediaId("DA", "RC", 25), 3, 0),
    row("rx50", "DEC RX50 5.25\"", 1, 0, 10, 1, 80, 512, 0, mscpMediaId("DU", "RX", 50), 7, 0),
    row("rd51", "DEC RD51 10 MB 5.25\"", 1, 5, 16, 4, 306, 512, 0, mscpMediaId("DU", "RD", 51), 6, 0),
    row("rd52", "DEC RD52 31 MB 5.25\"", 1, 5, 16, 4, 945, 512, 0, mscpMediaId("DU", "RD", 52), 8, 0),
    row("rd53", "DEC RD53 71 MB 5.25\"", 1, 5, 16, 4, 2168, 512, 0, mscpMediaId("DU", "RD", 53), 9, 0),
    row("rd54", "DEC RD54 159 MB 5.25\"", 1, 5, 16, 10, 1954, 512, 0, mscpMediaId("DU", "RD", 54), 13, 0),
    row("ra60", "DEC RA60 Removable", 1, 1, 42, 4, 2382, 512, 0, mscpMediaId("DJ", "RA", 60), 4, 1),
    row("ra70", "DEC RA70 Winchester", 1, 1, 33, 11, 1507, 512, 0, mscpMediaId("DU", "RA", 70), 18, 0),
    row("ra71", "DEC RA71 Winchester 700 MB 5.25\"", 1, 1, 51, 14, 1915, 512, 0, mscpMediaId("DU", "RA", 71), 40, 0),
    row("ra72", "DEC RA72 Winchester 1.0GB 5.25\"", 1, 1, 51, 20, 1915, 512, 0, mscpMediaId("DU", "RA", 72), 37, 0),
    row("ra73", "DEC RA73 Winchester 2.0GB 5.25\"", 1, 1, 70, 21, 2667, 512, 0, mscpMediaId("DU", "RA", 73), 47, 0),
    row("ra80", "DEC RA80 Winchester", 1, 1, 31, 14, 546, 512, 0, mscpMediaId("DU", "RA", 80), 1, 0),
    row("ra81", "DEC RA81 Winchester", 1, 1, 51, 14, 1248, 512, 0, mscpMediaId("DU", "RA", 81), 5, 0),
    row("ra82", "DEC RA82 Winchester", 1, 1, 57, 15, 1423, 512, 0, mscpMediaId("DU", "RA", 82), 11, 0),
    row("ra90", "DEC RA90 Winchester", 1, 1, 69, 13, 2649, 512, 0, mscpMediaId("DU", "RA", 90), 19, 0),
    row("ra92", "DEC RA92 Winchester", 1, 1, 69, 13, 3279, 512, 0, mscpMediaId("DU", "RA", 92), 28, 0),
    DiskType{},  // end row: no name
};
// clang-format on

constexpr std::array<const char*, 8> kPlatformTexts{"N/D", "PDP",     "PRO",     "PDP,PRO",
                                                    "VAX", "PDP,VAX", "VAX,PRO", "PDP,VAX,PRO"};

}  // namespace

const DiskType* diskTable() {
  return kRows.data();
}

std::span<const DiskType> diskRows() {
  return {kRows.data(), kRows.size() - 1};
}

std::size_t rowNumber(const DiskType& row) {
  const auto rows = diskRows();
  if (&row < rows.data() || &row >= rows.data() + rows.size()) return 0;
  return static_cast<std::size_t>(&row - rows.data()) + 1;
}

std::uint64_t blockCount(const DiskType& row) {
  return std::uint64_t{row.sectors} * row.tracks * row.cylinders;
}

std::uint64_t imageSizeBytes(const DiskType& row) {
  return blockCount(row) * row.sectorSize;
}

std::uint64_t sizeKb(const DiskType& row) {
  return imageSizeBytes(row) >> 10;
}

const char* platformText(std::uint32_t platforms) {
  return platforms < kPlatformTexts.size() ? kPlatformTexts[platforms] : "N/D";
}

std::string supportedDisksText() {
  std::string text;
  for (const DiskType* row = diskTable(); row->name != nullptr; ++row) {
    char size[24];
    std::snprintf(size, sizeof size, "%llu", static_cast<unsigned long long>(sizeKb(*row)));
    text.append(row->name).append("\t").append(row->description).append("\t");
    text.append(platformText(row->platforms)).append("\t").append(size).append("\r\n");
  }
  return text;
}

}  // namespace blankimg
