// The drive table against the published figures of each drive.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <string_view>

#include "DiskTable.h"

namespace blankimg {
namespace {

struct NamedSize {
  const char* name;
  std::uint64_t kb;
};

// Name and size in KB of every row, in table order, as DEC lists the drives.
constexpr NamedSize kSizeColumn[] = {
    {"rk05", 2436},     {"rk06", 13563},    {"rk07", 26895},   {"rl01", 5120},    {"rl02", 10240},
    {"rd50", 4896},     {"rd51-p", 9792},   {"rd31-p", 19680}, {"rd52-p", 27880}, {"rd52-p1", 24576},
    {"rd52-p2", 36120}, {"rd52-p3", 32768}, {"rd32-p", 39360}, {"rd53-p", 65536}, {"rx01", 250},
    {"rx02", 500},      {"rx50", 400},      {"rm02", 65840},   {"rm03", 65840},   {"rm05", 250192},
    {"rm80", 121303},   {"rp03", 40000},    {"rp04", 85899},   {"rp05", 85899},   {"rp06", 170335},
    {"rp07", 504000},   {"rs03", 512},      {"rs04", 1024},    {"rz22", 51216},   {"rz23", 102432},
    {"rz23l", 118872},  {"rz24", 204896},   {"rz24l", 239976}, {"rz25", 416268},  {"rz26", 1025430},
    {"rz27", 1562704},  {"rz28", 2055240},  {"rz29", 4190040}, {"rz74", 3488187}, {"rz35", 832314},
    {"rz55", 330480},   {"rz56", 660960},   {"rz57", 987255},  {"rz58", 1349587}, {"rz59", 8877807},
    {"rz73", 1953955},  {"ez51", 115236},   {"ez54", 462520},  {"ez58", 835300},  {"rx23", 1440},
    {"rx26", 2880},     {"rx33", 1200},     {"rc25", 24676},   {"rx50", 400},     {"rd51", 9792},
    {"rd52", 30240},    {"rd53", 69376},    {"rd54", 156320},  {"ra60", 200088},  {"ra70", 273520},
    {"ra71", 683655},   {"ra72", 976650},   {"ra73", 1960245}, {"ra80", 118482},  {"ra81", 445536},
    {"ra82", 608332},   {"ra90", 1188076},  {"ra92", 1470631},
};

TEST(DiskTable, EveryRowHasItsNameAndSizeInTableOrder) {
  const auto rows = diskRows();
  ASSERT_EQ(rows.size(), std::size(kSizeColumn));
  for (std::size_t i = 0; i < rows.size(); ++i) {
    SCOPED_TRACE(kSizeColumn[i].name);
    EXPECT_STREQ(rows[i].name, kSizeColumn[i].name);
    EXPECT_EQ(sizeKb(rows[i]), kSizeColumn[i].kb);
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

TEST(DiskTable, FlagsAndBadBlockKinds) {
  const std::set<std::string> flagged{"rk05", "rk06", "rk07", "rl01", "rl02", "rx01", "rx02",
                                      "rm02", "rm03", "rm05", "rm80", "rp03", "rp04", "rp05",
                                      "rp06", "rp07", "rs03", "rs04", "ra60"};
  for (const DiskType& row : diskRows()) {
    SCOPED_TRACE(row.name);
    const bool firstRx50 = rowNumber(row) == 17;
    EXPECT_EQ(row.flag, flagged.count(row.name) || firstRx50 ? 1u : 0u);
    const std::string name = row.name;
    EXPECT_EQ(row.badBlockKind, name == "rl01" ? 2u : name == "rl02" ? 3u : 0u);
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
