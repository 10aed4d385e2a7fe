// Making directories and deleting files through the engine, judged by the independent volume
// checker: what a new directory's header holds, what deletion removes and what it refuses.
#include <gtest/gtest.h>

#include <algorithm>

#include "ods2/directory.h"
#include "ods2/directory_creation.h"
#include "support/transfer_helpers.h"
#include "support/volume_checker.h"

namespace {

using test::MountedImage;
using test::VolumeBuilder;
using Kept = ods2::Engine::Kept;

test::VolumeReport Sound(const std::vector<std::uint8_t>& image) {
  test::VolumeReport r = test::CheckVolume(image);
  EXPECT_TRUE(r.faults.empty()) << test::FirstFault(r);
  return r;
}

bool Listed(const test::VolumeReport& r, const std::string& entry) {
  return std::find(r.entries.begin(), r.entries.end(), entry) != r.entries.end();
}

VolumeBuilder TreeVolume(std::uint16_t cluster_factor) {
  VolumeBuilder builder(3000, cluster_factor);
  builder.AddDirectory({.name = "WORK"});
  builder.AddDirectory({.name = "EMPTY"});
  builder.AddFile({.name = "A.TXT", .data = test::Bytes(3000, 1), .extents = {3, 3}, .extension_headers = 1});
  builder.AddFile({.name = "B.TXT", .directory = "WORK", .data = test::Bytes(10, 2)});
  builder.AddFile({.name = "C.TXT", .version = 2, .data = test::Bytes(700, 3)});
  builder.AddFile({.name = "C.TXT", .version = 1, .data = test::Bytes(600, 4)});
  builder.AddFile({.name = "CD.TXT", .data = test::Bytes(20, 5), .owner_member = 7, .owner_group = 3});
  return builder;
}

// The header of a new directory: as VMS makes them, one cluster with its first block empty.
void ExpectEmptyDirectory(MountedImage& m, const ods2::FileId& id, const ods2::FileId& parent) {
  ods2::DirectoryFile dir;
  ASSERT_TRUE(dir.Access(m.volume(), ods2::kWholeFile, id));
  const ods2::FileHeader& h = dir.first_header();
  EXPECT_TRUE(dir.Check());
  EXPECT_TRUE(h.is_contiguous());
  EXPECT_EQ(h.record_type_byte(), 2);  // variable records, sequential
  EXPECT_EQ(h.record_attributes(), ods2::FileHeader::kNoSpanning);
  EXPECT_EQ(h.record_size(), 512);
  EXPECT_EQ(h.protection(), 0xBA88);  // S:RWE,O:RWE,G:RE,W:E
  EXPECT_EQ(h.back_link(), parent);
  EXPECT_EQ(h.highest_allocated_vbn(), m.volume().cluster_factor());
  EXPECT_EQ(h.eof_vbn(), 2u);
  EXPECT_EQ(h.first_free_byte(), 0);
  ASSERT_NE(dir.window(), nullptr);
  EXPECT_EQ(ods2::GetU16(dir.window()->data, 0), 0xFFFF);
  ods2::OpenFile up;
  ASSERT_TRUE(up.Access(m.volume(), ods2::kNoWindow, parent));
  EXPECT_EQ(h.owner_member(), up.first_header().owner_member());
  EXPECT_EQ(h.owner_group(), up.first_header().owner_group());
  up.Deaccess();
  dir.Deaccess();
}

TEST(MakeDirectory, NestedDirectoriesAsVmsMakesThem) {
  for (std::uint16_t cluster : {1, 3}) {
    MountedImage m(TreeVolume(cluster).Build(), false);
    ASSERT_TRUE(m.mounted());
    test::VolumeReport before = Sound(m.original());
    ods2::Engine& e = m.engine();
    ods2::FileId top, inner;
    ASSERT_EQ(e.MakeDirectory("NEW", &top), 0) << e.LastError();
    ExpectEmptyDirectory(m, top, ods2::kMasterDirectoryId);
    ASSERT_EQ(e.ChangeDir("NEW.DIR;1"), 0);
    ASSERT_EQ(e.MakeDirectory("IN$NER-1_", &inner), 0) << e.LastError();
    ExpectEmptyDirectory(m, inner, top);
    // The new directory takes files like any other.
    ASSERT_EQ(e.ChangeDir("IN$NER-1_.DIR;1"), 0);
    ASSERT_EQ(test::PutFile(e, "X.TXT", true, test::Text("x\n"), 1), 0);
    ASSERT_TRUE(m.Close());
    test::VolumeReport after = Sound(m.image().Contents());
    EXPECT_EQ(after.files, before.files + 3);
    EXPECT_EQ(after.free_clusters, before.free_clusters - 3);
    EXPECT_EQ(after.leaked_clusters, before.leaked_clusters);
    EXPECT_TRUE(Listed(after, "4 NEW.DIR;1"));
    EXPECT_TRUE(Listed(after, std::to_string(top.FileNumber()) + " IN$NER-1_.DIR;1"));
    EXPECT_TRUE(Listed(after, std::to_string(inner.FileNumber()) + " X.TXT;1"));
  }
}

// Enough directories to fill their parent several times over: the parent grows, every one stays
// listed, and deleting them all gives back every cluster but the parent's growth.
TEST(MakeDirectory, ManyDirectoriesGrowTheirParent) {
  VolumeBuilder builder = TreeVolume(1);
  builder.spare_headers = 400;
  builder.damage().max_files = 1000;
  MountedImage m(builder.Build(), false);
  ASSERT_TRUE(m.mounted());
  ods2::Engine& e = m.engine();
  ASSERT_EQ(e.ChangeDir("WORK.DIR"), 0);
  constexpr int kDirectories = 300;
  for (int i = kDirectories; i > 0; --i)
    ASSERT_EQ(e.MakeDirectory(("D" + std::to_string(i)).c_str()), 0) << i << " " << e.LastError();
  test::VolumeReport made = Sound(m.image().Contents());
  EXPECT_EQ(std::count_if(made.entries.begin(), made.entries.end(),
                          [](const std::string& x) { return x.find(" D") != std::string::npos; }),
            kDirectories);
  std::vector<ods2::Engine::Deletion> d;
  ASSERT_EQ(e.DeleteFiles("D*.DIR;*", d), 0);
  EXPECT_EQ(std::count_if(d.begin(), d.end(), [](const auto& x) { return x.kept == Kept::kNothing; }),
            kDirectories);
  ASSERT_TRUE(m.Close());
  test::VolumeReport after = Sound(m.image().Contents());
  EXPECT_EQ(after.files, made.files - kDirectories);
  EXPECT_EQ(after.free_clusters, made.free_clusters + kDirectories);
}

TEST(MakeDirectory, RefusalsLeaveTheVolumeAsItWas) {
  struct Row {
    const char* name;
    bool read_only;
    int code;
  };
  for (Row row : {Row{"WORK", false, ods2::ErrFileExists}, Row{"EMPTY", false, ods2::ErrFileExists},
                  Row{"", false, ods2::ErrInvalidArgument}, Row{"A.B", false, ods2::ErrInvalidArgument},
                  Row{"low", false, ods2::ErrInvalidArgument},
                  Row{"ABCDEFGHIJABCDEFGHIJABCDEFGHIJABCDEFGHIJ", false, ods2::ErrInvalidArgument},
                  Row{"NEW", true, ods2::ErrReadOnly}}) {
    MountedImage m(TreeVolume(1).Build(), row.read_only);
    ASSERT_TRUE(m.mounted());
    EXPECT_EQ(m.engine().MakeDirectory(row.name), -1) << row.name;
    EXPECT_EQ(m.engine().LastError(), row.code) << row.name;
    ASSERT_TRUE(m.Close());
    EXPECT_EQ(m.image().Contents(), m.original()) << row.name;
  }
}

// With no file number left the header is never written and nothing is taken.
TEST(MakeDirectory, NoFreeFileNumberTakesNothing) {
  VolumeBuilder builder = TreeVolume(1);
  builder.damage().max_files = 16;
  MountedImage m(builder.Build(), false);
  ASSERT_TRUE(m.mounted());
  test::VolumeReport before = Sound(m.original());
  ods2::Engine& e = m.engine();
  int made = 0;
  while (e.MakeDirectory(("D" + std::to_string(made)).c_str()) == 0) ++made;
  EXPECT_EQ(e.LastError(), ods2::ErrNoFreeIndex);
  ASSERT_TRUE(m.Close());
  test::VolumeReport after = Sound(m.image().Contents());
  EXPECT_EQ(after.files, before.files + static_cast<std::uint32_t>(made));
  EXPECT_EQ(after.leaked_clusters, before.leaked_clusters);
  EXPECT_EQ(after.leaked_numbers, before.leaked_numbers);
}

struct DeleteCase {
  const char* spec;
  std::vector<std::string> removed;  // names deleted, in order
  std::vector<std::string> kept;     // names refused
};

TEST(DeleteFiles, RemovesWhatThePatternMatchesAndRefusesTheRest) {
  const DeleteCase cases[] = {
      {"C.TXT", {"C.TXT;2"}, {}},
      {"C.TXT;1", {"C.TXT;1"}, {}},
      {"C.TXT;*", {"C.TXT;2", "C.TXT;1"}, {}},
      {"%.TXT;*", {"A.TXT;1", "C.TXT;2", "C.TXT;1"}, {}},
      {"c*.txt", {"C.TXT;2", "CD.TXT;1"}, {}},
      {"*.DIR", {"EMPTY.DIR;1"}, {"000000.DIR;1", "WORK.DIR;1"}},
      {"*.SYS;*", {}, {"BADBLK.SYS;1", "BITMAP.SYS;1", "CORIMG.SYS;1", "INDEXF.SYS;1", "VOLSET.SYS;1"}},
  };
  for (const DeleteCase& c : cases) {
    VolumeBuilder builder = TreeVolume(3);
    MountedImage m(builder.Build(), false);
    ASSERT_TRUE(m.mounted());
    test::VolumeReport before = Sound(m.original());
    std::vector<ods2::Engine::Deletion> deletions;
    ASSERT_EQ(m.engine().DeleteFiles(c.spec, deletions), 0) << c.spec;
    std::vector<std::string> removed, kept;
    for (const auto& d : deletions) (d.kept == Kept::kNothing ? removed : kept).push_back(d.name);
    EXPECT_EQ(removed, c.removed) << c.spec;
    EXPECT_EQ(kept, c.kept) << c.spec;
    ASSERT_TRUE(m.Close());
    test::VolumeReport after = Sound(m.image().Contents());
    EXPECT_EQ(after.files, before.files - c.removed.size()) << c.spec;
    EXPECT_EQ(after.leaked_clusters, before.leaked_clusters) << c.spec;
    EXPECT_EQ(after.leaked_numbers, before.leaked_numbers) << c.spec;
    for (const std::string& name : c.removed) EXPECT_FALSE(Listed(after, "4 " + name)) << c.spec;
    for (const std::string& name : c.kept) EXPECT_TRUE(Listed(after, "4 " + name)) << c.spec;
  }
}

TEST(DeleteFiles, WhyFilesStay) {
  VolumeBuilder builder = TreeVolume(1);
  MountedImage m(builder.Build(), false);
  ASSERT_TRUE(m.mounted());
  ods2::Engine& e = m.engine();
  std::vector<ods2::Engine::Deletion> d;
  EXPECT_EQ(e.DeleteFiles("NONE.TXT", d), -1);
  EXPECT_EQ(e.LastError(), ods2::ErrFileNotFound);
  EXPECT_EQ(e.DeleteFiles("A.TXT;2", d), -1);
  EXPECT_EQ(e.LastError(), ods2::ErrFileNotFound);
  ASSERT_EQ(e.DeleteFiles("WORK.DIR", d), 0);
  ASSERT_EQ(d.size(), 1u);
  EXPECT_EQ(d[0].kept, Kept::kDirectoryNotEmpty);
  // Emptied, it goes; but never while it is current or on the way to the current one.
  ASSERT_EQ(e.ChangeDir("WORK.DIR"), 0);
  ASSERT_EQ(e.DeleteFiles("B.TXT", d), 0);
  EXPECT_EQ(d[0].kept, Kept::kNothing);
  ASSERT_EQ(e.MakeDirectory("SUB"), 0);
  ASSERT_EQ(e.ChangeDir("SUB.DIR"), 0);
  ASSERT_EQ(e.ChangeDirUp(), 0);
  ASSERT_EQ(e.ChangeDirUp(), 0);
  ods2::FileId sub;
  {
    std::uint32_t cursor = 0;
    ASSERT_EQ(e.ChangeDir("WORK.DIR"), 0);
    auto found = ods2::Lookup(m.volume(), false, e.CurrentDirectoryId(), cursor, "SUB.DIR");
    ASSERT_TRUE(found);
    sub = found->id;
  }
  ASSERT_EQ(e.DeleteFiles("SUB.DIR", d, {sub}), 0);
  EXPECT_EQ(d[0].kept, Kept::kDirectoryInUse);
  ASSERT_EQ(e.ChangeDir("SUB.DIR"), 0);
  ASSERT_EQ(e.ChangeDirUp(), 0);
  ASSERT_EQ(e.DeleteFiles("SUB.DIR", d), 0);
  EXPECT_EQ(d[0].kept, Kept::kNothing);
  ASSERT_EQ(e.ChangeDirUp(), 0);
  ASSERT_EQ(e.ChangeDir("WORK.DIR"), 0);
  ASSERT_EQ(e.ChangeDirUp(), 0);
  ASSERT_EQ(e.DeleteFiles("WORK.DIR", d), 0);
  EXPECT_EQ(d[0].kept, Kept::kNothing);
  ASSERT_TRUE(m.Close());
  test::VolumeReport after = Sound(m.image().Contents());
  EXPECT_FALSE(Listed(after, "4 WORK.DIR;1"));
}

TEST(DeleteFiles, ReadOnlyVolumeIsNotTouched) {
  MountedImage m(TreeVolume(1).Build(), true);
  ASSERT_TRUE(m.mounted());
  std::vector<ods2::Engine::Deletion> d;
  EXPECT_EQ(m.engine().DeleteFiles("*.*;*", d), -1);
  EXPECT_EQ(m.engine().LastError(), ods2::ErrReadOnly);
  ASSERT_TRUE(m.Close());
  EXPECT_EQ(m.image().Contents(), m.original());
}

}  // namespace
