// Volumes as other ODS-2 software leaves them: directories in several extents without the
// contiguous bit, the alternate home block away from the standard places; and large reads that
// cross extents and the read window.
#include <gtest/gtest.h>

#include <algorithm>

#include "support/directory_invariants.h"
#include "support/transfer_helpers.h"

namespace {

using test::MountedImage;

std::vector<std::string> ListAll(ods2::Engine& engine) {
  std::vector<std::string> names;
  ods2::FileInfo info;
  while (engine.DirSearch("*.*", &info) == 0) names.push_back(info.name);
  EXPECT_EQ(engine.LastError(), ods2::ErrFileNotFound);
  return names;
}

bool Contains(const std::vector<std::string>& names, const std::string& name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

TEST(FragmentedDirectories, ReferenceVolumeMountsListsAndEntersThem) {
  MountedImage m(test::ReferenceVolume("fragdirs"), true);
  ASSERT_TRUE(m.mounted());
  ods2::Engine& e = m.engine();
  // What this volume is about: the master directory is not contiguous and has three extents.
  const ods2::FileHeader& master = m.volume().master_directory().first_header();
  EXPECT_FALSE(master.is_contiguous());
  EXPECT_EQ(master.Map()->size(), 3u);
  std::vector<std::string> top = ListAll(e);
  EXPECT_EQ(top.size(), 9u + 1u + 160u);
  EXPECT_TRUE(Contains(top, "PAD001.TXT;1") && Contains(top, "PAD160.TXT;1") && Contains(top, "WORK.DIR;1"));
  ASSERT_EQ(e.ChangeDir("WORK.DIR"), 0);
  EXPECT_FALSE(e.current_directory()->first_header().is_contiguous());
  std::vector<std::string> work = ListAll(e);
  EXPECT_EQ(work.size(), 160u);
  EXPECT_TRUE(Contains(work, "FILE001.TXT;1") && Contains(work, "FILE160.TXT;1"));
  test::ReadResult r = test::GetFile(e, "FILE137.TXT", true);
  EXPECT_EQ(std::string(r.bytes.begin(), r.bytes.end()), "file 137\r\n");
  ASSERT_EQ(e.ChangeDirUp(), 0);
  EXPECT_EQ(ListAll(e).size(), top.size());
}

TEST(FragmentedDirectories, ANameIsWrittenThroughTheMapAndTheDirectoryStaysValid) {
  MountedImage m(test::ReferenceVolume("fragdirs"), false);
  ASSERT_TRUE(m.mounted());
  ods2::Engine& e = m.engine();
  ASSERT_EQ(e.ChangeDir("WORK.DIR"), 0);
  ods2::FileId work = e.current_directory()->first_header().file_id();
  ASSERT_EQ(test::PutFile(e, "ADDED.TXT", true, test::Text("added\r\n"), 1), 0);
  test::DirectoryListing listing = test::CheckDirectory(m.volume(), work);
  EXPECT_TRUE(listing.faults.empty()) << listing.faults.front();
  EXPECT_EQ(listing.names.size(), 161u);
  EXPECT_TRUE(Contains(listing.names, "ADDED.TXT;1"));
  EXPECT_EQ(ListAll(e).size(), 161u);
  ASSERT_TRUE(m.Close());
  // Read back from the disk afresh: the new record and every old one.
  MountedImage again(m.image().Contents(), true);
  ASSERT_TRUE(again.mounted());
  ASSERT_EQ(again.engine().ChangeDir("WORK.DIR"), 0);
  test::ReadResult added = test::GetFile(again.engine(), "ADDED.TXT", true);
  EXPECT_EQ(std::string(added.bytes.begin(), added.bytes.end()), "added\r\n");
  test::ReadResult old = test::GetFile(again.engine(), "FILE001.TXT", true);
  EXPECT_EQ(std::string(old.bytes.begin(), old.bytes.end()), "file 1\r\n");
}

struct HomeBlockDamage {
  const char* what;
  std::vector<std::uint32_t> spoiled_lbns;
  bool mounts;
};

class AlternateHomeBlock : public testing::TestWithParam<HomeBlockDamage> {};

// The reference volumes keep their second home block at LBN 62, none of the standard candidates.
TEST_P(AlternateHomeBlock, IsFoundByScanningTheFirstBlocks) {
  std::vector<std::uint8_t> bytes = test::ReferenceVolume("small");
  ASSERT_FALSE(bytes.empty());
  for (std::uint32_t lbn : GetParam().spoiled_lbns)
    std::fill_n(bytes.begin() + static_cast<std::ptrdiff_t>(lbn) * 512 + 100, 8, 0x5A);
  MountedImage m(bytes, true);
  ASSERT_EQ(m.mounted(), GetParam().mounts) << GetParam().what;
  if (!m.mounted()) return;
  ods2::VolumeInfo info;
  ASSERT_EQ(m.engine().VolumeQuery(&info), 0);
  EXPECT_EQ(info.label, "SMALLVOL  ");
  EXPECT_TRUE(Contains(ListAll(m.engine()), "HELLO.TXT;1"));
}

INSTANTIATE_TEST_SUITE_P(Damage, AlternateHomeBlock,
                         testing::Values(HomeBlockDamage{"primary spoiled", {1}, true},
                                         HomeBlockDamage{"both spoiled", {1, 62}, false}),
                         [](const auto& info) { return "case" + std::to_string(info.index); });

std::vector<std::uint8_t> TextRecords(std::size_t min_bytes, std::string& lines) {
  std::vector<std::uint8_t> data;
  for (std::size_t i = 0; data.size() < min_bytes; ++i) {
    std::size_t length = (i * 37) % 301;
    data.push_back(static_cast<std::uint8_t>(length));
    data.push_back(static_cast<std::uint8_t>(length >> 8));
    for (std::size_t k = 0; k < length; ++k) {
      char c = static_cast<char>('a' + (i + k) % 26);
      data.push_back(static_cast<std::uint8_t>(c));
      lines += c;
    }
    if (length % 2) data.push_back(0);
    lines += "\r\n";
  }
  return data;
}

TEST(LargeReads, CrossExtentsAndReadWindowsByteExact) {
  // Both files pass the 2048-block read window, in extents of sizes that do not divide it.
  std::vector<std::uint8_t> binary = test::Bytes(3100 * 512 - 77, 3);
  std::string lines;
  std::vector<std::uint8_t> text = TextRecords(2300 * 512, lines);
  test::VolumeBuilder builder(12000, 1);
  builder.AddFile({.name = "BIG.BIN", .data = binary, .extents = {1000, 1500, 600}, .record_type = 1});
  auto text_blocks = static_cast<std::uint32_t>((text.size() + 511) / 512);
  builder.AddFile({.name = "BIG.TXT", .data = text, .extents = {2047, text_blocks - 2047}});
  MountedImage m(builder.Build(), true);
  ASSERT_TRUE(m.mounted());
  test::ReadResult b = test::GetFile(m.engine(), "BIG.BIN", false);
  EXPECT_EQ(b.code, ods2::ErrEof);
  EXPECT_TRUE(b.bytes == binary);
  test::ReadResult t = test::GetFile(m.engine(), "BIG.TXT", true);
  EXPECT_EQ(t.code, ods2::ErrEof);
  EXPECT_TRUE(std::string(t.bytes.begin(), t.bytes.end()) == lines);
}

}  // namespace
