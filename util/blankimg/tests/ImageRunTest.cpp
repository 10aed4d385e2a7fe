// The run around the writer: free-space check, progress figure, writer thread.
#include <gtest/gtest.h>

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

class ImageRunThread : public TempDir {};

TEST_F(ImageRunThread, WritesTheRowAndReportsEverySector) {
  std::ostringstream report;
  const DiskType& rl01 = rowNamed("rl01");
  ImageRun run(rl01, path("rl01.dsk"), report);
  run.start();
  EXPECT_EQ(run.wait(), WriteResult::Done);
  EXPECT_TRUE(run.finished());
  EXPECT_EQ(run.sectorsReported(), run.totalSectors());
  EXPECT_EQ(std::filesystem::file_size(path("rl01.dsk")), imageSizeBytes(rl01));
}

TEST_F(ImageRunThread, ReportsFailureOfTheWriter) {
  std::ostringstream report;
  ImageRun run(rowNamed("rk05"), path("none") / "rk05.dsk", report);
  run.start();
  EXPECT_EQ(run.wait(), WriteResult::Failed);
  EXPECT_EQ(report.str(), "Can't open image file: No such file or directory\n");
}

TEST_F(ImageRunThread, EndingTheRunEarlyCancelsTheWriter) {
  const DiskType& rd54 = rowNamed("rd54");
  std::ostringstream report;
  {
    ImageRun run(rd54, path("rd54.dsk"), report);
    run.start();
    while (run.sectorsReported() == 0) std::this_thread::yield();
  }
  EXPECT_LT(std::filesystem::file_size(path("rd54.dsk")), imageSizeBytes(rd54));
  EXPECT_EQ(report.str(), "");
}

}  // namespace
}  // namespace blankimg
