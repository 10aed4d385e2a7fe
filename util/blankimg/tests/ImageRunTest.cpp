// The run around the writer: free-space check, progress figure, writer thread.
#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>

#include "DiskSelection.h"
#include "ImageRun.h"
#include "TempDir.h"

namespace blankimg {
namespace {

using testing::TempDir;

const DiskType& rowNamed(std::string_view name) {
  for (const DiskType& row : diskRows())
    if (name == row.name) return row;
  throw std::runtime_error("no row " + std::string(name));
}

TEST(FreeSpace, RefusesOnlyWhenTheVolumeAnswersWithTooFewBytes) {
  const std::uint64_t rk05 = imageSizeBytes(rowNamed("rk05"));
  struct Case {
    std::optional<std::uint64_t> free;
    bool refused;
  };
  for (const Case c : {Case{rk05 - 1, true}, Case{0, true}, Case{rk05, false}, Case{std::nullopt, false}}) {
    std::filesystem::path asked;
    const auto refusal = checkFreeSpace("images/rk05.dsk", rk05, [&](const std::filesystem::path& dir) {
      asked = dir;
      return c.free;
    });
    EXPECT_EQ(asked, "images");
    if (c.refused) {
      EXPECT_EQ(refusal, "There is not enough disk space.\n2436 Kb is required");
    } else {
      EXPECT_FALSE(refusal);
    }
  }
}

TEST(FreeSpace, SizeInTheMessageIsSixtyFourBit) {
  EXPECT_EQ(notEnoughSpaceText(imageSizeBytes(rowNamed("rz59"))),
            "There is not enough disk space.\n8877807 Kb is required");
}

TEST(FreeSpace, DirectoryOfThePath) {
  EXPECT_EQ(directoryOf("a/b/rk05.dsk"), "a/b");
  EXPECT_EQ(directoryOf("/rk05.dsk"), "/");
  EXPECT_EQ(directoryOf("rk05.dsk"), ".");
}

TEST(FreeSpace, QueryOfAVolumeThatCannotBeAskedGivesNothing) {
  EXPECT_FALSE(availableBytes("/no/such/folder/at/all"));
  EXPECT_TRUE(availableBytes(std::filesystem::temp_directory_path()));
}

TEST(Progress, TenStepsOfATenthEach) {
  struct Case {
    std::uint64_t reported, total;
    int percent;
  };
  const Case cases[] = {
      {0, 20480, 0},      {2047, 20480, 0},    {2048, 20480, 10},
      {20479, 20480, 90}, {20480, 20480, 100},  // full exactly at the last sector of a multiple of ten
      {4871, 4872, 100},                        // 4872 / 10 rounds down: full a little early, never beyond
      {4872, 4872, 100},                        //
      {3, 5, 30},                               // fewer than ten sectors: one step per sector
      {5, 5, 100},                              // and full when all are done
  };
  for (const Case& c : cases)
    EXPECT_EQ(progressPercent(c.reported, c.total), c.percent) << c.reported << " of " << c.total;
}

class ImageRunThread : public TempDir {
 protected:
  // Names in the scratch folder: shows whether a run left anything beside the target.
  std::set<std::string> names() const {
    std::set<std::string> found;
    for (const auto& entry : std::filesystem::directory_iterator(path(".").parent_path()))
      found.insert(entry.path().filename().string());
    return found;
  }
  void writeText(const std::string& name, const std::string& text) const {
    std::ofstream(path(name)) << text;
  }
  std::string readText(const std::string& name) const {
    const auto bytes = readAll(path(name));
    return {bytes.begin(), bytes.end()};
  }
};

const std::optional<std::uint64_t> kPlenty = std::uint64_t{1} << 40;
std::optional<std::uint64_t> plentyOfSpace(const std::filesystem::path&) {
  return kPlenty;
}

TEST_F(ImageRunThread, WritesTheRowAndReportsEverySector) {
  std::ostringstream report;
  const DiskType& rl01 = rowNamed("rl01");
  ImageRun run(rl01, path("rl01.dsk"), report);
  ASSERT_EQ(run.prepare(plentyOfSpace), PrepareResult::Ready);
  run.start();
  EXPECT_EQ(run.wait(), WriteResult::Done);
  EXPECT_TRUE(run.finished());
  EXPECT_EQ(run.sectorsReported(), run.totalSectors());
  EXPECT_EQ(std::filesystem::file_size(path("rl01.dsk")), imageSizeBytes(rl01));
  EXPECT_EQ(names(), std::set<std::string>{"rl01.dsk"});
}

TEST_F(ImageRunThread, UnwritableTargetGivesItsCauseNotASpaceShortage) {
  std::ostringstream report;
  ImageRun run(rowNamed("rk05"), path("none") / "rk05.dsk", report);
  EXPECT_EQ(run.prepare([](const auto&) { return std::uint64_t{0}; }), PrepareResult::Failed);
  EXPECT_EQ(report.str(), "Can't open image file: No such file or directory\n");
}

TEST_F(ImageRunThread, TooLittleSpaceLeavesNothingBehind) {
  std::ostringstream report;
  ImageRun run(rowNamed("rk05"), path("rk05.dsk"), report);
  EXPECT_EQ(run.prepare([](const auto&) { return std::uint64_t{4096}; }), PrepareResult::NotEnoughSpace);
  EXPECT_EQ(report.str(), "");
  EXPECT_TRUE(names().empty());
}

// A row whose last track is too short for the table: the writer fails after the zeros.
constexpr DiskType kUnfitRl02 = [] {
  DiskType row{};
  row.name = "odd";
  row.sectors = 1;
  row.tracks = 1;
  row.cylinders = 80;
  row.sectorSize = 256;
  row.badBlockKind = 3;
  return row;
}();

TEST_F(ImageRunThread, FailedOrCancelledRunRemovesWhatItMadeAndKeepsWhatWasThere) {
  struct Case {
    const char* what;
    const DiskType* row;
    bool cancel, existed;
    WriteResult result;
  };
  const Case cases[] = {
      {"failed, new name", &kUnfitRl02, false, false, WriteResult::Failed},
      {"failed, over a file", &kUnfitRl02, false, true, WriteResult::Failed},
      {"cancelled, new name", &rowNamed("rk05"), true, false, WriteResult::Cancelled},
      {"cancelled, over a file", &rowNamed("rk05"), true, true, WriteResult::Cancelled},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::filesystem::remove_all(path("image.dsk"));
    if (c.existed) writeText("image.dsk", "precious");
    std::ostringstream report;
    ImageRun run(*c.row, path("image.dsk"), report);
    ASSERT_EQ(run.prepare(plentyOfSpace), PrepareResult::Ready);
    if (c.cancel) run.cancel();
    run.start();
    EXPECT_EQ(run.wait(), c.result);
    EXPECT_EQ(names(), c.existed ? std::set<std::string>{"image.dsk"} : std::set<std::string>{});
    if (c.existed) {
      EXPECT_EQ(readText("image.dsk"), "precious");
    }
  }
}

TEST_F(ImageRunThread, CompleteImageReplacesTheOldFileAndKeepsItsPermissions) {
  writeText("rx01.dsk", "old");
  namespace fs = std::filesystem;
  fs::permissions(path("rx01.dsk"), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  std::ostringstream report;
  ImageRun run(rowNamed("rx01"), path("rx01.dsk"), report);
  ASSERT_EQ(run.prepare(plentyOfSpace), PrepareResult::Ready);
  run.start();
  EXPECT_EQ(run.wait(), WriteResult::Done);
  EXPECT_EQ(fs::file_size(path("rx01.dsk")), 256'256u);
  EXPECT_EQ(fs::status(path("rx01.dsk")).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  EXPECT_EQ(names(), std::set<std::string>{"rx01.dsk"});
}

TEST_F(ImageRunThread, DeviceIsWrittenInPlaceAndNeverRemoved) {
  if (!std::filesystem::exists("/dev/null")) GTEST_SKIP() << "no /dev/null here";
  std::ostringstream report;
  {
    ImageRun run(rowNamed("rx01"), "/dev/null", report);
    ASSERT_EQ(run.prepare([](const auto&) { return std::uint64_t{0}; }), PrepareResult::Ready);
    run.cancel();
    run.start();
    EXPECT_EQ(run.wait(), WriteResult::Cancelled);
  }
  EXPECT_TRUE(std::filesystem::is_character_file("/dev/null"));
}

TEST_F(ImageRunThread, EndingTheRunEarlyCancelsTheWriterAndRemovesItsFile) {
  const DiskType& rd54 = rowNamed("rd54");
  std::ostringstream report;
  {
    ImageRun run(rd54, path("rd54.dsk"), report);
    ASSERT_EQ(run.prepare(plentyOfSpace), PrepareResult::Ready);
    run.start();
    while (run.sectorsReported() == 0) std::this_thread::yield();
  }
  EXPECT_TRUE(names().empty());
  EXPECT_EQ(report.str(), "");
}

TEST(SameImage, OnlyRowsWithIdenticalBytes) {
  const DiskType& rl01 = rowNamed("rl01");
  DiskType longerTrack = rl01;  // same bytes in all, but the table sits elsewhere
  longerTrack.sectors = 80;
  longerTrack.tracks = 1;
  DiskType noTable = rl01;
  noTable.badBlockKind = 0;
  DiskType otherKind = rl01;
  otherKind.badBlockKind = 3;  // the same table
  DiskType otherShape = rowNamed("rk05");
  otherShape.sectors = 24;
  otherShape.tracks = 1;  // zeros of the same length
  struct Case {
    const DiskType &a, &b;
    bool same;
  };
  const Case cases[] = {
      {diskRows()[16], diskRows()[53], true},  // the two rx50 rows
      {rl01, otherKind, true},
      {rowNamed("rk05"), otherShape, true},
      {rl01, longerTrack, false},
      {rl01, noTable, false},
      {rowNamed("rm02"), rowNamed("rm03"), true},
      {rowNamed("rk06"), rowNamed("rk07"), false},
      {rowNamed("rx01"), rowNamed("rx02"), false},
  };
  for (const Case& c : cases) EXPECT_EQ(writesSameImage(c.a, c.b), c.same) << c.a.name << " " << c.b.name;
}

}  // namespace
}  // namespace blankimg
