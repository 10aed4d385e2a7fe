// The dump against drives that answer in less common ways, the SIMH image it writes, and
// --skip-errors, --max-block and the progress line.
#include <gtest/gtest.h>

#include "dump_fixture.h"
#include "progress.h"

namespace tapecopy::testing {
namespace {

constexpr std::int32_t kFullRead = 49152;

Answered mediumError(Block data = {}, bool stuck = false) {
  return {std::move(data), senseBytes(0x3, 0, 0x11, 0x00), stuck};
}

struct TapeCase {
  const char* name;
  std::vector<TapeItem> tape;
  Bytes expectedDump;
  const char* messages;
};

void PrintTo(const TapeCase& c, std::ostream* out) {
  *out << c.name;
}

const TapeCase kTapeCases[] = {
    {"RecoveredErrorWithFileMark",
     {Block(pattern(5, 1)), Answered{{}, senseBytes(0x1, 0x80, 0x00, 0x01)}, Block(pattern(6, 2))},
     ExpectedDump().record(pattern(5, 1)).record({}).record(pattern(6, 2)).bytes(),
     "Dump complete: blocks 2, tape marks 1, bytes 11\n"},
    {"RecoveredErrorWithoutFlagsKeepsTheCorrectedBlock",
     {Block(pattern(5, 1)), Answered{pattern(12, 9), senseBytes(0x1, 0x00, 0x17, 0x01)}, TapeMark{}},
     ExpectedDump().record(pattern(5, 1)).record(pattern(12, 9)).record({}).bytes(),
     "Dump complete: blocks 2, tape marks 1, bytes 17\n"},
    {"RecoveredErrorWithIncorrectLength",
     {Answered{pattern(100, 3), senseBytes(0x1, 0x20, 0x17, 0x01, kFullRead - 100)}, TapeMark{}},
     ExpectedDump().record(pattern(100, 3)).record({}).bytes(),
     "Dump complete: blocks 1, tape marks 1, bytes 100\n"},
    {"FileMarkWithEndOfMediumIsAMarkAndReadingGoesOn",
     {Answered{{}, senseBytes(0x0, 0xC0, 0x00, 0x01)}, Block(pattern(7, 4))},
     ExpectedDump().record({}).record(pattern(7, 4)).bytes(),
     "Dump complete: blocks 1, tape marks 1, bytes 7\n"},
    {"EndOfMediumWithDataKeepsTheBlockAndEnds",
     {Block(pattern(9, 5)), Answered{pattern(30, 6), senseBytes(0x0, 0x40, 0x00, 0x02)},
      Block(pattern(8, 7))},
     ExpectedDump().record(pattern(9, 5)).record(pattern(30, 6)).bytes(),
     "Dump complete: blocks 2, tape marks 0, bytes 39\n"},
    {"EndOfMediumWithShortBlock",
     {Answered{pattern(40, 8), senseBytes(0x0, 0x60, 0x00, 0x02, kFullRead - 30)}, Block(pattern(8, 7))},
     ExpectedDump().record(pattern(30, 8)).bytes(),
     "Dump complete: blocks 1, tape marks 0, bytes 30\n"},
    {"EndOfMediumWithoutDataEnds",
     {Block(pattern(9, 5)), Answered{{}, senseBytes(0x0, 0x40, 0x00, 0x02)}, Block(pattern(8, 7))},
     ExpectedDump().record(pattern(9, 5)).bytes(),
     "Dump complete: blocks 1, tape marks 0, bytes 9\n"},
};

class TapeCaseTest : public DumpTest, public ::testing::WithParamInterface<TapeCase> {};

TEST_P(TapeCaseTest, DumpsAsTheDriveReported) {
  const TapeCase& c = GetParam();
  drive_.tape = c.tape;
  const Outcome outcome = runDump();
  EXPECT_EQ(outcome.exitCode, 0);
  EXPECT_EQ(outcome.messages, c.messages);
  EXPECT_EQ(dumpFileBytes(), c.expectedDump);
}

INSTANTIATE_TEST_SUITE_P(Answers, TapeCaseTest, ::testing::ValuesIn(kTapeCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Odd and even records, marks, an error record and the end-of-medium marker, byte by byte.
TEST_F(DumpTest, SimhImageBytes) {
  drive_.tape = {Block{0xA1, 0xA2, 0xA3}, Block{0xB1, 0xB2}, TapeMark{}, mediumError({0xC1}), TapeMark{}};
  options_.format = ImageFormat::Simh;
  options_.skipErrors = true;
  const Outcome outcome = runDump();
  EXPECT_EQ(outcome.exitCode, 0);
  EXPECT_EQ(outcome.messages,
            "/dev/sg9: medium error at block 3 skipped (70 ... 03 ... 11 00)\n"
            "Dump complete: blocks 2, tape marks 2, bytes 5, bad blocks skipped 1\n");
  const Bytes expected = {
      0x03, 0x00, 0x00, 0x00, 0xA1, 0xA2, 0xA3, 0x00, 0x03, 0x00, 0x00, 0x00,  // odd: padded
      0x02, 0x00, 0x00, 0x00, 0xB1, 0xB2, 0x02, 0x00, 0x00, 0x00,              // even
      0x00, 0x00, 0x00, 0x00,                                                  // tape mark
      0x01, 0x00, 0x00, 0x80, 0xC1, 0x00, 0x01, 0x00, 0x00, 0x80,              // error record
      0x00, 0x00, 0x00, 0x00,                                                  // tape mark
      0xFF, 0xFF, 0xFF, 0xFF,                                                  // end of medium
  };
  EXPECT_EQ(dumpFileBytes(), expected);
}

TEST_F(DumpTest, EmptyTapeAsSimhImageHoldsTheEndMarkerOnly) {
  options_.format = ImageFormat::Simh;
  const Outcome outcome = runDump();
  EXPECT_EQ(outcome.exitCode, 0);
  EXPECT_EQ(outcome.messages, "Dump complete: blocks 0, tape marks 0, bytes 0\n");
  EXPECT_EQ(dumpFileBytes(), (Bytes{0xFF, 0xFF, 0xFF, 0xFF}));
}

// A failed SIMH dump keeps its records but gets no end marker: it does not pass for complete.
TEST_F(DumpTest, FailedSimhDumpHasNoEndMarker) {
  drive_.tape = {Block{0x11, 0x22}, mediumError()};
  options_.format = ImageFormat::Simh;
  const Outcome outcome = runDump();
  EXPECT_EQ(outcome.exitCode, 1);
  EXPECT_EQ(outcome.messages, "/dev/sg9: fatal error (70 ... 03 ... 11 00)\n");
  EXPECT_EQ(dumpFileBytes(), (Bytes{0x02, 0, 0, 0, 0x11, 0x22, 0x02, 0, 0, 0}));
}

struct SkipCase {
  const char* name;
  std::vector<TapeItem> tape;
  unsigned errorLimit;
  bool readsPosition;
  int exitCode;
  const char* messages;
  Bytes expectedDump;  // kit format: bad blocks leave no record
};

void PrintTo(const SkipCase& c, std::ostream* out) {
  *out << c.name;
}

const char* const kSkipped1 = "/dev/sg9: medium error at block 1 skipped (70 ... 03 ... 11 00)\n";
const char* const kSkipped2 = "/dev/sg9: medium error at block 2 skipped (70 ... 03 ... 11 00)\n";
const char* const kFatal = "/dev/sg9: fatal error (70 ... 03 ... 11 00)\n";

const SkipCase kSkipCases[] = {
    {"BadBlocksInARowUnderTheLimit",
     {Block(pattern(4, 1)), mediumError(), mediumError(), Block(pattern(4, 2))},
     3,
     true,
     0,
     "/dev/sg9: medium error at block 1 skipped (70 ... 03 ... 11 00)\n"
     "/dev/sg9: medium error at block 2 skipped (70 ... 03 ... 11 00)\n"
     "Dump complete: blocks 2, tape marks 0, bytes 8, bad blocks skipped 2\n",
     ExpectedDump().record(pattern(4, 1)).record(pattern(4, 2)).bytes()},
    {"LimitReachedInARow",
     {Block(pattern(4, 1)), mediumError(), mediumError(), Block(pattern(4, 2))},
     2,
     true,
     1,
     "/dev/sg9: medium error at block 1 skipped (70 ... 03 ... 11 00)\n"
     "/dev/sg9: fatal error (70 ... 03 ... 11 00)\n"
     "/dev/sg9: 2 medium errors in a row, dump abandoned\n",
     ExpectedDump().record(pattern(4, 1)).bytes()},
    {"GoodBlocksBetweenErrorsResetTheRun",
     {Block(pattern(4, 1)), mediumError(), Block(pattern(4, 2)), mediumError(), TapeMark{}},
     2,
     true,
     0,
     "/dev/sg9: medium error at block 1 skipped (70 ... 03 ... 11 00)\n"
     "/dev/sg9: medium error at block 3 skipped (70 ... 03 ... 11 00)\n"
     "Dump complete: blocks 2, tape marks 1, bytes 8, bad blocks skipped 2\n",
     ExpectedDump().record(pattern(4, 1)).record(pattern(4, 2)).record({}).bytes()},
    {"DriveThatCannotGetPastTheBlock",
     {Block(pattern(4, 1)), mediumError({}, true), Block(pattern(4, 2))},
     10,
     true,
     1,
     "/dev/sg9: medium error at block 1 skipped (70 ... 03 ... 11 00)\n"
     "/dev/sg9: fatal error (70 ... 03 ... 11 00)\n"
     "/dev/sg9: medium error again at the same tape position, dump abandoned\n",
     ExpectedDump().record(pattern(4, 1)).bytes()},
    {"StuckDriveWithoutPositionEndsAtTheLimit",
     {Block(pattern(4, 1)), mediumError({}, true), Block(pattern(4, 2))},
     3,
     false,
     1,
     "/dev/sg9: medium error at block 1 skipped (70 ... 03 ... 11 00)\n"
     "/dev/sg9: medium error at block 2 skipped (70 ... 03 ... 11 00)\n"
     "/dev/sg9: fatal error (70 ... 03 ... 11 00)\n"
     "/dev/sg9: 3 medium errors in a row, dump abandoned\n",
     ExpectedDump().record(pattern(4, 1)).bytes()},
};

class SkipErrorsTest : public DumpTest, public ::testing::WithParamInterface<SkipCase> {};

TEST_P(SkipErrorsTest, NotesBadBlocksAndStopsWhereItMust) {
  const SkipCase& c = GetParam();
  drive_.tape = c.tape;
  drive_.readsPosition = c.readsPosition;
  options_.skipErrors = true;
  options_.errorLimit = c.errorLimit;
  const Outcome outcome = runDump();
  EXPECT_EQ(outcome.exitCode, c.exitCode);
  EXPECT_EQ(outcome.messages, c.messages);
  EXPECT_EQ(dumpFileBytes(), c.expectedDump);
}

INSTANTIATE_TEST_SUITE_P(Tapes, SkipErrorsTest, ::testing::ValuesIn(kSkipCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(DumpTest, MaxBlockReadsLongerBlocks) {
  options_.maxBlock = 65535;
  drive_.tape = {pattern(65534, 1), pattern(65535, 2)};
  const Outcome outcome = runDump();
  EXPECT_EQ(outcome.exitCode, 0);
  EXPECT_EQ(dumpFileBytes(), ExpectedDump().record(pattern(65534, 1)).record(pattern(65535, 2)).bytes());
  const LoggedCommand& read = drive_.log.back();
  EXPECT_EQ(read.cdb, (std::array<std::uint8_t, kMaxCdbLength>{0x08, 0, 0x00, 0xFF, 0xFF, 0}));
  EXPECT_EQ(read.transferLength, 65535u);
  EXPECT_EQ(drive_.log[1].transferLength, 49152u);  // READ BLOCK LIMITS as always
}

TEST_F(DumpTest, ProgressLineIsShownAndClearedBeforeTheSummary) {
  options_.showProgress = true;
  drive_.tape = {pattern(10, 1)};
  const std::string messages = runDump().messages;
  const std::string shown = "\rblocks 1, files 0, bytes 10, ";
  ASSERT_TRUE(messages.starts_with(shown)) << messages;
  const std::size_t lineLength = messages.find('\r', 1) - 1;
  const std::string cleared = "\r" + std::string(lineLength, ' ') + "\r";
  EXPECT_EQ(messages.substr(lineLength + 1), cleared + "Dump complete: blocks 1, tape marks 0, bytes 10\n");
}

TEST(ProgressText, CountsAndRate) {
  EXPECT_EQ(progressText({3, 1, 3072, 0}, 2.0), "blocks 3, files 1, bytes 3072, 1.5 KB/s");
  EXPECT_EQ(progressText({100, 2, 3 << 20, 0}, 1.0), "blocks 100, files 2, bytes 3145728, 3.0 MB/s");
  EXPECT_EQ(progressText({0, 0, 0, 0}, 0.0), "blocks 0, files 0, bytes 0, 0.0 KB/s");
}

}  // namespace
}  // namespace tapecopy::testing
