// Opening and mounting: the home block search and checks, the reference volumes, read-only
// volumes, closing, and 64-bit block offsets.
#include <gtest/gtest.h>

#include "ods2/engine.h"
#include "support/test_volume.h"

namespace {

using test::ImageFile;
using test::VolumeBuilder;

std::vector<std::uint8_t> BuildWith(void (*damage)(test::BuilderDamage&)) {
  VolumeBuilder builder(2400, 1);
  builder.AddFile({.name = "A.TXT", .data = test::Bytes(100, 1)});
  damage(builder.damage());
  return builder.Build();
}

// Mounts through the device layer so that the code of a failed mount can be seen.
int MountCode(const ImageFile& image) {
  ods2::HandleTable handles;
  int handle = handles.Register(ods2::BlockDevice::Open(image.path(), true));
  ods2::Volume volume(handles);
  bool mounted = volume.Open(handle, true);
  int code = volume.error();
  if (mounted) volume.Close();
  return mounted ? -1 : code;
}

struct HomeBlockCase {
  const char* what;
  void (*damage)(test::BuilderDamage&);
  bool mounts;
};

class HomeBlockSearch : public testing::TestWithParam<HomeBlockCase> {};

TEST_P(HomeBlockSearch, MountsOnlyFromAValidHomeBlock) {
  ImageFile image(BuildWith(GetParam().damage));
  ods2::Engine engine;
  int handle = engine.VolumeOpen(image.c_str(), true);
  EXPECT_EQ(handle >= 0, GetParam().mounts);
  if (handle < 0) {
    EXPECT_EQ(engine.LastError(), ods2::ErrNotOpened);  // a failed open leaves no volume
    EXPECT_EQ(MountCode(image), ods2::ErrNoHomeBlock);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Damage, HomeBlockSearch,
    testing::Values(HomeBlockCase{"intact", [](test::BuilderDamage&) {}, true},
                    HomeBlockCase{"primary bad, copy at 1034",
                                  [](test::BuilderDamage& d) { d.bad_primary_home_block = true; }, true},
                    HomeBlockCase{"second checksum wrong",
                                  [](test::BuilderDamage& d) { d.wrong_second_checksum = true; }, false},
                    HomeBlockCase{"structure level 3",
                                  [](test::BuilderDamage& d) { d.wrong_structure_level = true; }, false},
                    HomeBlockCase{"only four reserved files",
                                  [](test::BuilderDamage& d) { d.reserved_files = 4; }, false},
                    HomeBlockCase{"maximum files not above reserved",
                                  [](test::BuilderDamage& d) { d.max_files = 6; }, false}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

TEST(HomeBlockSearch, ImageShorterThanTwoBlocksFails) {
  ImageFile image(std::vector<std::uint8_t>(512, 0));
  EXPECT_EQ(MountCode(image), ods2::ErrNoHomeBlock);
}

TEST(HomeBlockSearch, EachCheckedFieldRejectsTheBlock) {
  VolumeBuilder builder(600, 1);
  std::vector<std::uint8_t> good = builder.Build();
  std::span<std::uint8_t> home(good.data() + 512, 512);
  ASSERT_TRUE(ods2::HomeBlock::Check(home));
  // Offset and a value that must fail the check once both checksums are made right again.
  const std::vector<std::pair<std::size_t, std::uint32_t>> breakers = {
      {0, 0},  {4, 0},         {8, 0},  {12, 0}, {14, 0},   {16, 0},
      {24, 0}, {28, 16777216}, {32, 0}, {36, 1}, {496, 'X'}};
  for (auto [offset, value] : breakers) {
    std::vector<std::uint8_t> copy(home.begin(), home.end());
    if (offset == 12 || offset == 496)
      copy[offset] = static_cast<std::uint8_t>(value);
    else if (offset == 14 || offset == 16 || offset == 32 || offset == 36)
      ods2::PutU16(copy, offset, static_cast<std::uint16_t>(value));
    else
      ods2::PutU32(copy, offset, value);
    ods2::PutU16(copy, 58, ods2::WordChecksum(copy, 58));
    ods2::PutU16(copy, 510, ods2::WordChecksum(copy, 510));
    EXPECT_FALSE(ods2::HomeBlock::Check(copy)) << "offset " << offset;
  }
}

TEST(ReferenceVolumes, MountReadOnlyAndReadWriteAndStayByteIdentical) {
  for (const char* name : {"small", "blank"}) {
    std::vector<std::uint8_t> original = test::ReferenceVolume(name);
    ASSERT_FALSE(original.empty()) << name;
    ImageFile image(original);
    for (bool read_only : {true, false}) {
      ods2::Engine engine;
      int handle = engine.VolumeOpen(image.c_str(), read_only);
      ASSERT_GE(handle, 0) << name;
      ods2::VolumeInfo info;
      ASSERT_EQ(engine.VolumeQuery(&info), 0);
      EXPECT_EQ(info.total_blocks, 20480u);
      EXPECT_EQ(info.cluster_factor, 1);
      EXPECT_EQ(info.max_files, 5120u);
      EXPECT_EQ(info.free_blocks, std::string(name) == "small" ? 20420u : 20444u);
      EXPECT_EQ(info.label, std::string(name) == "small" ? "SMALLVOL  " : "BLANKVOL  ");
      EXPECT_EQ(engine.VolumeClose(handle), 0);
      EXPECT_EQ(image.Contents(), original) << name << (read_only ? " ro" : " rw");
    }
  }
}

TEST(VolumeQuery, ReportsWhatTheBuilderWrote) {
  VolumeBuilder builder(4000, 4);
  builder.label = "LABELLONGER12";
  builder.owner = "OWNER";
  builder.AddFile({.name = "B.DAT", .data = test::Bytes(3000, 2)});
  ImageFile image(builder.Build());
  ods2::Engine engine;
  ASSERT_GE(engine.VolumeOpen(image.c_str(), true), 0);
  ods2::VolumeInfo info;
  ASSERT_EQ(engine.VolumeQuery(&info), 0);
  EXPECT_EQ(info.total_blocks, 4000u);
  EXPECT_EQ(info.cluster_factor, 4);
  EXPECT_EQ(info.free_blocks, builder.free_clusters() * 4);
  EXPECT_EQ(info.label, "LABELLONGE");
  EXPECT_EQ(info.owner_name, "OWNER     ");
  EXPECT_EQ(info.protection, (std::array<std::uint8_t, 4>{0, 0, 0xA, 0xF}));
  EXPECT_EQ(engine.VolumeQuery(nullptr), -1);
  EXPECT_EQ(engine.LastError(), ods2::ErrInvalidArgument);
}

TEST(VolumeClose, OtherHandleIsRefusedAndTheVolumeStays) {
  ImageFile image(VolumeBuilder(600, 1).Build());
  ods2::Engine engine;
  EXPECT_EQ(engine.VolumeClose(0), -1);
  EXPECT_EQ(engine.LastError(), ods2::ErrNotOpened);
  int handle = engine.VolumeOpen(image.c_str(), false);
  ASSERT_GE(handle, 0);
  EXPECT_EQ(engine.VolumeOpen(image.c_str(), false), -1);
  EXPECT_EQ(engine.LastError(), ods2::ErrAlreadyOpened);
  EXPECT_EQ(engine.VolumeClose(handle + 1), -1);
  EXPECT_EQ(engine.LastError(), ods2::ErrInvalidHandle);
  EXPECT_EQ(engine.VolumeClose(handle), 0);
  EXPECT_EQ(engine.LastError(), ods2::ErrNotOpened);
}

TEST(ReadOnlyVolume, EveryBlockWriteAnswersReadOnlyAndChangesNothing) {
  std::vector<std::uint8_t> bytes = VolumeBuilder(600, 1).Build();
  ImageFile image(bytes);
  ods2::Engine engine;
  ASSERT_GE(engine.VolumeOpen(image.c_str(), true), 0);
  ods2::Volume& volume = *engine.volume();
  std::vector<std::uint8_t> block(512, 0x77);
  EXPECT_FALSE(volume.WriteBlocks(3, 1, block));
  EXPECT_EQ(volume.error(), ods2::ErrReadOnly);
  // Changes made in memory are dropped, not written, at close.
  volume.storage_bitmap().bitmap().ReleaseCluster(0);
  volume.master_directory().MarkDataModified();
  volume.master_directory().MarkHeaderModified();
  EXPECT_EQ(engine.VolumeClose(volume.handle()), 0);
  EXPECT_EQ(image.Contents(), bytes);
}

TEST(BlockDevice, ServesBlocksBeyondTwoGibibytes) {
  std::string path = test::TempPath("sparse");
  std::filesystem::resize_file((std::ofstream(path), path), 3ULL << 30);
  auto device = ods2::BlockDevice::Open(path, false);
  ASSERT_TRUE(device);
  EXPECT_EQ(device->block_count(), (3ULL << 30) / 512);
  const std::uint64_t lbn = (1ULL << 22) + 12345;  // past 2 GiB
  std::vector<std::uint8_t> out(1024, 0x3C), in(1024);
  ASSERT_TRUE(device->Write(lbn, out));
  ASSERT_TRUE(device->Read(lbn, in));
  EXPECT_EQ(in, out);
  EXPECT_FALSE(device->Read(device->block_count(), in));  // past the end is a failure, not a short read
  device.reset();
  std::filesystem::remove(path);
}

TEST(HandleTable, TakesTheLowestFreeSlotAndGrowsBySixteen) {
  ods2::HandleTable table;
  std::string path = test::TempPath("handles");
  std::ofstream(path) << std::string(512, 'x');
  std::vector<int> handles;
  for (int i = 0; i < 17; ++i) handles.push_back(table.Register(ods2::BlockDevice::Open(path, true)));
  EXPECT_EQ(handles.front(), 0);
  EXPECT_EQ(handles.back(), 16);
  EXPECT_EQ(table.capacity(), 32u);
  table.Release(3);
  EXPECT_EQ(table.Lookup(3), nullptr);
  EXPECT_EQ(table.Register(ods2::BlockDevice::Open(path, true)), 3);
  EXPECT_EQ(table.Lookup(99), nullptr);
  for (int i = 0; i < 17; ++i) table.Release(i);
  EXPECT_EQ(table.capacity(), 0u);
  std::filesystem::remove(path);
}

}  // namespace
