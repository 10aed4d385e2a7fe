// Directory records, name matching, file specifications and lookups.
#include <gtest/gtest.h>

#include "ods2/directory.h"
#include "ods2/engine.h"
#include "support/test_volume.h"

namespace {

using test::BuilderFile;
using test::ImageFile;
using test::VolumeBuilder;

struct MatchCase {
  const char* pattern;
  const char* name;
  bool matches;
};

class MatchNameRule : public testing::TestWithParam<MatchCase> {};

TEST_P(MatchNameRule, WholeNameWithStarAndPercent) {
  EXPECT_EQ(ods2::MatchName(GetParam().pattern, GetParam().name), GetParam().matches)
      << GetParam().pattern << " / " << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(
    Table, MatchNameRule,
    testing::Values(MatchCase{"*.*", "ABC.TXT", true}, MatchCase{"*.*", "NODOT", false},
                    MatchCase{"*.DIR", "WORK.DIR", true}, MatchCase{"*.DIR", "WORK.TXT", false},
                    MatchCase{"A%C.*", "ABC.TXT", true}, MatchCase{"A%C.*", "ABBC.TXT", false},
                    MatchCase{"abc.txt", "ABC.TXT", true}, MatchCase{"ABC", "ABCD", false},
                    MatchCase{"ABCD", "ABC", false}, MatchCase{"*", "", true}, MatchCase{"%", "", false},
                    MatchCase{"A*", "A", true}, MatchCase{"A*", "B", false}, MatchCase{"*A", "BAA", true},
                    MatchCase{"A*C*E", "ABCDCE", true}, MatchCase{"A*C*E", "ABCDCEF", false},
                    MatchCase{"**", "X", true}, MatchCase{"%*%", "A", false}, MatchCase{"%*%", "AB", true},
                    MatchCase{"*X*", "ABC", false}, MatchCase{"*.T%T", "readme.txt", true}),
    [](const auto& info) { return "row" + std::to_string(info.index); });

TEST(FileSpecification, NamePartAndVersion) {
  struct Row {
    const char* text;
    const char* name;
    long version;
  };
  for (const Row& row :
       {Row{"FOO.TXT", "FOO.TXT", 0}, Row{"FOO.TXT;", "FOO.TXT", 0}, Row{"FOO.TXT;*", "FOO.TXT", 0},
        Row{"FOO.TXT;0", "FOO.TXT", 0}, Row{"FOO.TXT;3", "FOO.TXT", 3}, Row{"FOO.TXT; +12x", "FOO.TXT", 12},
        Row{"A;B;2", "A", 0}}) {
    ods2::FileSpecification spec = ods2::ParseSpecification(row.text);
    EXPECT_EQ(spec.name, row.name) << row.text;
    EXPECT_EQ(spec.version, row.version) << row.text;
  }
}

// A directory record for the tests that hand-craft directory data.
std::vector<std::uint8_t> Record(const std::string& name, std::vector<std::uint16_t> versions,
                                 std::uint16_t size_override = 0) {
  std::size_t pad = name.size() % 2;
  std::size_t size = 4 + name.size() + pad + 8 * versions.size();
  std::vector<std::uint8_t> r(2 + size, 0);
  ods2::PutU16(r, 0, static_cast<std::uint16_t>(size_override ? size_override : size));
  ods2::PutU16(r, 2, 0xFFFF);
  r[5] = static_cast<std::uint8_t>(name.size());
  std::copy(name.begin(), name.end(), r.begin() + 6);
  std::size_t at = 6 + name.size() + pad;
  for (std::uint16_t v : versions) {
    ods2::PutU16(r, at, v);
    ods2::FileId{static_cast<std::uint16_t>(100 + v), 1, 0, 0}.Write(r, at + 2);
    at += 8;
  }
  return r;
}

// Blocks of records; each block ends with 0xFFFF when there is room for it.
std::vector<std::uint8_t> Blocks(const std::vector<std::vector<std::vector<std::uint8_t>>>& blocks) {
  std::vector<std::uint8_t> data;
  for (const auto& records : blocks) {
    std::vector<std::uint8_t> block;
    for (const auto& r : records) block.insert(block.end(), r.begin(), r.end());
    if (block.size() < 512) block.push_back(0xFF), block.push_back(0xFF);
    block.resize(512, 0);
    data.insert(data.end(), block.begin(), block.end());
  }
  return data;
}

// Lists every match of `spec` in the raw directory as the listing commands walk it.
std::vector<std::string> Walk(const std::vector<std::uint8_t>& raw, const std::string& spec, int& final_code,
                              std::optional<std::uint16_t> size_in_first_block = {}) {
  VolumeBuilder builder(600, 1);
  test::BuilderDirectory dir{
      .name = "RAW", .blocks = static_cast<std::uint32_t>(raw.size() / 512), .raw_records = raw};
  if (size_in_first_block) dir.eof_vbn = 1, dir.first_free_byte = size_in_first_block;
  builder.AddDirectory(dir);
  ImageFile image(builder.Build());
  ods2::Engine engine;
  EXPECT_GE(engine.VolumeOpen(image.c_str(), true), 0);
  std::vector<std::string> names;
  std::uint32_t cursor = 0;
  for (int guard = 0; guard < 100; ++guard) {
    auto found = ods2::Lookup(*engine.volume(), true, builder.built("RAW.DIR;1").id, cursor, spec);
    if (!found) break;
    names.push_back(found->name);
  }
  final_code = engine.LastError();
  return names;
}

TEST(Lookup, OneEntryPerRecordNewestFirstAndExplicitVersionsInLaterRecords) {
  auto raw = Blocks({{Record("FOO.TXT", {5, 4}), Record("BAR.DAT", {1}), Record("FOO.TXT", {2})}});
  int code = 0;
  EXPECT_EQ(Walk(raw, "*.*", code), (std::vector<std::string>{"FOO.TXT;5", "BAR.DAT;1", "FOO.TXT;2"}));
  EXPECT_EQ(code, ods2::ErrFileNotFound);
  // ";*" walks every version of each record, then goes on with the next record.
  EXPECT_EQ(Walk(raw, "*.*;*", code),
            (std::vector<std::string>{"FOO.TXT;5", "FOO.TXT;4", "BAR.DAT;1", "FOO.TXT;2"}));
  EXPECT_EQ(code, ods2::ErrFileNotFound);
  EXPECT_EQ(Walk(raw, "FOO.TXT;*", code), (std::vector<std::string>{"FOO.TXT;5", "FOO.TXT;4", "FOO.TXT;2"}));
  for (const char* newest : {"FOO.TXT", "FOO.TXT;", "foo.txt;0"})
    EXPECT_EQ(Walk(raw, newest, code).front(), "FOO.TXT;5") << newest;
  EXPECT_EQ(Walk(raw, "FOO.TXT;4", code), std::vector<std::string>{"FOO.TXT;4"});
  EXPECT_EQ(Walk(raw, "FOO.TXT;2", code), std::vector<std::string>{"FOO.TXT;2"});
  EXPECT_TRUE(Walk(raw, "FOO.TXT;3", code).empty());
  EXPECT_EQ(code, ods2::ErrFileNotFound);
}

TEST(Lookup, RecordsEndingExactlyAtABlockEndContinueInTheNextBlock) {
  std::vector<std::vector<std::uint8_t>> first;
  for (int i = 0; i < 16; ++i) first.push_back(Record("FILE" + std::to_string(1000000000 + i) + ".TXT", {1}));
  std::vector<std::uint8_t> raw = Blocks({first, {Record("LAST.TXT", {1})}});
  ASSERT_NE(ods2::GetU16(raw, 510), 0xFFFF);  // the 16 records fill the block to its last byte
  int code = 0;
  std::vector<std::string> names = Walk(raw, "*.*", code);
  ASSERT_EQ(names.size(), 17u);
  EXPECT_EQ(names.back(), "LAST.TXT;1");
}

TEST(Lookup, EmptyWordsAreSkipped) {
  std::vector<std::uint8_t> zeros(4, 0);
  auto raw = Blocks({{zeros, Record("A.B", {1})}});
  int code = 0;
  EXPECT_EQ(Walk(raw, "*", code), std::vector<std::string>{"A.B;1"});
}

struct DamageCase {
  const char* what;
  std::vector<std::uint8_t> raw;
  std::optional<std::uint16_t> directory_size{};
};

class DamagedRecords : public testing::TestWithParam<DamageCase> {};

TEST_P(DamagedRecords, EndTheWalkWithACodeAfterTheGoodOnes) {
  int code = 0;
  std::vector<std::string> names = Walk(GetParam().raw, "*.*", code, GetParam().directory_size);
  EXPECT_EQ(names, std::vector<std::string>{"GOOD.TXT;1"});
  EXPECT_EQ(code, ods2::ErrNotDirectory);
}

std::vector<std::uint8_t> WithRecordAt(std::size_t at, std::vector<std::uint8_t> record) {
  std::vector<std::uint8_t> raw = Blocks({{Record("GOOD.TXT", {1})}, {}});
  raw.resize(std::max(raw.size(), at + record.size()), 0);
  std::copy(record.begin(), record.end(), raw.begin() + static_cast<std::ptrdiff_t>(at));
  return raw;
}

INSTANTIATE_TEST_SUITE_P(Records, DamagedRecords,
                         testing::Values(
                             // A record that would run past its block (records never span blocks).
                             DamageCase{"spans block", WithRecordAt(18, Record("X.TXT", {1}, 600))},
                             // A record inside its block but past the directory's end of file.
                             DamageCase{"past end", WithRecordAt(18, Record("X.TXT", {1})), 30},
                             // A name longer than its record.
                             DamageCase{"long name",
                                        [] {
                                          auto r = Record("X.TXT", {1});
                                          r[5] = 200;
                                          return WithRecordAt(18, r);
                                        }()},
                             DamageCase{"odd size", WithRecordAt(18, Record("X.TXT", {1}, 15))}),
                         [](const auto& info) { return "case" + std::to_string(info.index); });

TEST(ChangeDir, NotFoundBadHeaderAndNotADirectoryGiveTheirCodes) {
  VolumeBuilder builder(800, 1);
  builder.AddDirectory({.name = "SUB"});
  builder.AddFile({.name = "PLAIN.TXT", .data = test::Bytes(10, 1)});
  builder.AddFile({.name = "BROKEN.DIR", .data = test::Bytes(10, 1), .bad_checksum = true});
  ImageFile image(builder.Build());
  ods2::Engine engine;
  ASSERT_GE(engine.VolumeOpen(image.c_str(), true), 0);
  struct Row {
    const char* spec;
    int result;
    int code;
  };
  for (const Row& row : {Row{"NONE.DIR;1", -1, ods2::ErrFileNotFound},
                         Row{"BROKEN.DIR;1", -1, ods2::ErrInvalidHeader}, Row{"PLAIN.TXT", -1, ods2::ErrNone},
                         Row{"S*.DIR", -1, ods2::ErrNone}, Row{"SUB.DIR;1", 0, ods2::ErrNone}}) {
    EXPECT_EQ(engine.ChangeDir(row.spec), row.result) << row.spec;
    EXPECT_EQ(engine.LastError(), row.code) << row.spec;
  }
  EXPECT_EQ(engine.current_directory()->first_header().file_id(), builder.built("SUB.DIR;1").id);
  EXPECT_EQ(engine.ChangeDirUp(), 0);
  EXPECT_EQ(engine.current_directory(), &engine.volume()->master_directory());
  EXPECT_EQ(engine.ChangeDirUp(), 0);  // at the top nothing changes
  EXPECT_EQ(engine.current_directory(), &engine.volume()->master_directory());
}

TEST(DirSearch, ListsEveryNameOnceWithItsAttributes) {
  VolumeBuilder builder(800, 1);
  builder.AddFile({.name = "B.TXT", .version = 1, .data = test::Bytes(10, 1)});
  builder.AddFile({.name = "B.TXT", .version = 2, .data = test::Bytes(700, 1)});
  builder.AddFile({.name = "A.DAT", .data = test::Bytes(512, 1)});
  ImageFile image(builder.Build());
  ods2::Engine engine;
  ASSERT_GE(engine.VolumeOpen(image.c_str(), true), 0);
  ods2::FileInfo info;
  std::vector<std::string> lines;
  while (engine.DirSearch("*.*", &info) == 0)
    lines.push_back(info.name + " " + std::to_string(info.used_blocks) + "/" +
                    std::to_string(info.allocated_blocks));
  EXPECT_EQ(engine.LastError(), ods2::ErrFileNotFound);
  EXPECT_EQ(lines, (std::vector<std::string>{"000000.DIR;1 1/2", "A.DAT;1 1/1", "B.TXT;2 2/2",
                                             "BADBLK.SYS;1 0/0", "BITMAP.SYS;1 2/2", "CORIMG.SYS;1 0/0",
                                             "INDEXF.SYS;1 18/18", "VOLSET.SYS;1 0/0"}));
  std::vector<std::string> versions;
  info = {};
  while (engine.DirSearch("B.TXT;*", &info) == 0) versions.push_back(info.name);
  EXPECT_EQ(versions, (std::vector<std::string>{"B.TXT;2", "B.TXT;1"}));
  EXPECT_EQ(engine.DirSearch("*", nullptr), -1);
  EXPECT_EQ(engine.LastError(), ods2::ErrInvalidArgument);
}

}  // namespace
