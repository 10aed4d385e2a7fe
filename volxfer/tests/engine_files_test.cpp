// Files by identifier: header checks, mapping through every pointer format and through extension
// headers, windows, attributes and dates, and the release of a file marked for delete.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "ods2/engine.h"
#include "support/test_volume.h"

namespace {

using test::BuilderFile;
using test::ImageFile;
using test::VolumeBuilder;

class MountedBuild {
 public:
  explicit MountedBuild(VolumeBuilder& builder, bool read_only = true)
      : bytes_(builder.Build()), image_(bytes_) {
    handle_ = engine_.VolumeOpen(image_.c_str(), read_only);
  }
  bool mounted() const { return handle_ >= 0; }
  ods2::Volume& volume() { return *engine_.volume(); }
  ods2::Engine& engine() { return engine_; }
  const ImageFile& image() const { return image_; }
  std::vector<std::uint8_t>& bytes() { return bytes_; }

 private:
  std::vector<std::uint8_t> bytes_;
  ImageFile image_;
  ods2::Engine engine_;
  int handle_ = -1;
};

// The directory entry's view of a file: what a lookup would hand to Access.
ods2::FileId EntryId(const VolumeBuilder& builder, const BuilderFile& f) {
  ods2::FileId id = builder.built(f.name + ";" + std::to_string(f.version)).id;
  id.sequence = static_cast<std::uint16_t>(id.sequence + f.entry_sequence_offset);
  id.rvn = f.entry_rvn;
  return id;
}

struct HeaderCase {
  const char* what;
  BuilderFile file;
  int code;  // 0 when Access succeeds
};

class HeaderChecks : public testing::TestWithParam<HeaderCase> {};

TEST_P(HeaderChecks, AccessAcceptsOnlyAMatchingValidHeader) {
  VolumeBuilder builder(800, 1);
  builder.AddFile(GetParam().file);
  MountedBuild m(builder);
  ASSERT_TRUE(m.mounted());
  ods2::OpenFile file;
  bool ok = file.Access(m.volume(), ods2::kWholeFile, EntryId(builder, GetParam().file));
  EXPECT_EQ(ok, GetParam().code == 0);
  EXPECT_EQ(m.volume().error(), GetParam().code);
  EXPECT_EQ(file.accessed(), ok);  // a failed access leaves nothing behind
}

INSTANTIATE_TEST_SUITE_P(
    Damage, HeaderChecks,
    testing::Values(
        HeaderCase{"valid", {.name = "OK.DAT", .data = test::Bytes(700, 1)}, 0},
        HeaderCase{"bad checksum", {.name = "SUM.DAT", .data = test::Bytes(10, 1), .bad_checksum = true}, 10},
        HeaderCase{
            "level 3", {.name = "LVL.DAT", .data = test::Bytes(10, 1), .wrong_structure_level = true}, 10},
        HeaderCase{"foreign sequence",
                   {.name = "SEQ.DAT", .data = test::Bytes(10, 1), .entry_sequence_offset = 1},
                   10},
        HeaderCase{"volume set", {.name = "RVN.DAT", .data = test::Bytes(10, 1), .entry_rvn = 1}, 12},
        HeaderCase{
            "eof beyond allocation", {.name = "EOF.DAT", .data = test::Bytes(600, 1), .eof_vbn = 4}, 10},
        HeaderCase{"eof exactly at allocation",
                   {.name = "FULL.DAT", .data = test::Bytes(1024, 1), .eof_vbn = 3, .first_free_byte = 0},
                   0}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

TEST(HeaderLbn, RefusesNumbersThatNameNoHeader) {
  VolumeBuilder builder(600, 1);
  MountedBuild m(builder);
  ASSERT_TRUE(m.mounted());
  for (std::uint32_t n : {0u, 65535u, 257u}) {  // zero, a multiple of 65535, past the maximum files
    EXPECT_EQ(m.volume().HeaderLbn(n), 0u) << n;
    EXPECT_EQ(m.volume().error(), ods2::ErrInvalidFileIndex);
  }
  // A number past the headers the index file allocates.
  EXPECT_EQ(m.volume().HeaderLbn(200), 0u);
}

struct MapCase {
  int format;
  std::uint32_t blocks;
};

class PointerFormats : public testing::TestWithParam<MapCase> {};

TEST_P(PointerFormats, MapExactlyTheBlocksTheyCount) {
  const auto [format, blocks] = GetParam();
  VolumeBuilder builder(18000, 1);
  // Two extents of the same format and count, so the second pointer's start is found too.
  BuilderFile f{.name = "MAP.DAT",
                .data = test::Bytes(2 * blocks * 512ull, 3),
                .extents = {blocks, blocks},
                .pointer_format = format};
  if (format == 1 && blocks > 256) GTEST_SKIP() << "format 1 counts at most 256";
  if (2 * blocks > 16500) f.extents = {blocks}, f.data.resize(blocks * 512ull);
  builder.AddFile(f);
  MountedBuild m(builder);
  ASSERT_TRUE(m.mounted());
  ods2::OpenFile file;
  ASSERT_TRUE(file.Access(m.volume(), ods2::kWholeFile, builder.built("MAP.DAT;1").id));
  const ods2::BlockWindow* w = file.window();
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->lbns, builder.built("MAP.DAT;1").lbns);
  EXPECT_TRUE(std::equal(f.data.begin(), f.data.end(), w->data.begin()));
  // Past the mapped blocks nothing more comes back.
  EXPECT_EQ(file.MapBlocks(static_cast<std::uint32_t>(w->count), 1, false), 0);
  EXPECT_EQ(m.volume().error(), ods2::ErrEof);
}

INSTANTIATE_TEST_SUITE_P(FormatsAndCounts, PointerFormats,
                         testing::Values(MapCase{1, 1}, MapCase{1, 256}, MapCase{2, 1}, MapCase{2, 256},
                                         MapCase{2, 16384}, MapCase{3, 1}, MapCase{3, 256},
                                         MapCase{3, 16384}),
                         [](const auto& info) {
                           return "format" + std::to_string(info.param.format) + "_count" +
                                  std::to_string(info.param.blocks);
                         });

TEST(ExtensionHeaders, MapVirtualBlocksAcrossTheChainInOrder) {
  VolumeBuilder builder(1200, 2);
  BuilderFile f{.name = "CHAIN.DAT",
                .data = test::Bytes(9 * 512 + 17, 5),
                .extents = {2, 4, 2, 2},
                .extension_headers = 2};
  builder.AddFile(f);
  MountedBuild m(builder);
  ASSERT_TRUE(m.mounted());
  ods2::OpenFile file;
  ASSERT_TRUE(file.Access(m.volume(), ods2::kWholeFile, builder.built("CHAIN.DAT;1").id));
  EXPECT_EQ(file.headers().size(), 3u);
  EXPECT_EQ(file.window()->lbns, builder.built("CHAIN.DAT;1").lbns);
  EXPECT_TRUE(std::equal(f.data.begin(), f.data.end(), file.window()->data.begin()));
  // A window of one block loads any single block of the chain.
  ods2::OpenFile one;
  ASSERT_TRUE(one.Access(m.volume(), 1, builder.built("CHAIN.DAT;1").id));
  ASSERT_EQ(one.MapBlocks(7, 1, false), 1);
  EXPECT_EQ(one.window()->first_vbn, 7);
  EXPECT_EQ(one.window()->lbns[0], builder.built("CHAIN.DAT;1").lbns[7]);
}

TEST(ExtensionHeaders, IndexFileMapInItsExtensionStillFindsEveryHeader) {
  VolumeBuilder builder(900, 1);
  builder.damage().index_map_in_extension = true;
  for (int i = 0; i < 3; ++i)
    builder.AddFile(
        {.name = "F" + std::to_string(i) + ".DAT", .data = test::Bytes(40, static_cast<std::uint8_t>(i))});
  MountedBuild m(builder);
  ASSERT_TRUE(m.mounted());
  EXPECT_EQ(m.volume().index_file().headers().size(), 2u);
  for (int i = 0; i < 3; ++i) {
    ods2::OpenFile file;
    EXPECT_TRUE(
        file.Access(m.volume(), ods2::kWholeFile, builder.built("F" + std::to_string(i) + ".DAT;1").id))
        << i;
  }
}

TEST(ExtensionHeaders, AChainThatLoopsIsAnInvalidHeaderNotAHang) {
  VolumeBuilder builder(800, 1);
  builder.AddFile(
      {.name = "LOOP.DAT", .data = test::Bytes(1024, 1), .extents = {1, 1}, .extension_headers = 1});
  std::vector<std::uint8_t> bytes = builder.Build();
  // Point the extension header back at the first header.
  const auto& built = builder.built("LOOP.DAT;1");
  ImageFile probe(bytes);
  ods2::Engine engine;
  ASSERT_GE(engine.VolumeOpen(probe.c_str(), true), 0);
  std::uint64_t second = engine.volume()->HeaderLbn(built.id.FileNumber() + 1);
  engine.VolumeClose(engine.volume()->handle());
  std::span<std::uint8_t> h(bytes.data() + second * 512, 512);
  built.id.Write(h, 14);
  ods2::PutU16(h, 510, ods2::WordChecksum(h, 510));
  ImageFile image(bytes);
  ASSERT_GE(engine.VolumeOpen(image.c_str(), true), 0);
  ods2::OpenFile file;
  EXPECT_FALSE(file.Access(*engine.volume(), ods2::kWholeFile, built.id));
  EXPECT_EQ(engine.LastError(), ods2::ErrInvalidHeader);
}

TEST(Windows, RequestsGiveNoWindowASizedEmptyOneOrTheWholeFile) {
  VolumeBuilder builder(800, 1);
  builder.AddFile({.name = "W.DAT", .data = test::Bytes(5 * 512, 9)});
  MountedBuild m(builder);
  ASSERT_TRUE(m.mounted());
  ods2::FileId id = builder.built("W.DAT;1").id;
  ods2::OpenFile none, sized, whole;
  ASSERT_TRUE(none.Access(m.volume(), ods2::kNoWindow, id));
  EXPECT_EQ(none.window(), nullptr);
  ASSERT_TRUE(sized.Access(m.volume(), 3, id));
  EXPECT_EQ(sized.window()->count, 3u);
  EXPECT_EQ(sized.window()->first_vbn, -3);  // nothing read yet
  ASSERT_TRUE(whole.Access(m.volume(), ods2::kWholeFile, id));
  EXPECT_EQ(whole.window()->count, 5u);
  EXPECT_EQ(whole.window()->first_vbn, 0);
}

TEST(Attributes, GetCopiesTheHeaderAndSetWritesItBack) {
  setenv("TZ", "UTC", 1);
  tzset();
  VolumeBuilder builder(800, 1);
  builder.AddFile({.name = "ATTR.TXT",
                   .version = 3,
                   .data = test::Bytes(1000, 4),
                   .creation_ticks = test::TicksFromUnix(1'000'000'000, 42),
                   .revision_ticks = test::TicksFromUnix(-86'400),
                   .record_type = 2,
                   .record_attributes = 2,
                   .owner_member = 0x0107,
                   .owner_group = 0x0203,
                   .protection = 0xE801});
  MountedBuild m(builder, false);
  ASSERT_TRUE(m.mounted());
  ods2::FileId id = builder.built("ATTR.TXT;3").id;
  ods2::OpenFile file;
  ASSERT_TRUE(file.Access(m.volume(), ods2::kNoWindow, id));
  ods2::FileInfo info;
  file.GetAttributes(info);
  EXPECT_EQ(info.owner_member, 7);
  EXPECT_EQ(info.owner_group, 3);
  EXPECT_EQ(info.protection, (std::array<std::uint8_t, 4>{1, 0, 8, 0xE}));
  EXPECT_EQ(info.eof_vbn, 2u);
  EXPECT_EQ(info.first_free_byte, 1000u - 512u);
  EXPECT_EQ(info.used_blocks, 2u);
  EXPECT_EQ(info.allocated_blocks, 2u);
  EXPECT_EQ(info.file_number, id.FileNumber());
  // 2001-09-09 01:46:40.42 UTC; a date before 1970 shows as its start.
  const ods2::BrokenDownDate& c = info.creation;
  EXPECT_EQ(std::vector<int>({c.century, c.year, c.month, c.day, c.hour, c.minute, c.second, c.hundredths}),
            std::vector<int>({20, 1, 9, 9, 1, 46, 40, 42}));
  EXPECT_EQ(info.revision.century * 100 + info.revision.year, 1970);
  EXPECT_EQ(info.revision.month, 1);
  EXPECT_EQ(info.revision.day, 1);

  info.owner_member = 9;
  info.protection = {0, 1, 2, 3};
  info.record_type = 1;
  info.record_size = 512;
  file.SetAttributes(info);
  file.Deaccess();
  ods2::OpenFile again;
  ASSERT_TRUE(again.Access(m.volume(), ods2::kNoWindow, id));  // the checksum was renewed
  ods2::FileInfo back;
  again.GetAttributes(back);
  EXPECT_EQ(back.owner_member, 9);
  EXPECT_EQ(back.owner_group, 3);
  EXPECT_EQ(back.protection, (std::array<std::uint8_t, 4>{0, 1, 2, 3}));
  EXPECT_EQ(back.record_type, 1);
  EXPECT_EQ(back.record_size, 512u);
}

TEST(Dates, BeforeAndAtTheStartOf1970ShowAsItsStart) {
  setenv("TZ", "UTC", 1);
  tzset();
  for (std::uint64_t ticks : {std::uint64_t{0}, test::TicksFromUnix(-1), test::TicksFromUnix(0, 0)}) {
    ods2::BrokenDownDate d = ods2::ConvertDate(ticks);
    EXPECT_EQ(std::vector<int>({d.century, d.year, d.month, d.day, d.hour, d.minute, d.second}),
              std::vector<int>({19, 70, 1, 1, 0, 0, 0}));
  }
  ods2::BrokenDownDate late =
      ods2::ConvertDate(test::TicksFromUnix(4'102'444'799, 99));  // 2099-12-31 23:59:59.99
  EXPECT_EQ(std::vector<int>({late.century, late.year, late.month, late.day, late.hour, late.minute,
                              late.second, late.hundredths}),
            std::vector<int>({20, 99, 12, 31, 23, 59, 59, 99}));
}

// A file marked for delete may still be entered in a directory: looking at it (Access, or a
// listing on a read/write volume) must leave the volume exactly as it was.
TEST(Deaccess, LookingAtAFileMarkedForDeleteChangesNothing) {
  VolumeBuilder builder(800, 2);
  builder.AddFile(
      {.name = "GONE.DAT", .data = test::Bytes(5 * 512, 1), .extents = {2, 4}, .marked_for_delete = true});
  MountedBuild m(builder, false);
  ASSERT_TRUE(m.mounted());
  const test::BuiltFile& gone = builder.built("GONE.DAT;1");
  ods2::BitmapView& storage = m.volume().storage_bitmap().bitmap();
  std::uint32_t free_before = storage.CountFree();
  ods2::OpenFile file;
  ASSERT_TRUE(file.Access(m.volume(), ods2::kNoWindow, gone.id));
  file.Deaccess();
  ods2::FileInfo info;
  ASSERT_EQ(m.engine().DirSearch("GONE.DAT", &info), 0);
  EXPECT_EQ(info.name, "GONE.DAT;1");
  EXPECT_EQ(storage.CountFree(), free_before);
  for (std::uint64_t lbn : gone.lbns)
    EXPECT_FALSE(storage.IsFree(static_cast<std::uint32_t>(lbn / 2))) << lbn;
  EXPECT_FALSE(m.volume().index_file().bitmap().IsFree(gone.id.FileNumber() - 1));
  ASSERT_EQ(m.engine().VolumeClose(m.volume().handle()), 0);
  EXPECT_EQ(m.image().Contents(), m.bytes());
}

}  // namespace
