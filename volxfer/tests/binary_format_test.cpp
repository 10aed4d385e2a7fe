// The record format binary put declares: the header says what was chosen, the bytes stay the
// host's, and a file of fixed records that would end inside one is not left on the volume.
#include <gtest/gtest.h>

#include "ods2/directory.h"
#include "support/transfer_helpers.h"
#include "support/volume_checker.h"

namespace {

using Format = ods2::Engine::BinaryFormat;
using ods2::StreamFile;

struct FormatCase {
  Format format;
  std::size_t bytes;
  std::uint8_t record_type;
  std::uint8_t attributes;
  std::uint16_t record_size;  // also the largest record size
};

TEST(BinaryFormat, HeaderDeclaresTheChosenFormatAndTheBytesStayAsPut) {
  const FormatCase cases[] = {
      {Format{}, 1000, 1, 0, 512},  // plain bin: fixed 512 whatever the length, as always
      {Format{StreamFile::kFixedFormat, 32256, true}, 32256 * 3, 1, 0, 32256},
      {Format{StreamFile::kFixedFormat, 2, true}, 6, 1, 0, 2},
      {Format{StreamFile::kFixedFormat, 512, true}, 0, 1, 0, 512},
      {Format{StreamFile::kUndefinedFormat, 0, false}, 1001, 0, 0, 0},
      {Format{StreamFile::kStreamFormat, 0, false}, 700, 4, 2, 0},
      {Format{StreamFile::kStreamLfFormat, 0, false}, 513, 5, 2, 0},
      {Format{StreamFile::kStreamCrFormat, 0, false}, 1, 6, 2, 0},
  };
  test::VolumeBuilder builder(4000, 3);
  test::MountedImage m(builder.Build(), false);
  ASSERT_TRUE(m.mounted());
  ods2::Engine& e = m.engine();
  int n = 0;
  for (const FormatCase& c : cases) {
    std::string name = "F" + std::to_string(n++) + ".BIN";
    e.SetBinaryFormat(c.format);
    std::vector<std::uint8_t> data = test::Bytes(c.bytes, static_cast<std::uint8_t>(n));
    ASSERT_EQ(test::PutFile(e, name, false, data, test::BlocksFor(c.bytes)), 0) << name;
    ASSERT_EQ(e.StreamOpen(name.c_str(), false), 0) << name;
    const ods2::FileHeader& h = e.stream()->first_header();
    EXPECT_EQ(h.record_type_byte(), c.record_type) << name;
    EXPECT_EQ(h.record_attributes(), c.attributes) << name;
    EXPECT_EQ(h.record_size(), c.record_size) << name;
    EXPECT_EQ(h.max_record_size(), c.record_size) << name;
    e.StreamClose();
    EXPECT_EQ(test::GetFile(e, name, false).bytes, data) << name;
  }
  ASSERT_TRUE(m.Close());
  test::VolumeReport r = test::CheckVolume(m.image().Contents());
  EXPECT_TRUE(r.faults.empty()) << test::FirstFault(r);
}

TEST(BinaryFormat, FixedRecordsCutShortLeaveNothing) {
  test::VolumeBuilder builder(4000, 1);
  test::MountedImage m(builder.Build(), false);
  ASSERT_TRUE(m.mounted());
  test::VolumeReport before = test::CheckVolume(m.original());
  ods2::Engine& e = m.engine();
  e.SetBinaryFormat(Format{StreamFile::kFixedFormat, 32256, true});
  EXPECT_EQ(test::PutFile(e, "SAVE.BCK", false, test::Bytes(32256 + 512, 9), 64), ods2::ErrInvalidArgument);
  std::uint32_t cursor = 0;
  EXPECT_FALSE(ods2::Lookup(m.volume(), false, ods2::kMasterDirectoryId, cursor, "SAVE.BCK"));
  ASSERT_TRUE(m.Close());
  test::VolumeReport after = test::CheckVolume(m.image().Contents());
  EXPECT_TRUE(after.faults.empty()) << test::FirstFault(after);
  EXPECT_EQ(after.free_clusters, before.free_clusters);
  EXPECT_EQ(after.entries, before.entries);
  EXPECT_EQ(after.leaked_numbers, before.leaked_numbers);
}

}  // namespace
