// The dump driven end to end against the scripted fake drive: dump file bytes and messages.
#include <gtest/gtest.h>

#include "dump_fixture.h"

namespace tapecopy::testing {
namespace {

TEST_F(DumpTest, ThreeBlocksAndTwoTapeMarksGiveFiveLinkedRecords) {
  drive_.tape = {Block{0xA1, 0xA2, 0xA3}, Block{0xB1}, Block{0xC1, 0xC2}, TapeMark{}, TapeMark{}};
  const Outcome outcome = runDump();
  EXPECT_EQ(outcome.exitCode, 0);
  EXPECT_EQ(outcome.messages, "Dump complete: blocks 3, tape marks 2, bytes 6\n");
  const Bytes expected = {
      0x00, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00, 0x01, 0xA1, 0xA2, 0xA3,  // at 0, first: link 1
      0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0xB1,              // at 11
      0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x0B, 0xC1, 0xC2,        // at 20
      0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x14,                    // at 30, tape mark
      0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x1E,                    // at 38, tape mark
  };
  EXPECT_EQ(dumpFileBytes(), expected);
}

TEST_F(DumpTest, SendsRewindBlockLimitsThenReadsUntilTheTapeEnds) {
  drive_.tape = {Block{1, 2}, TapeMark{}};
  ASSERT_EQ(runDump().exitCode, 0);
  const LoggedCommand rewind{{0x01, 0, 0, 0, 0, 0}, DataDirection::None, 0, 255, 6};
  const LoggedCommand limits{{0x05, 0, 0, 0, 0, 0}, DataDirection::FromDevice, 49152, 255, 6};
  const LoggedCommand read{{0x08, 0, 0x00, 0xC0, 0x00, 0}, DataDirection::FromDevice, 49152, 255, 6};
  const std::vector<LoggedCommand> expected = {rewind, limits, read, read, read};
  ASSERT_EQ(drive_.log.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(drive_.log[i].cdb, expected[i].cdb);
    EXPECT_EQ(drive_.log[i].direction, expected[i].direction);
    EXPECT_EQ(drive_.log[i].transferLength, expected[i].transferLength);
    EXPECT_EQ(drive_.log[i].timeoutSeconds, expected[i].timeoutSeconds);
    EXPECT_EQ(drive_.log[i].cdbLength, expected[i].cdbLength);
  }
}

class TapeEndTest : public DumpTest, public ::testing::WithParamInterface<TapeEnd> {};

TEST_P(TapeEndTest, EmptyTapeGivesAnEmptyDumpFile) {
  drive_.end = GetParam();
  writeDumpFile({'o', 'l', 'd'});  // an existing file is truncated
  const Outcome outcome = runDump();
  EXPECT_EQ(outcome.exitCode, 0);
  EXPECT_EQ(outcome.messages, "Dump complete: blocks 0, tape marks 0, bytes 0\n");
  EXPECT_EQ(dumpFileBytes(), Bytes{});
}

TEST_P(TapeEndTest, EndsCleanlyAfterTheLastBlock) {
  drive_.end = GetParam();
  drive_.tape = {Block(pattern(10, 1)), TapeMark{}};
  const Outcome outcome = runDump();
  EXPECT_EQ(outcome.exitCode, 0);
  EXPECT_EQ(outcome.messages, "Dump complete: blocks 1, tape marks 1, bytes 10\n");
  EXPECT_EQ(dumpFileBytes(), ExpectedDump().record(pattern(10, 1)).record({}).bytes());
}

INSTANTIATE_TEST_SUITE_P(BlankCheckOrEndOfMedium, TapeEndTest,
                         ::testing::Values(TapeEnd::BlankCheck, TapeEnd::EndOfMedium), [](const auto& info) {
                           return std::string(info.param == TapeEnd::BlankCheck ? "BlankCheck"
                                                                                : "EndOfMedium");
                         });

TEST_F(DumpTest, FullSizeBlockAndShortBlocksKeepTheirLengths) {
  // 49152 bytes come back without sense, the others with the incorrect-length flag.
  drive_.tape = {pattern(49152, 3), pattern(100, 4), pattern(1, 5), pattern(49151, 6)};
  const Outcome outcome = runDump();
  EXPECT_EQ(outcome.exitCode, 0);
  EXPECT_EQ(outcome.messages, "Dump complete: blocks 4, tape marks 0, bytes 98404\n");
  ExpectedDump expected;
  expected.record(pattern(49152, 3)).record(pattern(100, 4)).record(pattern(1, 5)).record(pattern(49151, 6));
  EXPECT_EQ(dumpFileBytes(), expected.bytes());
}

TEST_F(DumpTest, ShortBlockLengthComesFromTheDriveWhenTheAdapterOverReports) {
  drive_.claimsFullTransfer = true;
  drive_.tape = {pattern(300, 7), pattern(49152, 8)};
  ASSERT_EQ(runDump().exitCode, 0);
  EXPECT_EQ(dumpFileBytes(), ExpectedDump().record(pattern(300, 7)).record(pattern(49152, 8)).bytes());
}

TEST_F(DumpTest, ShortBlockWithoutResidueUsesTheReturnedTransferLength) {
  drive_.reportsResidue = false;
  drive_.tape = {pattern(512, 9)};
  ASSERT_EQ(runDump().exitCode, 0);
  EXPECT_EQ(dumpFileBytes(), ExpectedDump().record(pattern(512, 9)).bytes());
}

TEST_F(DumpTest, BlockLongerThanTheBufferStopsInsteadOfTruncating) {
  drive_.tape = {pattern(20, 1), pattern(65534, 2), pattern(20, 3)};
  const Outcome outcome = runDump();
  EXPECT_EQ(outcome.exitCode, 1);
  EXPECT_EQ(outcome.messages, "/dev/sg9: tape block of 65534 bytes is longer than the 49152-byte buffer\n");
  EXPECT_EQ(dumpFileBytes(), ExpectedDump().record(pattern(20, 1)).bytes());
}

// Unit attention (a tape just loaded, a reset) repeats the command, as often as it comes.
class UnitAttentionTest : public DumpTest, public ::testing::WithParamInterface<std::uint8_t> {};

TEST_P(UnitAttentionTest, CommandIsRepeatedAndTheDumpProceeds) {
  const std::uint8_t opcode = GetParam();
  drive_.tape = {pattern(40, 1), TapeMark{}};
  for (int occurrence : {1, 2}) drive_.inject(opcode, occurrence, {{}, senseBytes(0x6, 0, 0x28, 0x00)});
  const Outcome outcome = runDump();
  EXPECT_EQ(outcome.exitCode, 0);
  EXPECT_EQ(outcome.messages, "Dump complete: blocks 1, tape marks 1, bytes 40\n");
  EXPECT_EQ(dumpFileBytes(), ExpectedDump().record(pattern(40, 1)).record({}).bytes());
  const auto sent = std::count_if(drive_.log.begin(), drive_.log.end(),
                                  [&](const LoggedCommand& c) { return c.cdb[0] == opcode; });
  const long normally = opcode == kRead ? 3 : 1;
  EXPECT_EQ(sent, normally + 2);
}

INSTANTIATE_TEST_SUITE_P(EachCommand, UnitAttentionTest, ::testing::Values(kRewind, kReadBlockLimits, kRead),
                         [](const auto& info) {
                           return std::string(info.param == kRewind            ? "Rewind"
                                              : info.param == kReadBlockLimits ? "ReadBlockLimits"
                                                                               : "Read");
                         });

TEST_F(DumpTest, RecoveredErrorOnRewindIsNoFailure) {
  drive_.tape = {pattern(8, 1)};
  drive_.inject(kRewind, 1, {{}, senseBytes(0x1, 0, 0x17, 0x01)});
  ASSERT_EQ(runDump().exitCode, 0);
  EXPECT_EQ(dumpFileBytes(), ExpectedDump().record(pattern(8, 1)).bytes());
}

}  // namespace
}  // namespace tapecopy::testing
