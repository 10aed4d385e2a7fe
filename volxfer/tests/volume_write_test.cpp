// Writing onto a volume, judged by the independent volume checker: removal of files, failed
// transfers that leave nothing, and many names in one directory.
#include <gtest/gtest.h>

#include <algorithm>

#include "ods2/directory.h"
#include "ods2/file_removal.h"
#include "support/transfer_helpers.h"
#include "support/volume_checker.h"

namespace {

using test::MountedImage;
using test::VolumeBuilder;

// The checker's view of an image, and that it holds no faults.
test::VolumeReport Sound(const std::vector<std::uint8_t>& image) {
  test::VolumeReport r = test::CheckVolume(image);
  EXPECT_TRUE(r.faults.empty()) << test::FirstFault(r);
  return r;
}

// Free space, leaks and listing equal: the volume is as it was.
void ExpectSameVolume(const test::VolumeReport& before, const test::VolumeReport& after) {
  EXPECT_EQ(after.free_clusters, before.free_clusters);
  EXPECT_EQ(after.leaked_clusters, before.leaked_clusters);
  EXPECT_EQ(after.leaked_numbers, before.leaked_numbers);
  EXPECT_EQ(after.entries, before.entries);
}

VolumeBuilder SmallVolume() {
  VolumeBuilder builder(2000, 3);
  builder.AddDirectory({.name = "WORK"});
  builder.AddFile({.name = "A.TXT", .data = test::Bytes(3000, 1), .extents = {3, 3}, .extension_headers = 1});
  builder.AddFile({.name = "B.TXT", .directory = "WORK", .data = test::Bytes(10, 2)});
  builder.AddFile({.name = "C.TXT", .version = 2, .data = test::Bytes(700, 3)});
  builder.AddFile({.name = "C.TXT", .version = 1, .data = test::Bytes(600, 4)});
  return builder;
}

TEST(RemoveFile, GivesBackEntryHeadersClustersAndNumbers) {
  VolumeBuilder builder = SmallVolume();
  MountedImage m(builder.Build(), false);
  ASSERT_TRUE(m.mounted());
  test::VolumeReport before = Sound(m.original());
  const ods2::FileId master = ods2::kMasterDirectoryId;
  ods2::FileId a = builder.built("A.TXT;1").id;
  ods2::FileId c2 = builder.built("C.TXT;2").id;
  ASSERT_TRUE(ods2::RemoveFile(m.volume(), master, "A.TXT", 1, a));
  ASSERT_TRUE(ods2::RemoveFile(m.volume(), master, "C.TXT", 2, c2));
  ASSERT_TRUE(m.Close());
  test::VolumeReport after = Sound(m.image().Contents());
  EXPECT_EQ(after.free_clusters, before.free_clusters + 2 + 1);  // A's six blocks, C;2's two
  EXPECT_EQ(after.files, before.files - 2);
  EXPECT_EQ(after.leaked_numbers, before.leaked_numbers);
  EXPECT_EQ(std::count(after.entries.begin(), after.entries.end(), "4 A.TXT;1"), 0);
  EXPECT_EQ(std::count(after.entries.begin(), after.entries.end(), "4 C.TXT;1"), 1);
  EXPECT_EQ(std::count(after.entries.begin(), after.entries.end(), "4 C.TXT;2"), 0);
}

TEST(RemoveFile, RefusalsChangeNothing) {
  VolumeBuilder builder = SmallVolume();
  MountedImage m(builder.Build(), false);
  ASSERT_TRUE(m.mounted());
  const ods2::FileId master = ods2::kMasterDirectoryId;
  ods2::FileId a = builder.built("A.TXT;1").id;
  ods2::FileId b = builder.built("B.TXT;1").id;
  struct Row {
    const char* name;
    std::uint16_t version;
    ods2::FileId id;
    int code;
  };
  for (Row row : {Row{"A.TXT", 2, a, ods2::ErrFileNotFound}, Row{"B.TXT", 1, b, ods2::ErrFileNotFound},
                  Row{"A.TXT", 1, b, ods2::ErrFileNotFound}, Row{"BITMAP.SYS", 1, ods2::kBitmapFileId, 6},
                  Row{"000000.DIR", 1, master, 6}}) {
    EXPECT_FALSE(ods2::RemoveFile(m.volume(), master, row.name, row.version, row.id)) << row.name;
    EXPECT_EQ(m.volume().error(), row.code) << row.name;
  }
  ASSERT_TRUE(m.Close());
  EXPECT_EQ(m.image().Contents(), m.original());
}

// Transfers that fail after the file was created leave the volume as before them.
TEST(FailedPut, LeavesNothingBehind) {
  struct Row {
    const char* what;
    bool text;
    std::size_t bytes;
    int code;
  };
  for (Row row : {Row{"volume full", false, 2000 * 512, ods2::ErrNoFreeIndex},
                  Row{"line too long", true, 70000, ods2::ErrEof}}) {
    VolumeBuilder builder = SmallVolume();
    MountedImage m(builder.Build(), false);
    ASSERT_TRUE(m.mounted());
    test::VolumeReport before = Sound(m.original());
    EXPECT_EQ(test::PutFile(m.engine(), "BIG.DAT", row.text, std::vector<std::uint8_t>(row.bytes, 'x'), 1),
              row.code)
        << row.what;
    std::uint32_t cursor = 0;
    EXPECT_FALSE(ods2::Lookup(m.volume(), false, ods2::kMasterDirectoryId, cursor, "BIG.DAT")) << row.what;
    ASSERT_TRUE(m.Close());
    ExpectSameVolume(before, Sound(m.image().Contents()));
  }
}

// Directories grow by moving to larger runs: a thousand names fit, in order, each block whole.
TEST(DirectoryGrowth, AThousandFilesInTheMasterAndInASubdirectory) {
  for (const char* directory : {"", "WORK.DIR"}) {
    VolumeBuilder builder(6000, 1);
    builder.AddDirectory({.name = "WORK"});
    builder.spare_headers = 1100;
    builder.damage().max_files = 2000;
    MountedImage m(builder.Build(), false);
    ASSERT_TRUE(m.mounted());
    ods2::Engine& e = m.engine();
    if (*directory) {
      ASSERT_EQ(e.ChangeDir(directory), 0);
    }
    std::uint32_t free_before = m.volume().storage_bitmap().bitmap().CountFree();
    constexpr int kFiles = 1000;
    for (int i = kFiles; i > 0; --i) {
      std::string name = "F" + std::to_string(i) + ".TXT";
      ASSERT_EQ(test::PutFile(e, name, true, test::Text(name + "\n"), 1), 0) << name;
    }
    EXPECT_EQ(test::GetFile(e, "F1.TXT", true).bytes, test::Text("F1.TXT\r\n"));
    EXPECT_EQ(test::GetFile(e, "F1000.TXT", true).bytes, test::Text("F1000.TXT\r\n"));
    // The files' own clusters, plus the directory's growth (old runs given back).
    std::uint32_t taken = free_before - m.volume().storage_bitmap().bitmap().CountFree();
    EXPECT_GE(taken, static_cast<std::uint32_t>(kFiles));
    EXPECT_LE(taken, static_cast<std::uint32_t>(kFiles + 200));
    ASSERT_TRUE(m.Close());
    test::VolumeReport r = Sound(m.image().Contents());
    std::size_t listed = std::count_if(r.entries.begin(), r.entries.end(), [](const std::string& x) {
      return x.find(" F") != std::string::npos && x.ends_with(".TXT;1");
    });
    EXPECT_EQ(listed, static_cast<std::size_t>(kFiles)) << directory;
  }
}

TEST(VolumeChecker, BuiltAndReferenceVolumesPass) {
  VolumeBuilder builder = SmallVolume();
  test::VolumeReport r = Sound(builder.Build());
  EXPECT_EQ(r.free_clusters, builder.free_clusters());
  EXPECT_EQ(std::count(r.entries.begin(), r.entries.end(), "4 A.TXT;1"), 1);
  EXPECT_EQ(std::count_if(r.entries.begin(), r.entries.end(),
                          [](const std::string& e) { return e.ends_with(" B.TXT;1"); }),
            1);
  for (const char* name : {"small", "blank"}) {
    test::VolumeReport ref = test::CheckVolume(test::ReferenceVolume(name));
    EXPECT_TRUE(ref.faults.empty()) << name << ": " << test::FirstFault(ref);
    EXPECT_EQ(ref.leaked_clusters + ref.leaked_numbers, 0u) << name;
  }
}

}  // namespace

namespace {

// The header of a put file names the version its entry has, and counts one revision.
TEST(NewFileHeader, NamesTheEntrysVersionAndOneRevision) {
  struct Row {
    const char* spec;
    const char* header_name;
  };
  VolumeBuilder builder = SmallVolume();
  MountedImage m(builder.Build(), false);
  ASSERT_TRUE(m.mounted());
  for (Row row : {Row{"V.TXT;0", "V.TXT;1"}, Row{"W.TXT;", "W.TXT;1"}, Row{"X.TXT;7", "X.TXT;7"}}) {
    ASSERT_EQ(test::PutFile(m.engine(), row.spec, false, test::Text("data"), 1), 0) << row.spec;
    ASSERT_EQ(m.engine().StreamOpen(row.header_name, false), 0) << row.header_name;
    const ods2::FileHeader& h = m.engine().stream()->first_header();
    std::string name(reinterpret_cast<const char*>(h.bytes().data() + h.ident_offset()), 20);
    EXPECT_EQ(name.substr(0, name.find(' ')), row.header_name);
    EXPECT_EQ(ods2::GetU16(h.bytes(), h.ident_offset() + ods2::layout::ident::kRevisionCount), 1);
    EXPECT_NE(h.IdentDate(ods2::layout::ident::kRevisionDate), 0u);
    EXPECT_EQ(h.IdentDate(ods2::layout::ident::kRevisionDate),
              h.IdentDate(ods2::layout::ident::kCreationDate));
    m.engine().StreamClose();
  }
  ASSERT_TRUE(m.Close());
  Sound(m.image().Contents());
}

}  // namespace
