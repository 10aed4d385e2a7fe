// Reading and writing files through the stream entry points: binary and text modes on built and
// reference volumes, round trips, attributes of written files, and what is on disk at close.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <utility>

#include "ods2/engine.h"
#include "support/test_volume.h"
#include "support/transfer_helpers.h"

namespace {

using test::BuilderFile;
using test::MountedImage;
using test::VolumeBuilder;

struct BinaryCase {
  const char* what;
  std::size_t size;
  std::vector<std::uint32_t> extents;
  int extension_headers;
  std::vector<std::int64_t> chunks;  // empty: not checked
  bool contiguous = false;
};

class BinaryGet : public testing::TestWithParam<BinaryCase> {};

TEST_P(BinaryGet, GivesTheStoredBytesInChunksOf512) {
  const BinaryCase& c = GetParam();
  VolumeBuilder builder(900, 1);
  std::vector<std::uint8_t> data = test::Bytes(c.size, 3);
  builder.AddFile(
      {.name = "DATA.BIN", .data = data, .extents = c.extents, .extension_headers = c.extension_headers});
  MountedImage m(builder.Build(), true);
  ASSERT_TRUE(m.mounted());
  test::ReadResult r = test::GetFile(m.engine(), "DATA.BIN", false);
  ASSERT_TRUE(r.opened);
  EXPECT_EQ(r.bytes, data);
  if (!c.chunks.empty()) {
    EXPECT_EQ(r.chunks, c.chunks);
  }
  EXPECT_EQ(r.code, ods2::ErrEof);
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, BinaryGet,
    testing::Values(BinaryCase{"empty", 0, {}, 0, {0}}, BinaryCase{"one byte", 1, {}, 0, {1}},
                    BinaryCase{"511", 511, {}, 0, {511}}, BinaryCase{"512", 512, {}, 0, {512, 0}},
                    BinaryCase{"513", 513, {}, 0, {512, 1}}, BinaryCase{"1025", 1025, {}, 0, {512, 512, 1}},
                    BinaryCase{"three extents", 2600, {1, 2, 3}, 0, {512, 512, 512, 512, 512, 40}},
                    BinaryCase{"extension headers", 2100, {2, 1, 2}, 2, {512, 512, 512, 512, 52}},
                    BinaryCase{"contiguous", 1100, {}, 0, {512, 512, 76}, true},
                    BinaryCase{"large contiguous", 300 * 512 + 1, {}, 0, {}, true}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

TEST(StreamOpen, ReadsThroughAWindowOfTheFileUpToOneMegabyte) {
  VolumeBuilder builder(6000, 1);
  builder.AddFile({.name = "SMALL.BIN", .data = test::Bytes(3 * 512, 1), .contiguous = true});
  builder.AddFile({.name = "LARGE.BIN", .data = test::Bytes(300 * 512, 1), .extents = {100, 200}});
  builder.AddFile({.name = "HUGE.BIN", .data = test::Bytes(3000 * 512, 1), .contiguous = true});
  builder.AddFile({.name = "EMPTY.BIN"});
  MountedImage m(builder.Build(), true);
  ASSERT_TRUE(m.mounted());
  for (auto [name, blocks] : {std::pair{"SMALL.BIN", 3u}, std::pair{"LARGE.BIN", 300u},
                              std::pair{"HUGE.BIN", 2048u}, std::pair{"EMPTY.BIN", 1u}}) {
    ASSERT_EQ(m.engine().StreamOpen(name, false), 0) << name;
    EXPECT_EQ(m.engine().stream()->window()->count, blocks) << name;
    m.engine().StreamClose();
  }
}

// A variable-length record: count word, data, pad byte for an odd count.
std::vector<std::uint8_t> Record(const std::string& data, std::uint8_t pad = 0xEE) {
  std::vector<std::uint8_t> r(2 + data.size() + data.size() % 2, pad);
  ods2::PutU16(r, 0, static_cast<std::uint16_t>(data.size()));
  std::copy(data.begin(), data.end(), r.begin() + 2);
  return r;
}

std::vector<std::uint8_t> Join(std::initializer_list<std::vector<std::uint8_t>> parts) {
  std::vector<std::uint8_t> all;
  for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

struct TextCase {
  const char* what;
  std::vector<std::uint8_t> stored;
  std::uint8_t record_attributes;
  std::string lines;  // what get gives
  int code;           // after the last read
  std::uint8_t record_type = 2;
};

class TextGet : public testing::TestWithParam<TextCase> {};

TEST_P(TextGet, RecordsBecomeLinesEndingInCarriageReturnLineFeed) {
  const TextCase& c = GetParam();
  VolumeBuilder builder(900, 1);
  builder.AddFile({.name = "T.TXT",
                   .data = c.stored,
                   .record_type = c.record_type,
                   .record_attributes = c.record_attributes});
  MountedImage m(builder.Build(), true);
  ASSERT_TRUE(m.mounted());
  test::ReadResult r = test::GetFile(m.engine(), "T.TXT", true);
  EXPECT_EQ(std::string(r.bytes.begin(), r.bytes.end()), c.lines);
  EXPECT_EQ(r.code, c.code);
}

INSTANTIATE_TEST_SUITE_P(
    Records, TextGet,
    testing::Values(
        TextCase{"3, 0 and 4", Join({Record("abc"), Record(""), Record("defg")}), 2, "abc\r\n\r\ndefg\r\n",
                 13},
        TextCase{"odd lengths padded", Join({Record("x"), Record("hello"), Record("z")}), 2,
                 "x\r\nhello\r\nz\r\n", 13},
        TextCase{"empty last record at the end", Join({Record("ab"), Record("")}), 2, "ab\r\n\r\n", 13},
        TextCase{"record cut by the end", Join({Record("ab"), {10, 0, 'c', 'd'}}), 2, "", 20},
        TextCase{"record across blocks", Join({Record(std::string(300, 'a')), Record(std::string(400, 'b'))}),
                 2, std::string(300, 'a') + "\r\n" + std::string(400, 'b') + "\r\n", 13},
        TextCase{"FORTRAN carriage control byte skipped", Join({Record(" abc"), Record("1xy")}), 1,
                 "abc\r\nxy\r\n", 13},
        TextCase{"empty file", {}, 2, "", 13}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

std::vector<std::uint8_t> Vfc(std::uint8_t prefix, std::uint8_t postfix, const std::string& data) {
  return Record(std::string{static_cast<char>(prefix), static_cast<char>(postfix)} + data);
}

INSTANTIATE_TEST_SUITE_P(
    OtherFormats, TextGet,
    testing::Values(TextCase{"VFC, control bytes dropped", Join({Vfc(7, 7, "abc"), Vfc(0, 0, "")}), 0,
                             "abc\r\n\r\n", 13, 3},
                    TextCase{"VFC print file as .LOG files have it",
                             Join({Vfc(1, 0x8D, "one"), Vfc(1, 0x8D, "two")}), 4, "one\r\ntwo\r\n", 13, 3},
                    TextCase{"VFC print file: two line feeds before, a form feed, a run-on record",
                             Join({Vfc(2, 0x8D, "a"), Vfc(0x8C, 0x8D, "b"), Vfc(1, 0, "c"), Vfc(0, 2, "d")}),
                             4, "\r\na\r\n\fb\r\ncd\r\n\r\n", 13, 3},
                    TextCase{"VFC print file: a last line left open ends at the end", Join({Vfc(1, 0, "x")}),
                             4, "x\r\n", 13, 3},
                    TextCase{"VFC record shorter than its control bytes", Join({Record("a")}), 0, "", 20, 3},
                    TextCase{"Stream_LF", test::Text("a\nbc\r\n\nlast"), 2, "a\r\nbc\r\n\r\nlast", 13, 5},
                    TextCase{"Stream_CR", test::Text("a\rb\nc\r\r"), 2, "a\r\nb\nc\r\n\r\n", 13, 6},
                    TextCase{"stream", test::Text("one\r\ntwo\nthree\fx\rlast\r"), 2,
                             "one\r\ntwo\r\nthree\fx\rlast\r", 13, 4},
                    TextCase{"undefined: the stored bytes",
                             {'r', 'a', 'w', 0, 13, 1},
                             0,
                             std::string("raw\0\r\x01", 6),
                             13,
                             0},
                    TextCase{"unknown format", test::Text("x"), 0, "", 20, 7}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

TEST(TextGet, ReadsAcrossChunkBoundariesAtEveryOffset) {
  // Lines of every length from 0 to 40 make each chunk end at a different point of a record.
  std::vector<std::uint8_t> stored;
  std::string lines;
  for (int n = 0; n <= 40; ++n) {
    std::string line(static_cast<std::size_t>(n), static_cast<char>('a' + n % 26));
    auto r = Record(line);
    stored.insert(stored.end(), r.begin(), r.end());
    lines += line + "\r\n";
  }
  VolumeBuilder builder(900, 1);
  builder.AddFile({.name = "T.TXT", .data = stored});
  MountedImage m(builder.Build(), true);
  ASSERT_TRUE(m.mounted());
  test::ReadResult r = test::GetFile(m.engine(), "T.TXT", true);
  EXPECT_EQ(std::string(r.bytes.begin(), r.bytes.end()), lines);
}

// Every file of the reference volume against the host file it was copied from.
TEST(ReferenceVolume, GetGivesTheBytesOfTheHostFiles) {
  auto host = [](const std::string& name) {
    const char* root = std::getenv("KIT_SOURCE_ROOT");
    std::ifstream in(std::string(root ? root : ".") + "/volxfer/tests/data/host/" + name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  };
  auto crlf = [](const std::string& lf) {
    std::string out;
    for (char ch : lf) out += ch == '\n' ? std::string("\r\n") : std::string(1, ch);
    return out;
  };
  MountedImage m(test::ReferenceVolume("small"), true);
  ASSERT_TRUE(m.mounted());
  struct Row {
    const char* spec;
    const char* host;
  };
  for (Row row : {Row{"HELLO.TXT", "hello.txt"}, Row{"NOTES.TXT;1", "notes1.txt"},
                  Row{"NOTES.TXT", "notes2.txt"}, Row{"ODD.TXT", "odd.txt"}}) {
    test::ReadResult r = test::GetFile(m.engine(), row.spec, true);
    EXPECT_EQ(std::string(r.bytes.begin(), r.bytes.end()), crlf(host(row.host))) << row.spec;
  }
  std::string data = host("data.bin");
  ASSERT_EQ(data.size(), 1025u);
  test::ReadResult bin = test::GetFile(m.engine(), "DATA.BIN", false);
  EXPECT_EQ(std::string(bin.bytes.begin(), bin.bytes.end()), data + std::string(511, '\0'));
  EXPECT_TRUE(test::GetFile(m.engine(), "EMPTY.DAT", false).bytes.empty());
  ASSERT_EQ(m.engine().ChangeDir("WORK.DIR"), 0);
  test::ReadResult readme = test::GetFile(m.engine(), "README.TXT", true);
  EXPECT_EQ(std::string(readme.bytes.begin(), readme.bytes.end()), crlf(host("readme.txt")));
  ASSERT_EQ(m.engine().ChangeDir("SUB.DIR"), 0);
  test::ReadResult deep = test::GetFile(m.engine(), "DEEP.TXT", true);
  EXPECT_EQ(std::string(deep.bytes.begin(), deep.bytes.end()), crlf(host("deep.txt")));
}

struct RoundTripCase {
  const char* what;
  bool text;
  std::vector<std::uint8_t> written;
  std::vector<std::uint8_t> read_back;
};

class PutThenGet : public testing::TestWithParam<RoundTripCase> {};

TEST_P(PutThenGet, GivesTheBytesBack) {
  const RoundTripCase& c = GetParam();
  for (std::uint16_t cluster : {1, 3}) {
    VolumeBuilder builder(1200, cluster);
    MountedImage m(builder.Build(), false);
    ASSERT_TRUE(m.mounted());
    ASSERT_EQ(test::PutFile(m.engine(), "NEW.DAT", c.text, c.written, test::BlocksFor(c.written.size())), 0);
    test::ReadResult r = test::GetFile(m.engine(), "NEW.DAT", c.text);
    EXPECT_EQ(r.bytes, c.read_back) << "cluster " << cluster;
    // And again from the image as it is on disk.
    ASSERT_TRUE(m.Close());
    ods2::Engine again;
    ASSERT_GE(again.VolumeOpen(m.image().c_str(), true), 0);
    EXPECT_EQ(test::GetFile(again, "NEW.DAT", c.text).bytes, c.read_back) << "cluster " << cluster;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Modes, PutThenGet,
    testing::Values(
        RoundTripCase{"binary empty", false, {}, {}}, RoundTripCase{"binary one byte", false, {7}, {7}},
        RoundTripCase{"binary 512", false, test::Bytes(512, 5), test::Bytes(512, 5)},
        RoundTripCase{"binary several blocks", false, test::Bytes(5 * 512 + 3, 9),
                      test::Bytes(5 * 512 + 3, 9)},
        RoundTripCase{"text lines", true, test::Text("line one\r\nline two\n\nodd\r\n"),
                      test::Text("line one\r\nline two\r\n\r\nodd\r\n")},
        RoundTripCase{"text last line without end", true, test::Text("a\nlast"), test::Text("a\r\nlast\r\n")},
        RoundTripCase{"text long lines", true,
                      test::Text(std::string(1000, 'q') + "\n" + std::string(777, 'r')),
                      test::Text(std::string(1000, 'q') + "\r\n" + std::string(777, 'r') + "\r\n")}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

TEST(StreamCreate, AttributesOwnerAndProtectionComeFromTheModeAndTheDirectory) {
  VolumeBuilder builder(900, 1);
  MountedImage m(builder.Build(), false);
  ASSERT_TRUE(m.mounted());
  ods2::FileInfo directory;
  m.engine().current_directory()->GetAttributes(directory);
  ASSERT_EQ(test::PutFile(m.engine(), "B.DAT", false, {}, 1), 0);
  ASSERT_EQ(test::PutFile(m.engine(), "T.TXT", true, test::Text("abc"), 1), 0);
  struct Row {
    const char* spec;
    int record_type, record_size, record_attributes;
    std::uint32_t eof_vbn, first_free_byte;
  };
  for (Row row : {Row{"B.DAT", 1, 512, 0, 1, 0}, Row{"T.TXT", 2, 255, 2, 1, 6}}) {
    ods2::FileInfo info;
    ASSERT_EQ(m.engine().DirSearch(row.spec, &info), 0) << row.spec;
    EXPECT_EQ(info.record_type, row.record_type) << row.spec;
    EXPECT_EQ(info.record_size, static_cast<std::uint32_t>(row.record_size)) << row.spec;
    EXPECT_EQ(info.max_record_size, static_cast<std::uint32_t>(row.record_size)) << row.spec;
    EXPECT_EQ(info.organization, 0) << row.spec;
    EXPECT_EQ(info.record_attributes, row.record_attributes) << row.spec;
    EXPECT_EQ(info.eof_vbn, row.eof_vbn) << row.spec;
    EXPECT_EQ(info.first_free_byte, row.first_free_byte) << row.spec;
    EXPECT_EQ(info.owner_member, directory.owner_member) << row.spec;
    EXPECT_EQ(info.owner_group, directory.owner_group) << row.spec;
    EXPECT_EQ(info.protection, directory.protection) << row.spec;
  }
}

TEST(StreamClose, LeavesTheWholeFileOnDiskIncludingTheIndexBitmap) {
  VolumeBuilder builder(900, 1);
  MountedImage m(builder.Build(), false);
  ASSERT_TRUE(m.mounted());
  std::vector<std::uint8_t> data = test::Bytes(1300, 4);
  ASSERT_EQ(test::PutFile(m.engine(), "KEPT.DAT", false, data, 3), 0);
  ods2::FileInfo info;
  ASSERT_EQ(m.engine().DirSearch("KEPT.DAT", &info), 0);
  // The image as a program killed now would leave it: still mounted here, read by another engine.
  test::ImageFile copy(m.image().Contents());
  ods2::Engine other;
  ASSERT_GE(other.VolumeOpen(copy.c_str(), true), 0);
  EXPECT_EQ(test::GetFile(other, "KEPT.DAT", false).bytes, data);
  EXPECT_FALSE(other.volume()->index_file().bitmap().IsFree(info.file_number - 1));
  EXPECT_EQ(other.volume()->storage_bitmap().bitmap().CountFree(),
            m.volume().storage_bitmap().bitmap().CountFree());
}

TEST(StreamWrite, ANewFileCarriesNoOldContentOfItsBlocks) {
  VolumeBuilder builder(900, 1);
  MountedImage m(builder.Build(), false);
  ASSERT_TRUE(m.mounted());
  // Whatever a deleted file left in the free blocks.
  ods2::BitmapView& bitmap = m.volume().storage_bitmap().bitmap();
  std::vector<std::uint8_t> junk(512, 0xA5);
  for (std::uint32_t cluster = 0; cluster < bitmap.bit_count(); ++cluster)
    if (bitmap.IsFree(cluster)) {
      ASSERT_TRUE(m.volume().WriteBlocks(cluster, 1, junk));
    }
  std::vector<std::uint8_t> data = test::Bytes(700, 1);
  ASSERT_EQ(test::PutFile(m.engine(), "NEW.DAT", false, data, 2), 0);
  ASSERT_EQ(m.engine().StreamOpen("NEW.DAT", false), 0);
  std::vector<std::uint8_t> stored(1024);
  ods2::StreamFile& stream = *m.engine().stream();
  std::uint64_t lbn = stream.first_header().Map()->front().lbn;
  ASSERT_TRUE(m.volume().ReadBlocks(lbn, 2, stored));
  m.engine().StreamClose();
  data.resize(1024, 0);
  EXPECT_EQ(stored, data);
}

// The order blocks reach the disk in: the new header, the directory, the header twice more; on
// the first byte the storage bitmap and the header; at close the header (end of file), then the
// file's blocks in one write, not one write per block.
TEST(StreamWrite, BlocksReachTheDiskInTheirOrder) {
  VolumeBuilder builder(900, 1);
  MountedImage m(builder.Build(), false);
  ASSERT_TRUE(m.mounted());
  ods2::Volume& v = m.volume();
  std::uint64_t header = v.HeaderLbn(v.index_file().bitmap().FindFirstFree(0) + 1);
  std::uint64_t directory_header = v.HeaderLbn(ods2::kMasterDirectoryId.number);
  const std::vector<std::uint64_t>& directory = v.master_directory().window()->lbns;
  const std::vector<std::uint64_t>& bitmap = v.storage_bitmap().window()->lbns;
  std::vector<std::uint64_t> writes;
  std::vector<std::pair<std::uint64_t, std::uint32_t>> calls;
  v.set_write_observer([&](std::uint64_t lbn, std::uint32_t count) {
    calls.emplace_back(lbn, count);
    for (std::uint32_t i = 0; i < count; ++i) writes.push_back(lbn + i);
  });
  ASSERT_EQ(test::PutFile(m.engine(), "ORDER.DAT", false, test::Bytes(1024, 1), 2), 0);
  ASSERT_EQ(m.engine().StreamOpen("ORDER.DAT", false), 0);
  std::uint64_t b0 = m.engine().stream()->first_header().Map()->front().lbn;
  m.engine().StreamClose();
  std::vector<std::uint64_t> expected{header, directory_header};
  expected.insert(expected.end(), directory.begin(), directory.end());
  expected.insert(expected.end(), {header, header});
  // An extension reaches the bitmap before the header that maps it.
  expected.insert(expected.end(), bitmap.begin(), bitmap.end());
  expected.insert(expected.end(), {header, header, b0, b0 + 1});
  // The index file's own writes (its end of file and bitmap) stand apart.
  std::vector<std::uint64_t> seen;
  for (std::uint64_t lbn : writes)
    if (std::find(expected.begin(), expected.end(), lbn) != expected.end()) seen.push_back(lbn);
  EXPECT_EQ(seen, expected);
  EXPECT_EQ(std::count(calls.begin(), calls.end(), std::make_pair(b0, 2u)), 1);
  EXPECT_EQ(std::count_if(calls.begin(), calls.end(), [&](auto c) { return c.first == b0 + 1; }), 0);
}

TEST(StreamEntryPoints, RefuseWithoutVolumeOrStreamAndWhenAStreamIsOpen) {
  ods2::Engine none;
  char buffer[4];
  EXPECT_EQ(none.StreamOpen("A.B", false), -1);
  EXPECT_EQ(none.LastError(), ods2::ErrNotOpened);
  EXPECT_EQ(none.StreamRead(buffer, 4), -1);
  EXPECT_EQ(none.StreamClose(), -1);
  VolumeBuilder builder(900, 1);
  builder.AddFile({.name = "A.B", .data = test::Bytes(10, 1)});
  MountedImage m(builder.Build(), false);
  ASSERT_TRUE(m.mounted());
  ods2::Engine& e = m.engine();
  EXPECT_EQ(e.StreamRead(buffer, 4), -1);
  EXPECT_EQ(e.LastError(), ods2::ErrInvalidHandle);
  EXPECT_EQ(e.StreamOpen("MISSING.B", false), -1);
  EXPECT_EQ(e.LastError(), ods2::ErrFileNotFound);
  ASSERT_EQ(e.StreamOpen("A.B", false), 0);
  EXPECT_EQ(e.StreamOpen("A.B", false), -1);
  EXPECT_EQ(e.LastError(), ods2::ErrFileOpened);
  EXPECT_EQ(e.StreamCreate("C.D", false, 1), -1);
  EXPECT_EQ(e.LastError(), ods2::ErrFileOpened);
  EXPECT_EQ(e.StreamRead(buffer, 0), -1);
  EXPECT_EQ(e.LastError(), ods2::ErrInvalidArgument);
  EXPECT_EQ(e.StreamClose(), 0);
  EXPECT_EQ(e.StreamClose(), -1);
  EXPECT_EQ(e.LastError(), ods2::ErrInvalidHandle);
}

}  // namespace
