// The image file itself: length, zeros, the RL01/RL02 bad block table, and what is left behind
// by failures and cancellation.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <thread>

#include "DiskTable.h"
#include "ImageWriter.h"
#include "TempDir.h"

namespace blankimg {
namespace {

using testing::TempDir;

const DiskType& rowNamed(std::string_view name) {
  for (const DiskType& row : diskRows())
    if (name == row.name) return row;
  throw std::runtime_error("no row " + std::string(name));
}

WriteResult writeRow(const DiskType& row, const std::filesystem::path& file, RunControl& control,
                     std::ostream& report) {
  return createImage(file, blockCount(row), row.sectors, row.sectorSize, row.badBlockKind, control, report);
}

bool allZero(const std::vector<unsigned char>& bytes, std::size_t from, std::size_t to) {
  return std::all_of(bytes.begin() + from, bytes.begin() + to, [](unsigned char b) { return b == 0; });
}

// One copy of the table sector: serial 012345 twice, two zero words, then 0xFF to the end.
::testing::AssertionResult isTableSector(const std::vector<unsigned char>& bytes, std::size_t at,
                                         std::size_t size) {
  const unsigned char head[8] = {0xE5, 0x14, 0xE5, 0x14, 0, 0, 0, 0};
  if (!std::equal(head, head + 8, bytes.begin() + at))
    return ::testing::AssertionFailure() << "head at " << at;
  for (std::size_t i = at + 8; i < at + size; ++i)
    if (bytes[i] != 0xFF) return ::testing::AssertionFailure() << "byte " << i << " is not FF";
  return ::testing::AssertionSuccess();
}

struct ImageCase {
  const char* name;
  std::size_t length;
  std::size_t tableAt;  // 0: no table
};

void PrintTo(const ImageCase& c, std::ostream* out) {
  *out << c.name;
}

class ImageOfRow : public TempDir, public ::testing::WithParamInterface<ImageCase> {};

TEST_P(ImageOfRow, HasExactLengthZerosAndTheTableWhereDue) {
  const ImageCase& c = GetParam();
  const DiskType& row = rowNamed(c.name);
  RunControl control;
  std::ostringstream report;
  ASSERT_EQ(writeRow(row, path("image.dsk"), control, report), WriteResult::Done);
  EXPECT_EQ(report.str(), "");
  EXPECT_EQ(control.sectorsReported.load(), blockCount(row));

  const auto bytes = readAll(path("image.dsk"));
  ASSERT_EQ(bytes.size(), c.length);
  if (c.tableAt == 0) {
    EXPECT_TRUE(allZero(bytes, 0, bytes.size()));
    return;
  }
  EXPECT_TRUE(allZero(bytes, 0, c.tableAt));
  for (std::size_t copy = 0; copy < 10; ++copy)
    EXPECT_TRUE(isTableSector(bytes, c.tableAt + copy * row.sectorSize, row.sectorSize)) << "copy " << copy;
  EXPECT_TRUE(allZero(bytes, c.tableAt + 10 * row.sectorSize, bytes.size()));
}

INSTANTIATE_TEST_SUITE_P(Rows, ImageOfRow,
                         ::testing::Values(ImageCase{"rk05", 2'494'464, 0},  // several write chunks
                                           ImageCase{"rx01", 256'256, 0},    // 128-byte sectors
                                           ImageCase{"rl01", 5'242'880, 5'232'640},
                                           ImageCase{"rl02", 10'485'760, 10'475'520}),
                         [](const auto& info) { return std::string(info.param.name); });

class ImageWriter : public TempDir {};

TEST_F(ImageWriter, ShortTrackGetsNoMoreCopiesThanItHasSectors) {
  // Four sectors per track: ten copies would run past the end of the image.
  RunControl control;
  std::ostringstream report;
  ASSERT_EQ(createImage(path("short.dsk"), 12, 4, 256, 2, control, report), WriteResult::Done);
  const auto bytes = readAll(path("short.dsk"));
  ASSERT_EQ(bytes.size(), 12u * 256);
  EXPECT_TRUE(allZero(bytes, 0, 8 * 256));
  for (std::size_t copy = 0; copy < 4; ++copy) EXPECT_TRUE(isTableSector(bytes, (8 + copy) * 256, 256));
}

TEST_F(ImageWriter, GeometryUnfitForTableFailsButLeavesTheFullZeroImage) {
  struct Case {
    std::uint32_t sectors, sectorSize;
  };
  for (const Case c : {Case{1, 256}, Case{40, 16}}) {
    SCOPED_TRACE(c.sectors);
    RunControl control;
    std::ostringstream report;
    EXPECT_EQ(createImage(path("odd.dsk"), 80, c.sectors, c.sectorSize, 3, control, report),
              WriteResult::Failed);
    EXPECT_EQ(report.str(), "Can't create bad block table for this geometry: Invalid argument\n");
    const auto bytes = readAll(path("odd.dsk"));
    EXPECT_EQ(bytes.size(), 80u * c.sectorSize);
    EXPECT_TRUE(allZero(bytes, 0, bytes.size()));
  }
}

TEST_F(ImageWriter, PathThatCannotBeCreatedFailsWithTheReport) {
  RunControl control;
  std::ostringstream report;
  const auto file = path("missing-folder") / "rk05.dsk";
  EXPECT_EQ(writeRow(rowNamed("rk05"), file, control, report), WriteResult::Failed);
  EXPECT_EQ(report.str(), "Can't open image file: No such file or directory\n");
  EXPECT_FALSE(std::filesystem::exists(file));
  EXPECT_EQ(control.sectorsReported.load(), 0u);
}

TEST_F(ImageWriter, FullDeviceFailsAsAShortWrite) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full here";
  RunControl control;
  std::ostringstream report;
  EXPECT_EQ(writeRow(rowNamed("rk05"), "/dev/full", control, report), WriteResult::Failed);
  EXPECT_EQ(report.str(), "Can't write image file: No space left on device\n");
}

TEST_F(ImageWriter, CancelBeforeTheFirstSectorLeavesAnEmptyFile) {
  RunControl control;
  control.cancelRequested = true;
  std::ostringstream report;
  EXPECT_EQ(writeRow(rowNamed("rk05"), path("rk05.dsk"), control, report), WriteResult::Cancelled);
  EXPECT_EQ(report.str(), "");
  EXPECT_EQ(std::filesystem::file_size(path("rk05.dsk")), 0u);
}

TEST_F(ImageWriter, CancelMidRunKeepsExactlyTheSectorsStepped) {
  const DiskType& rd54 = rowNamed("rd54");
  RunControl control;
  std::ostringstream report;
  WriteResult result = WriteResult::Failed;
  std::thread writer([&] { result = writeRow(rd54, path("rd54.dsk"), control, report); });
  while (control.sectorsReported.load() < 1000) std::this_thread::yield();
  control.cancelRequested = true;
  writer.join();

  ASSERT_EQ(result, WriteResult::Cancelled);
  EXPECT_EQ(report.str(), "");
  const auto size = std::filesystem::file_size(path("rd54.dsk"));
  EXPECT_EQ(size, control.sectorsReported.load() * rd54.sectorSize);
  EXPECT_LT(size, imageSizeBytes(rd54));
}

// The bytes a stream receives, written in order, against the file written over zeros.
std::vector<unsigned char> streamedBytes(std::uint64_t total, std::uint32_t sectors, std::uint32_t sectorSize,
                                         std::uint32_t kind, WriteResult& result, std::string& report) {
  std::FILE* stream = std::tmpfile();
  RunControl control;
  std::ostringstream causes;
  result = streamImage(stream, total, sectors, sectorSize, kind, control, causes);
  report = causes.str();
  std::vector<unsigned char> bytes;
  std::rewind(stream);
  for (int c; (c = std::fgetc(stream)) != EOF;) bytes.push_back(static_cast<unsigned char>(c));
  std::fclose(stream);
  return bytes;
}

TEST_F(ImageWriter, StreamGetsTheSameBytesAsTheFile) {
  struct Case {
    const char* what;
    std::uint64_t total;
    std::uint32_t sectors, sectorSize, kind;
  };
  const DiskType& rl01 = rowNamed("rl01");
  const DiskType& rl02 = rowNamed("rl02");
  const DiskType& rx01 = rowNamed("rx01");
  const Case cases[] = {
      {"rl01", blockCount(rl01), rl01.sectors, rl01.sectorSize, rl01.badBlockKind},
      {"rl02", blockCount(rl02), rl02.sectors, rl02.sectorSize, rl02.badBlockKind},
      {"rx01", blockCount(rx01), rx01.sectors, rx01.sectorSize, rx01.badBlockKind},
      {"short track", 12, 4, 256, 2},  // four copies, then nothing after them
      {"one track", 40, 40, 256, 3},   // the table starts at sector 0
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    RunControl control;
    std::ostringstream fileReport;
    ASSERT_EQ(createImage(path("file.dsk"), c.total, c.sectors, c.sectorSize, c.kind, control, fileReport),
              WriteResult::Done);
    WriteResult result;
    std::string report;
    const auto streamed = streamedBytes(c.total, c.sectors, c.sectorSize, c.kind, result, report);
    EXPECT_EQ(result, WriteResult::Done);
    EXPECT_EQ(report, "");
    EXPECT_TRUE(streamed == readAll(path("file.dsk")));
  }
}

TEST_F(ImageWriter, StreamRefusesAnUnfitGeometryBeforeWritingAnything) {
  WriteResult result;
  std::string report;
  EXPECT_TRUE(streamedBytes(80, 1, 256, 3, result, report).empty());
  EXPECT_EQ(result, WriteResult::Failed);
  EXPECT_EQ(report, "Can't create bad block table for this geometry: Invalid argument\n");
}

TEST_F(ImageWriter, FullStreamFails) {
  std::FILE* full = std::fopen("/dev/full", "wb");
  if (full == nullptr) GTEST_SKIP() << "no /dev/full here";
  RunControl control;
  std::ostringstream report;
  const DiskType& rl01 = rowNamed("rl01");
  EXPECT_EQ(
      streamImage(full, blockCount(rl01), rl01.sectors, rl01.sectorSize, rl01.badBlockKind, control, report),
      WriteResult::Failed);
  std::fclose(full);
  EXPECT_EQ(report.str(), "Can't write image file: No space left on device\n");
}

}  // namespace
}  // namespace blankimg
