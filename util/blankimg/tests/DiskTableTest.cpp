// The drive table against the published figures of each drive.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <string_view>

#include "DiskTable.h"

namespace blankimg {
namespace {

// Every row as DEC documents the drive, in table order: name, controller class, platforms,
// sectors per track, tracks per cylinder, cylinders, sector size, bad block kind, size in KB.
struct ExpectedRow {
  const char* name;
  std::uint32_t controller, platforms, sectors, tracks, cylinders, sectorSize, badBlockKind;
  std::uint64_t kb;
};

// clang-format off
constexpr ExpectedRow kExpectedRows[] = {
    {"rk05", 32, 1, 12, 2, 203, 512, 0, 2436},
    {"rk06", 64, 1, 22, 3, 411, 512, 0, 13563},
    {"rk07", 64, 1, 22, 3, 815, 512, 0, 26895},
    {"rl01", 4, 1, 40, 2, 256, 256, 2, 5120},
    {"rl02", 4, 1, 40, 2, 512, 256, 3, 10240},
    {"rd50", 256, 5, 16, 4, 153, 512, 0, 4896},
    {"rd51-p", 256, 2, 16, 4, 306, 512, 0, 9792},
    {"rd31-p", 256, 2, 16, 4, 615, 512, 0, 19680},
    {"rd52-p", 256, 2, 16, 5, 697, 512, 0, 27880},
    {"rd52-p1", 256, 2, 16, 6, 512, 512, 0, 24576},
    {"rd52-p2", 256, 2, 16, 7, 645, 512, 0, 36120},
    {"rd52-p3", 256, 2, 16, 8, 512, 512, 0, 32768},
    {"rd32-p", 256, 2, 16, 6, 820, 512, 0, 39360},
    {"rd53-p", 256, 2, 16, 8, 1024, 512, 0, 65536},
    {"rx01", 16, 0, 26, 1, 77, 128, 0, 250},
    {"rx02", 16, 0, 26, 1, 77, 256, 0, 500},
    {"rx50", 8, 0, 10, 1, 80, 512, 0, 400},
    {"rm02", 2, 1, 32, 5, 823, 512, 0, 65840},
    {"rm03", 2, 5, 32, 5, 823, 512, 0, 65840},
    {"rm05", 2, 5, 32, 19, 823, 512, 0, 250192},
    {"rm80", 2, 5, 31, 14, 559, 512, 0, 121303},
    {"rp03", 128, 1, 10, 20, 400, 512, 0, 40000},
    {"rp04", 2, 1, 22, 19, 411, 512, 0, 85899},
    {"rp05", 2, 1, 22, 19, 411, 512, 0, 85899},
    {"rp06", 2, 5, 22, 19, 815, 512, 0, 170335},
    {"rp07", 2, 1, 50, 32, 630, 512, 0, 504000},
    {"rs03", 2, 1, 64, 64, 1, 128, 0, 512},
    {"rs04", 2, 1, 64, 64, 1, 256, 0, 1024},
    {"rz22", 1, 1, 33, 4, 776, 512, 0, 51216},
    {"rz23", 1, 1, 33, 8, 776, 512, 0, 102432},
    {"rz23l", 1, 1, 39, 4, 1524, 512, 0, 118872},
    {"rz24", 1, 1, 38, 8, 1348, 512, 0, 204896},
    {"rz24l", 1, 1, 66, 4, 1818, 512, 0, 239976},
    {"rz25", 1, 1, 62, 9, 1492, 512, 0, 416268},
    {"rz26", 1, 1, 57, 14, 2570, 512, 0, 1025430},
    {"rz27", 1, 1, 143, 16, 1366, 512, 0, 1562704},
    {"rz28", 1, 1, 99, 16, 2595, 512, 0, 2055240},
    {"rz29", 1, 1, 113, 20, 3708, 512, 0, 4190040},
    {"rz74", 1, 1, 67, 25, 4165, 512, 0, 3488187},
    {"rz35", 1, 1, 57, 14, 2086, 512, 0, 832314},
    {"rz55", 1, 1, 36, 15, 1224, 512, 0, 330480},
    {"rz56", 1, 1, 54, 15, 1632, 512, 0, 660960},
    {"rz57", 1, 1, 71, 15, 1854, 512, 0, 987255},
    {"rz58", 1, 1, 85, 15, 2117, 512, 0, 1349587},
    {"rz59", 1, 1, 193, 18, 5111, 512, 0, 8877807},
    {"rz73", 1, 1, 71, 21, 2621, 512, 0, 1953955},
    {"ez51", 1, 1, 33, 9, 776, 512, 0, 115236},
    {"ez54", 1, 1, 62, 10, 1492, 512, 0, 462520},
    {"ez58", 1, 1, 20, 10, 8353, 512, 0, 835300},
    {"rx23", 1, 0, 18, 2, 80, 512, 0, 1440},
    {"rx26", 1, 0, 36, 2, 80, 512, 0, 2880},
    {"rx33", 1, 0, 15, 2, 80, 512, 0, 1200},
    {"rc25", 1, 1, 31, 2, 796, 512, 0, 24676},
    {"rx50", 1, 0, 10, 1, 80, 512, 0, 400},
    {"rd51", 1, 5, 16, 4, 306, 512, 0, 9792},
    {"rd52", 1, 5, 16, 4, 945, 512, 0, 30240},
    {"rd53", 1, 5, 16, 4, 2168, 512, 0, 69376},
    {"rd54", 1, 5, 16, 10, 1954, 512, 0, 156320},
    {"ra60", 1, 1, 42, 4, 2382, 512, 0, 200088},
    {"ra70", 1, 1, 33, 11, 1507, 512, 0, 273520},
    {"ra71", 1, 1, 51, 14, 1915, 512, 0, 683655},
    {"ra72", 1, 1, 51, 20, 1915, 512, 0, 976650},
    {"ra73", 1, 1, 70, 21, 2667, 512, 0, 1960245},
    {"ra80", 1, 1, 31, 14, 546, 512, 0, 118482},
    {"ra81", 1, 1, 51, 14, 1248, 512, 0, 445536},
    {"ra82", 1, 1, 57, 15, 1423, 512, 0, 608332},
    {"ra90", 1, 1, 69, 13, 2649, 512, 0, 1188076},
    {"ra92", 1, 1, 69, 13, 3279, 512, 0, 1470631},
};
// clang-format on

TEST(DiskTable, EveryRowHasItsGeometryInTableOrder) {
  const auto rows = diskRows();
  ASSERT_EQ(rows.size(), std::size(kExpectedRows));
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const ExpectedRow& want = kExpectedRows[i];
    const DiskType& row = rows[i];
    SCOPED_TRACE(std::to_string(i + 1) + " " + want.name);
    EXPECT_STREQ(row.name, want.name);
    EXPECT_EQ(row.controller, want.controller);
    EXPECT_EQ(row.platforms, want.platforms);
    EXPECT_EQ(row.sectors, want.sectors);
    EXPECT_EQ(row.tracks, want.tracks);
    EXPECT_EQ(row.cylinders, want.cylinders);
    EXPECT_EQ(row.sectorSize, want.sectorSize);
    EXPECT_EQ(row.badBlockKind, want.badBlockKind);
    // The size column is given for checking: it must follow from the geometry.
    EXPECT_EQ(sizeKb(row), want.kb);
    EXPECT_EQ(rowNumber(row), i + 1);
  }
}

TEST(DiskTable, WalkFromFirstRowStopsAtTheUnnamedEndRow) {
  std::size_t count = 0;
  for (const DiskType* row = diskTable(); row->name != nullptr; ++row) ++count;
  EXPECT_EQ(count, diskRows().size());
  EXPECT_EQ(diskTable(), diskRows().data());
}

const DiskType& rowNamed(std::string_view name) {
  for (const DiskType& row : diskRows())
    if (name == row.name) return row;
  throw std::runtime_error("no row " + std::string(name));
}

TEST(DiskTable, SizesAndBlocksNeedSixtyFourBits) {
  struct Case {
    const char* name;
    std::uint64_t bytes, kb, blocks;
  };
  const Case cases[] = {
      {"rx01", 256'256, 250, 2002},                    // 128-byte sectors, KB rounded down
      {"rs03", 524'288, 512, 4096},                    //
      {"rs04", 1'048'576, 1024, 4096},                 //
      {"rk05", 2'494'464, 2436, 4872},                 //
      {"rz59", 9'090'874'368, 8'877'807, 17'755'614},  // beyond 4 GiB
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const DiskType& row = rowNamed(c.name);
    EXPECT_EQ(imageSizeBytes(row), c.bytes);
    EXPECT_EQ(sizeKb(row), c.kb);
    EXPECT_EQ(blockCount(row), c.blocks);
  }
}

TEST(DiskTable, PlatformTexts) {
  const char* expected[] = {"N/D", "PDP", "PRO", "PDP,PRO", "VAX", "PDP,VAX", "VAX,PRO", "PDP,VAX,PRO"};
  for (std::uint32_t mask = 0; mask < 8; ++mask) EXPECT_STREQ(platformText(mask), expected[mask]) << mask;
}

TEST(DiskTable, OnlyTheDiskettesHaveNoPlatform) {
  std::multiset<std::string> names;
  for (const DiskType& row : diskRows())
    if (row.platforms == 0) names.insert(row.name);
  EXPECT_EQ(names, (std::multiset<std::string>{"rx01", "rx02", "rx50", "rx50", "rx23", "rx26", "rx33"}));
}

TEST(DiskTable, TheTwoRx50RowsDiffer) {
  std::vector<const DiskType*> rx50;
  for (const DiskType& row : diskRows())
    if (std::string_view(row.name) == "rx50") rx50.push_back(&row);
  ASSERT_EQ(rx50.size(), 2u);
  EXPECT_EQ(rowNumber(*rx50[0]), 17u);
  EXPECT_EQ(rowNumber(*rx50[1]), 54u);
  EXPECT_STREQ(rx50[0]->description, "DEC RX50 floppy");
  EXPECT_STREQ(rx50[1]->description, "DEC RX50 5.25\"");
  EXPECT_EQ(rx50[0]->controller, 8u);
  EXPECT_EQ(rx50[1]->controller, kControllerMscp);
}

TEST(DiskTable, MediaIdentifiersArePackedAsMscpPublishesThem) {
  // Identifiers as MSCP drivers know them, in hexadecimal.
  EXPECT_EQ(rowNamed("ra81").mediaId, 0x25641051u);
  EXPECT_EQ(rowNamed("rd54").mediaId, 0x25644036u);
  EXPECT_EQ(rowNamed("rx50").mediaId, 0u);            // the first rx50 row has none
  EXPECT_EQ(diskRows()[53].mediaId, 0x25658032u);     // DU RX50
  EXPECT_EQ(rowNamed("rz23l").mediaId, 0x22E5A617u);  // DK RZL23: three drive letters
  EXPECT_EQ(rowNamed("rz59").mediaId, 0u);
  EXPECT_EQ(rowNamed("ra92").model, 28u);
}

TEST(DiskTable, Flags) {
  const std::set<std::string> flagged{"rk05", "rk06", "rk07", "rl01", "rl02", "rx01", "rx02",
                                      "rm02", "rm03", "rm05", "rm80", "rp03", "rp04", "rp05",
                                      "rp06", "rp07", "rs03", "rs04", "ra60"};
  for (const DiskType& row : diskRows()) {
    SCOPED_TRACE(row.name);
    const bool firstRx50 = rowNumber(row) == 17;
    EXPECT_EQ(row.flag, flagged.count(row.name) || firstRx50 ? 1u : 0u);
  }
}

TEST(DiskTable, Rx02CarriesItsSpareWords) {
  const DiskType& rx02 = rowNamed("rx02");
  EXPECT_EQ(rx02.word15, 1u);
  EXPECT_EQ(rx02.word18, 1u);
  EXPECT_EQ(rx02.word19, 6u);
  for (const DiskType& row : diskRows()) {
    if (&row == &rx02) continue;
    EXPECT_EQ(
        row.word5 | row.word8 | row.word13 | row.word14 | row.word15 | row.word16 | row.word18 | row.word19,
        0u)
        << row.name;
  }
}

TEST(DiskTable, SupportedDisksTextHasOneTabSeparatedLinePerRow) {
  const std::string text = supportedDisksText();
  EXPECT_EQ(text.rfind("rk05\tDEC RK05 cartridge disk drive\tPDP\t2436\r\n", 0), 0u);
  EXPECT_NE(text.find("\nrx01\tDEC RX11 floppy\tN/D\t250\r\n"), std::string::npos);
  EXPECT_NE(text.find("\nrd51-p\tDEC RD51 10 MB 5.25\" (ST412) on DEC Pro\tPRO\t9792\r\n"),
            std::string::npos);
  EXPECT_NE(text.find("\nrz59\tDEC RZ59 Winchester\tPDP\t8877807\r\n"), std::string::npos);
  EXPECT_TRUE(text.ends_with("ra92\tDEC RA92 Winchester\tPDP\t1470631\r\n"));

  std::size_t lines = 0;
  for (std::size_t start = 0; start < text.size(); ++lines) {
    const std::size_t end = text.find("\r\n", start);
    ASSERT_NE(end, std::string::npos);
    const std::string line = text.substr(start, end - start);
    EXPECT_EQ(std::count(line.begin(), line.end(), '\t'), 3) << line;
    EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos) << line;
    start = end + 2;
  }
  EXPECT_EQ(lines, diskRows().size());
}

}  // namespace
}  // namespace blankimg
