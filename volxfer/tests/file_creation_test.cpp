// Creating files: headers and file numbers, directory entries in name and version order across
// directory blocks, extension of the allocation, and refusals that leave the volume as it was.
#include <gtest/gtest.h>

#include <algorithm>

#include "ods2/directory.h"
#include "ods2/directory_update.h"
#include "ods2/file_creation.h"
#include "support/directory_invariants.h"
#include "support/transfer_helpers.h"
#include "support/volume_checker.h"

namespace {

using test::MountedImage;
using test::VolumeBuilder;

ods2::FileId MasterId() {
  return ods2::kMasterDirectoryId;
}

TEST(Versions, NewVersionsJoinTheirNameRecordNewestFirst) {
  VolumeBuilder builder(1200, 1);
  builder.AddFile({.name = "ZED.DAT", .data = test::Bytes(10, 1)});
  MountedImage m(builder.Build(), false);
  ASSERT_TRUE(m.mounted());
  ods2::Engine& e = m.engine();
  struct Step {
    const char* spec;
    int code;
  };
  // Without a version (or with ;0) an existing name gets the next version; a version given that
  // exists is refused.
  for (Step s : {Step{"FOO.TXT", 0}, Step{"FOO.TXT", 0}, Step{"FOO.TXT;4", 0}, Step{"FOO.TXT;4", 19},
                 Step{"FOO.TXT;3", 0}, Step{"FOO.TXT;2", 19}, Step{"FOO.TXT;0", 0}, Step{"foo.txt;*", 6},
                 Step{"BAR.TXT;7", 0}, Step{"A%.TXT", 6}, Step{"BAD.TXT;-2", 6}, Step{"BAD.TXT;40000", 6}}) {
    int code = test::PutFile(e, s.spec, false, test::Text(s.spec), 1);
    EXPECT_EQ(code, s.code) << s.spec;
  }
  EXPECT_EQ(test::GetFile(e, "FOO.TXT", false).bytes, test::Text("FOO.TXT;0"));
  EXPECT_EQ(test::GetFile(e, "FOO.TXT;4", false).bytes, test::Text("FOO.TXT;4"));
  EXPECT_EQ(test::GetFile(e, "FOO.TXT;1", false).bytes, test::Text("FOO.TXT"));
  test::DirectoryListing listing = test::CheckDirectory(m.volume(), MasterId());
  EXPECT_TRUE(listing.faults.empty()) << listing.faults.front();
  auto at = std::find(listing.names.begin(), listing.names.end(), "FOO.TXT;5");
  ASSERT_NE(at, listing.names.end());
  ASSERT_LE(at + 5, listing.names.end());
  EXPECT_EQ(std::vector<std::string>(at, at + 5),
            (std::vector<std::string>{"FOO.TXT;5", "FOO.TXT;4", "FOO.TXT;3", "FOO.TXT;2", "FOO.TXT;1"}));
  EXPECT_NE(std::find(listing.names.begin(), listing.names.end(), "BAR.TXT;7"), listing.names.end());
}

TEST(MakeFile, RefusesNamesOds2CannotHold) {
  VolumeBuilder builder(900, 1);
  MountedImage m(builder.Build(), false);
  ASSERT_TRUE(m.mounted());
  struct Row {
    const char* spec;
    int code;
  };
  for (Row row :
       {Row{"NODOT", 6}, Row{"TWO.DOTS.TXT", 6}, Row{"DIR/FILE.TXT", 6}, Row{"lower.txt", 6}, Row{".", 6},
        Row{";2", 6}, Row{"SPACE NAME.TXT", 6}, Row{"A23456789012345678901234567890123456789X.TXT", 6},
        Row{"A.T23456789012345678901234567890123456789X", 6}, Row{"$OK_-1.A", 0}, Row{".TYPEONLY", 0},
        Row{"NAMEONLY.", 0},
        Row{"A23456789012345678901234567890123456789.T23456789012345678901234567890123456789", 0}})
    EXPECT_EQ(test::PutFile(m.engine(), row.spec, false, {}, 1), row.code) << row.spec;
  test::DirectoryListing listing = test::CheckDirectory(m.volume(), MasterId());
  EXPECT_TRUE(listing.faults.empty());
}

TEST(ReadOnlyVolume, CreateIsRefusedAndTheImageStaysByteForByte) {
  VolumeBuilder builder(900, 1);
  MountedImage m(builder.Build(), true);
  ASSERT_TRUE(m.mounted());
  EXPECT_EQ(m.engine().StreamCreate("NEW.DAT", false, 1), -1);
  EXPECT_EQ(m.engine().LastError(), ods2::ErrReadOnly);
  char byte = 0;
  EXPECT_EQ(m.engine().StreamWrite(&byte, 1), -1);
  EXPECT_EQ(m.engine().LastError(), ods2::ErrReadOnly);
  ASSERT_TRUE(m.Close());
  EXPECT_EQ(m.image().Contents(), m.original());
}

std::string LongName(int i) {
  return "A_FAIRLY_LONG_FILE_NAME_" + std::to_string(100 + i) + ".DAT";
}

TEST(Directory, ManyNamesSpanSeveralBlocksInNameOrder) {
  constexpr int kNames = 45;
  VolumeBuilder builder(2000, 1);
  builder.spare_headers = kNames + 2;
  builder.AddDirectory({.name = "WORK", .blocks = 6});
  builder.AddFile({.name = "MIDDLE.DAT", .directory = "WORK", .data = test::Bytes(3, 1)});
  MountedImage m(builder.Build(), false);
  ASSERT_TRUE(m.mounted());
  ods2::Engine& e = m.engine();
  ASSERT_EQ(e.ChangeDir("WORK.DIR"), 0);
  for (int k = 0; k < kNames; ++k) {
    int i = (k * 17) % kNames;  // out of name order
    ASSERT_EQ(test::PutFile(e, LongName(i), false, test::Text(LongName(i)), 1), 0) << LongName(i);
  }
  ods2::FileId work = builder.built("WORK.DIR;1").id;
  test::DirectoryListing listing = test::CheckDirectory(m.volume(), work);
  EXPECT_TRUE(listing.faults.empty()) << listing.faults.front();
  EXPECT_EQ(listing.names.size(), kNames + 1u);
  ods2::DirectoryFile dir;
  ASSERT_TRUE(dir.Access(m.volume(), ods2::kNoWindow, work));
  EXPECT_GE(dir.first_header().UsedBlocks(), 4u);
  dir.Deaccess();
  // Every name is found again, through the listing walk and through a lookup by name.
  ods2::FileInfo info;
  int listed = 0;
  while (e.DirSearch("*.*;*", &info) == 0) ++listed;
  EXPECT_EQ(listed, kNames + 1);
  for (int i = 0; i < kNames; ++i)
    EXPECT_EQ(test::GetFile(e, LongName(i), false).bytes, test::Text(LongName(i)));
}

// Sixteen records of 32 bytes would fill a block to its last byte; the sixteenth starts the next
// block instead, so the first still closes with its 0xFFFF mark (other software loses a record
// that ends a block).
TEST(Directory, EveryBlockKeepsItsEndMark) {
  VolumeBuilder builder(2000, 1);
  builder.spare_headers = 20;
  builder.AddDirectory({.name = "WORK", .blocks = 2});
  MountedImage m(builder.Build(), false);
  ASSERT_TRUE(m.mounted());
  ods2::Engine& e = m.engine();
  ASSERT_EQ(e.ChangeDir("WORK.DIR"), 0);
  for (int i = 0; i < 16; ++i) {
    std::string name = "EIGHTEENCHAR" + std::to_string(10 + i) + ".DAT";  // 18 characters
    ASSERT_EQ(test::PutFile(e, name, false, {}, 1), 0) << name;
  }
  ASSERT_TRUE(m.Close());
  test::VolumeReport report = test::CheckVolume(m.image().Contents());
  EXPECT_TRUE(report.faults.empty()) << test::FirstFault(report);
  EXPECT_EQ(std::count_if(report.entries.begin(), report.entries.end(),
                          [](const std::string& x) { return x.find(" EIGHTEENCHAR") != std::string::npos; }),
            16);
}

// Software that honours a high-water mark reads blocks at or above it as zeros.
TEST(Directory, HighWaterMarksInUseCoverTheBlocksWritten) {
  VolumeBuilder builder(2000, 1);
  builder.AddDirectory({.name = "WORK", .blocks = 4});
  std::vector<std::uint8_t> image = builder.Build();
  ods2::FileId work = builder.built("WORK.DIR;1").id;
  auto set_mark = [&](ods2::Volume& v, std::uint32_t number, std::uint32_t mark) {
    ods2::FileHeader h;
    std::uint64_t lbn = v.HeaderLbn(number);
    ASSERT_TRUE(v.ReadBlocks(lbn, 1, h.bytes()));
    ods2::PutU32(h.bytes(), 76, mark);
    h.UpdateChecksum();
    ASSERT_TRUE(v.WriteBlocks(lbn, 1, h.bytes()));
  };
  {
    MountedImage m(image, false);
    ASSERT_TRUE(m.mounted());
    set_mark(m.volume(), work.FileNumber(), 2);
    set_mark(m.volume(), 1, m.volume().index_file().first_header().eof_vbn());
    ASSERT_TRUE(m.Close());
    image = m.image().Contents();
  }
  MountedImage m(image, false);
  ASSERT_TRUE(m.mounted());
  ASSERT_EQ(m.engine().ChangeDir("WORK.DIR"), 0);
  for (int i = 0; i < 30; ++i) ASSERT_EQ(test::PutFile(m.engine(), LongName(i), false, {}, 1), 0);
  ods2::DirectoryFile dir;
  ASSERT_TRUE(dir.Access(m.volume(), ods2::kNoWindow, work));
  EXPECT_GT(dir.first_header().UsedBlocks(), 1u);
  EXPECT_GT(ods2::GetU32(dir.first_header().bytes(), 76), dir.first_header().UsedBlocks());
  dir.Deaccess();
  const ods2::FileHeader& index = m.volume().index_file().first_header();
  EXPECT_GT(ods2::GetU32(index.bytes(), 76), index.UsedBlocks());
}

// The reference volume, written as the independent ODS-2 software made it: new versions join
// their record, enough new names spill over several directory blocks, and the index file grows.
TEST(Directory, ReferenceVolumeKeepsItsInvariantsAfterManyPuts) {
  MountedImage m(test::ReferenceVolume("small"), false);
  ASSERT_TRUE(m.mounted());
  ods2::Engine& e = m.engine();
  ASSERT_EQ(test::PutFile(e, "NOTES.TXT;3", true, test::Text("third\n"), 1), 0);
  ASSERT_EQ(test::PutFile(e, "NOTES.TXT;2", true, test::Text("again\n"), 1), ods2::ErrFileExists);
  ASSERT_EQ(e.ChangeDir("WORK.DIR"), 0);
  for (int k = 0; k < 40; ++k) {
    int i = (k * 13) % 40;
    ASSERT_EQ(test::PutFile(e, LongName(i), false, test::Bytes(100 + i, 2), 1), 0) << LongName(i);
  }
  ods2::FileId work = e.current_directory()->first_header().file_id();
  ASSERT_TRUE(m.Close());
  MountedImage again(m.image().Contents(), true);
  ASSERT_TRUE(again.mounted());
  test::DirectoryListing top = test::CheckDirectory(again.volume(), MasterId());
  EXPECT_TRUE(top.faults.empty()) << top.faults.front();
  auto notes = std::find(top.names.begin(), top.names.end(), "NOTES.TXT;3");
  ASSERT_LE(notes + 3, top.names.end());
  EXPECT_EQ(std::vector<std::string>(notes, notes + 3),
            (std::vector<std::string>{"NOTES.TXT;3", "NOTES.TXT;2", "NOTES.TXT;1"}));
  test::DirectoryListing listing = test::CheckDirectory(again.volume(), work);
  EXPECT_TRUE(listing.faults.empty()) << listing.faults.front();
  EXPECT_EQ(listing.names.size(), 42u);  // README.TXT and SUB.DIR besides
  ASSERT_EQ(again.engine().ChangeDir("WORK.DIR"), 0);
  for (int i = 0; i < 40; ++i)
    EXPECT_EQ(test::GetFile(again.engine(), LongName(i), false).bytes, test::Bytes(100 + i, 2));
  EXPECT_EQ(test::GetFile(again.engine(), "README.TXT", false).bytes.size(), 16u);
}

// Leaves free only clusters whose index modulo `period` is below `free_run`, from `from` on.
void Fragment(ods2::BitmapView& bitmap, std::uint32_t from, std::uint32_t period, std::uint32_t free_run) {
  for (std::uint32_t bit = from; bit < bitmap.bit_count(); ++bit)
    if (bit % period >= free_run && bitmap.IsFree(bit)) bitmap.AllocateAt(bit, 1);
}

// A full directory moves to a larger contiguous run; with none to be had the name is refused and
// nothing is written.
TEST(Directory, AFullDirectoryWithNoRunToGrowIntoRefusesTheName) {
  VolumeBuilder builder(2000, 1);
  builder.spare_headers = 20;
  builder.AddDirectory({.name = "TINY", .blocks = 1});
  MountedImage m(builder.Build(), false);
  ASSERT_TRUE(m.mounted());
  m.AllowLostSpace();  // the test takes clusters itself
  ods2::Engine& e = m.engine();
  ASSERT_EQ(e.ChangeDir("TINY.DIR"), 0);
  for (int i = 0; i < 11; ++i) ASSERT_EQ(test::PutFile(e, LongName(i), false, {}, 1), 0);
  // 11 records of 46 bytes fill 506 of the block's 512 bytes; no two free clusters stand together.
  Fragment(m.volume().storage_bitmap().bitmap(), 0, 2, 1);
  ASSERT_TRUE(m.volume().Flush());
  std::vector<std::uint8_t> before = m.image().Contents();
  std::uint32_t free_numbers = m.volume().index_file().bitmap().CountFree();
  EXPECT_EQ(e.StreamCreate(LongName(50).c_str(), false, 1), -1);
  EXPECT_EQ(e.LastError(), ods2::ErrNoFreeIndex);
  EXPECT_EQ(m.volume().index_file().bitmap().CountFree(), free_numbers);
  ASSERT_TRUE(m.volume().Flush());
  EXPECT_EQ(m.image().Contents(), before);
  test::DirectoryListing listing = test::CheckDirectory(m.volume(), builder.built("TINY.DIR;1").id);
  EXPECT_TRUE(listing.faults.empty());
  EXPECT_EQ(listing.names.size(), 11u);
}

TEST(AddDirectoryEntry, KeepsForeignRecordsAndRefusesDamage) {
  // An unsorted directory (as appending software leaves it) gets the new name before the first
  // greater one; records it does not understand are carried over byte for byte.
  auto record = [](const std::string& name, std::uint16_t version) {
    ods2::DirectoryEntryToAdd entry{name, version, ods2::FileId{9, 1, 0, 0}};
    std::vector<std::uint8_t> block(512, 0);
    int code = 0;
    auto packed = ods2::AddDirectoryEntry(block, 0, 1, entry, code);
    std::size_t size = 2 + ods2::GetU16(packed->data, 0);
    return std::vector<std::uint8_t>(packed->data.begin(),
                                     packed->data.begin() + static_cast<std::ptrdiff_t>(size));
  };
  std::vector<std::uint8_t> data;
  for (auto r : {record("B.DAT", 1), record("D.DAT", 1), record("A.DAT", 1)})
    data.insert(data.end(), r.begin(), r.end());
  data[4] = 0x20;  // a flag bit of the first record that must survive
  std::size_t used = data.size();
  data.push_back(0xFF), data.push_back(0xFF);
  data.resize(1024, 0);
  int code = 0;
  auto packed = ods2::AddDirectoryEntry(data, used, 2, {"C.DAT", 1, ods2::FileId{10, 1, 0, 0}}, code);
  ASSERT_TRUE(packed);
  EXPECT_EQ(packed->used_blocks, 1u);
  std::vector<std::string> names;
  ods2::RecordWalker walker(packed->data, 512, 0);
  ods2::DirectoryRecord r;
  while (walker.Next(r) == ods2::RecordWalker::Step::kRecord) names.emplace_back(r.name);
  EXPECT_EQ(names, (std::vector<std::string>{"B.DAT", "C.DAT", "D.DAT", "A.DAT"}));
  EXPECT_EQ(packed->data[4], 0x20);
  ods2::PutU16(data, 0, 7);  // an odd size: damaged
  EXPECT_FALSE(ods2::AddDirectoryEntry(data, used, 2, {"C.DAT", 1, {}}, code));
  EXPECT_EQ(code, ods2::ErrNotDirectory);
}

TEST(CreateHeader, TakesTheLowestFreeNumberWithTheNextSequence) {
  VolumeBuilder builder(900, 1);
  MountedImage m(builder.Build(), false);
  ASSERT_TRUE(m.mounted());
  ods2::Volume& v = m.volume();
  ods2::BitmapView& numbers = v.index_file().bitmap();
  std::uint32_t expected = numbers.FindFirstFree(0) + 1;
  std::uint64_t lbn = v.HeaderLbn(expected);
  ASSERT_NE(lbn, 0u);
  std::vector<std::uint8_t> old(512, 0);
  ods2::PutU16(old, 10, 7);  // the sequence number a deleted file left
  ASSERT_TRUE(v.WriteBlocks(lbn, 1, old));
  ods2::FileId id;
  ASSERT_TRUE(ods2::CreateHeader(v, id, "A_NAME_LONGER_THAN_TWENTY.TXT;4"));
  EXPECT_EQ(id.FileNumber(), expected);
  EXPECT_EQ(id.sequence, 8);
  EXPECT_FALSE(numbers.IsFree(expected - 1));
  ods2::OpenFile file;
  ASSERT_TRUE(file.Access(v, ods2::kNoWindow, id));
  const ods2::FileHeader& h = file.first_header();
  std::string head(reinterpret_cast<const char*>(h.bytes().data()) + 80, 20);
  std::string tail(reinterpret_cast<const char*>(h.bytes().data()) + 134, 11);
  EXPECT_EQ(head, "A_NAME_LONGER_THAN_T");
  EXPECT_EQ(tail, "WENTY.TXT;4");
  EXPECT_EQ(h.eof_vbn(), 1u);
  EXPECT_EQ(h.highest_allocated_vbn(), 0u);
  EXPECT_EQ(h.protection(), v.home_block().default_protection());
  // Other software finds headers only below the index file's end of file.
  std::uint64_t vbn = expected + v.home_block().index_bitmap_blocks() + 4u * v.cluster_factor();
  EXPECT_GE(v.index_file().first_header().UsedBlocks(), vbn);
  file.Deaccess();
}

TEST(CreateHeader, SkipsNumbersWhoseBitIsWronglyClear) {
  VolumeBuilder builder(900, 1);
  builder.AddFile({.name = "LIVE.DAT", .data = test::Bytes(10, 1)});
  MountedImage m(builder.Build(), false);
  ASSERT_TRUE(m.mounted());
  ods2::Volume& v = m.volume();
  ods2::BitmapView& numbers = v.index_file().bitmap();
  std::uint32_t live = builder.built("LIVE.DAT;1").id.FileNumber();
  numbers.ReleaseNumber(1);     // the index file's own bit, left clear by some software
  numbers.ReleaseNumber(live);  // a file whose header is in use
  ods2::FileId id;
  ASSERT_TRUE(ods2::CreateHeader(v, id, "NEW.DAT"));
  EXPECT_GT(id.FileNumber(), live);
  EXPECT_FALSE(numbers.IsFree(0));
  EXPECT_FALSE(numbers.IsFree(live - 1));
  EXPECT_EQ(test::GetFile(m.engine(), "LIVE.DAT", false).bytes, test::Bytes(10, 1));
}

TEST(CreateHeader, TheIndexFileGrowsWhenItHasNoBlockForTheNumber) {
  VolumeBuilder builder(900, 1);
  builder.spare_headers = 0;
  MountedImage m(builder.Build(), false);
  ASSERT_TRUE(m.mounted());
  ods2::Volume& v = m.volume();
  std::uint32_t highest = v.index_file().first_header().highest_allocated_vbn();
  for (int i = 0; i < 3; ++i)
    ASSERT_EQ(test::PutFile(m.engine(), LongName(i), false, test::Bytes(600, 1), 2), 0);
  EXPECT_GT(v.index_file().first_header().highest_allocated_vbn(), highest);
  ASSERT_TRUE(m.Close());
  ods2::Engine again;
  ASSERT_GE(again.VolumeOpen(m.image().c_str(), true), 0);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(test::GetFile(again, LongName(i), false).bytes, test::Bytes(600, 1));
}

TEST(CreateHeader, NoHeaderBlockObtainableIsCode10AndTheNumberStaysTaken) {
  VolumeBuilder builder(900, 1);
  builder.spare_headers = 0;
  MountedImage m(builder.Build(), false);
  ASSERT_TRUE(m.mounted());
  m.AllowLostSpace();  // the test takes every cluster, and the number stays taken
  ods2::BitmapView& storage = m.volume().storage_bitmap().bitmap();
  for (std::uint32_t cluster = 0; cluster < storage.bit_count(); ++cluster)
    if (storage.IsFree(cluster)) storage.AllocateAt(cluster, 1);
  ods2::BitmapView& numbers = m.volume().index_file().bitmap();
  std::uint32_t bit = numbers.FindFirstFree(0);
  EXPECT_EQ(m.engine().StreamCreate("NEW.DAT", false, 1), -1);
  EXPECT_EQ(m.engine().LastError(), ods2::ErrInvalidHeader);
  EXPECT_FALSE(numbers.IsFree(bit));
}

std::vector<ods2::RetrievalPointer> StreamMap(ods2::Engine& e) {
  return e.stream()->first_header().Map().value_or(std::vector<ods2::RetrievalPointer>{});
}

TEST(Extend, GrowsTheLastExtentByTheQuantumWhileTheClustersAfterItAreFree) {
  VolumeBuilder builder(900, 1);
  MountedImage m(builder.Build(), false);
  ASSERT_TRUE(m.mounted());
  m.AllowLostSpace();  // the test takes a cluster itself
  ods2::Engine& e = m.engine();
  ASSERT_EQ(e.StreamCreate("GROW.DAT", false, 2), 0);
  std::vector<std::uint8_t> data = test::Bytes(5 * 512, 2);
  ASSERT_EQ(e.StreamWrite(data.data(), 512), 512);
  EXPECT_EQ(e.stream()->first_header().highest_allocated_vbn(), 2u);
  // Take the cluster after the extent: the next extension needs a pointer of its own.
  ods2::BitmapView& bitmap = m.volume().storage_bitmap().bitmap();
  std::uint32_t after = StreamMap(e).back().lbn + 2;
  ASSERT_EQ(bitmap.AllocateAt(after, 1), ods2::BitmapView::RunResult::kAllocated);
  ASSERT_EQ(e.StreamWrite(data.data() + 512, 1024), 1024);
  EXPECT_EQ(StreamMap(e).size(), 2u);
  // The clusters after the new extent are free: it grows instead of gaining a third pointer.
  ASSERT_EQ(e.StreamWrite(data.data() + 1536, 1024), 1024);
  auto map = StreamMap(e);
  ASSERT_EQ(map.size(), 2u);
  EXPECT_EQ(map[0].count, 2u);
  EXPECT_EQ(map[1].count, 4u);
  EXPECT_EQ(e.stream()->first_header().highest_allocated_vbn(), 6u);
  ASSERT_EQ(e.StreamClose(), 0);
  EXPECT_EQ(test::GetFile(e, "GROW.DAT", false).bytes, data);
}

TEST(Extend, HalvesTheQuantumWhenNoRunIsLongEnough) {
  VolumeBuilder builder(1200, 1);
  MountedImage m(builder.Build(), false);
  ASSERT_TRUE(m.mounted());
  m.AllowLostSpace();  // the test takes clusters itself
  ods2::BitmapView& bitmap = m.volume().storage_bitmap().bitmap();
  Fragment(bitmap, 0, 3, 2);  // free runs of two clusters only
  std::uint32_t free_before = bitmap.CountFree();
  std::vector<std::uint8_t> data = test::Bytes(8 * 512, 6);
  ods2::Engine& e = m.engine();
  ASSERT_EQ(e.StreamCreate("HALF.DAT", false, 8), 0);
  ASSERT_EQ(e.StreamWrite(data.data(), 512), 512);
  EXPECT_EQ(e.stream()->extension_quantum, 2u);  // 8, 4, then 2, which is kept
  for (std::size_t at = 512; at < data.size(); at += 512)
    ASSERT_EQ(e.StreamWrite(data.data() + at, 512), 512);
  EXPECT_EQ(StreamMap(e).size(), 4u);
  ASSERT_EQ(e.StreamClose(), 0);
  EXPECT_EQ(bitmap.CountFree(), free_before - 8);
  EXPECT_EQ(test::GetFile(e, "HALF.DAT", false).bytes, data);
}

// A halved quantum takes no more than the announced size still needs; past that size it stands.
TEST(Extend, AHalvedQuantumStopsAtTheAnnouncedSize) {
  struct Row {
    std::uint32_t estimate;
    std::uint32_t allocated;  // for 7 blocks of data in free runs of 3 clusters
  };
  for (Row row : {Row{7, 7}, Row{4, 8}}) {
    VolumeBuilder builder(1200, 1);
    MountedImage m(builder.Build(), false);
    ASSERT_TRUE(m.mounted());
    m.AllowLostSpace();  // the test takes clusters itself
    ods2::BitmapView& bitmap = m.volume().storage_bitmap().bitmap();
    Fragment(bitmap, 0, 4, 3);
    std::uint32_t free_before = bitmap.CountFree();
    std::vector<std::uint8_t> data = test::Bytes(7 * 512, 5);
    ods2::Engine& e = m.engine();
    ASSERT_EQ(e.StreamCreate("SIZED.DAT", false, row.estimate), 0);
    ASSERT_EQ(e.StreamWrite(data.data(), data.size()), static_cast<std::int64_t>(data.size()));
    EXPECT_EQ(e.stream()->first_header().highest_allocated_vbn(), row.allocated) << row.estimate;
    ASSERT_EQ(e.StreamClose(), 0);
    EXPECT_EQ(bitmap.CountFree(), free_before - row.allocated) << row.estimate;
    EXPECT_EQ(test::GetFile(e, "SIZED.DAT", false).bytes, data);
  }
}

// Past 38 pointers the map goes on in an extension header, as often as the file needs.
TEST(Extend, AFullMapContinuesInExtensionHeaders) {
  VolumeBuilder builder(1200, 1);
  MountedImage m(builder.Build(), false);
  ASSERT_TRUE(m.mounted());
  m.AllowLostSpace();  // the test takes clusters itself
  ods2::BitmapView& bitmap = m.volume().storage_bitmap().bitmap();
  Fragment(bitmap, 0, 2, 1);  // every other cluster
  std::uint32_t free_before = bitmap.CountFree();
  std::vector<std::uint8_t> data = test::Bytes(100 * 512, 8);
  ods2::Engine& e = m.engine();
  ASSERT_EQ(test::PutFile(e, "MANY.DAT", false, data, 1), 0);
  ASSERT_EQ(e.StreamOpen("MANY.DAT", false), 0);
  const std::vector<ods2::FileHeader>& chain = e.stream()->headers();
  ASSERT_EQ(chain.size(), 3u);  // 38 + 38 + 24 pointers
  EXPECT_EQ(chain[0].map_words_in_use(), 152u);
  EXPECT_EQ(chain[0].highest_allocated_vbn(), 100u);
  for (std::size_t i = 1; i < chain.size(); ++i) {
    EXPECT_EQ(ods2::GetU16(chain[i].bytes(), 4), i);
    EXPECT_EQ(chain[i].back_link(), chain[0].file_id());
    EXPECT_EQ(chain[i - 1].extension_id(), chain[i].file_id());
  }
  e.StreamClose();
  EXPECT_EQ(bitmap.CountFree(), free_before - 100);
  EXPECT_EQ(test::GetFile(e, "MANY.DAT", false).bytes, data);
}

// A file that takes every free block is written whole; one a block larger fails with code 17 and
// leaves no part of itself behind.
TEST(Extend, TheVolumeFillsExactlyAndABlockMoreLeavesNothing) {
  for (std::uint32_t extra : {0u, 1u}) {
    VolumeBuilder builder(700, 1);
    MountedImage m(builder.Build(), false);
    ASSERT_TRUE(m.mounted());
    ods2::BitmapView& bitmap = m.volume().storage_bitmap().bitmap();
    std::uint32_t free_blocks = bitmap.CountFree();
    std::vector<std::uint8_t> data = test::Bytes((free_blocks + extra) * 512, 1);
    int code = test::PutFile(m.engine(), "FULL.DAT", false, data, free_blocks);
    test::ReadResult r = test::GetFile(m.engine(), "FULL.DAT", false);
    if (extra == 0) {
      EXPECT_EQ(code, 0);
      EXPECT_EQ(bitmap.CountFree(), 0u);
      EXPECT_EQ(r.bytes, data);
    } else {
      EXPECT_EQ(code, ods2::ErrNoFreeIndex);
      EXPECT_EQ(bitmap.CountFree(), free_blocks);
      EXPECT_FALSE(r.opened);
    }
  }
}

}  // namespace
