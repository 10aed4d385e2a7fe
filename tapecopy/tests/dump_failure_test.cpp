// Every way a dump can fail: the message, the exit code, and what is left of the dump file.
#include <gtest/gtest.h>

#include <functional>

#include "dump_fixture.h"

namespace tapecopy::testing {
namespace {

const Bytes kOldContents = {'o', 'l', 'd', ' ', 'd', 'u', 'm', 'p'};

enum class Leftover {
  Untouched,    // failed before the dump file was created: an older file is as it was
  FirstRecord,  // failed on the second READ: the first block stays in the dump file
};

struct FailureCase {
  const char* name;
  std::function<void(FakeDrive&)> script;
  const char* message;
  Leftover leftover;
};

void PrintTo(const FailureCase& failure, std::ostream* out) {
  *out << failure.name;
}

InjectedAnswer callFails() {
  return {"Input/output error", {}};
}
InjectedAnswer sense(std::uint8_t key, std::uint8_t flags = 0, std::uint8_t asc = 0, std::uint8_t ascq = 0) {
  return {std::nullopt, senseBytes(key, flags, asc, ascq)};
}
std::function<void(FakeDrive&)> answer(std::uint8_t opcode, int occurrence, InjectedAnswer reply) {
  return [=](FakeDrive& drive) { drive.inject(opcode, occurrence, reply); };
}

const FailureCase kFailures[] = {
    {"RewindCallFails", answer(kRewind, 1, callFails()), "Failed to rewind tape: Input/output error\n",
     Leftover::Untouched},
    {"BlockLimitsCallFails", answer(kReadBlockLimits, 1, callFails()),
     "Failed to read block limits tape: Input/output error\n", Leftover::Untouched},
    {"ReadCallFails", answer(kRead, 2, callFails()), "Failed to read tape block: Input/output error\n",
     Leftover::FirstRecord},
    {"RewindNotReady", answer(kRewind, 1, sense(0x2, 0, 0x04, 0x01)), "/dev/sg9: device not ready\n",
     Leftover::Untouched},
    {"BlockLimitsNotReady", answer(kReadBlockLimits, 1, sense(0x2, 0, 0x3A, 0x00)),
     "/dev/sg9: device not ready\n", Leftover::Untouched},
    {"ReadNotReady", answer(kRead, 2, sense(0x2, 0, 0x04, 0x00)), "/dev/sg9: device not ready\n",
     Leftover::FirstRecord},
    {"RewindHardwareError", answer(kRewind, 1, sense(0x4, 0, 0x44, 0x00)),
     "/dev/sg9: fatal error (70 ... 04 ... 44 00)\n", Leftover::Untouched},
    {"RewindBlankCheck", answer(kRewind, 1, sense(0x8)), "/dev/sg9: fatal error (70 ... 08 ... 00 00)\n",
     Leftover::Untouched},
    {"BlockLimitsIllegalRequest", answer(kReadBlockLimits, 1, sense(0x5, 0, 0x20, 0x00)),
     "/dev/sg9: fatal error (70 ... 05 ... 20 00)\n", Leftover::Untouched},
    {"BlockLimitsAbortedWithFlags", answer(kReadBlockLimits, 1, sense(0xB, 0x80, 0x47, 0x03)),
     "/dev/sg9: fatal error (70 ... 8B ... 47 03)\n", Leftover::Untouched},
    {"ReadMediumError", answer(kRead, 2, sense(0x3, 0, 0x11, 0x00)),
     "/dev/sg9: fatal error (70 ... 03 ... 11 00)\n", Leftover::FirstRecord},
    {"ReadDataProtect", answer(kRead, 2, sense(0x7, 0, 0x27, 0x00)),
     "/dev/sg9: fatal error (70 ... 07 ... 27 00)\n", Leftover::FirstRecord},
    {"ReadVolumeOverflow", answer(kRead, 2, sense(0xD, 0x40, 0x00, 0x02)),
     "/dev/sg9: fatal error (70 ... 4D ... 00 02)\n", Leftover::FirstRecord},
    {"ReadNoSenseWithoutFlags", answer(kRead, 2, sense(0x0, 0, 0x00, 0x00)),
     "/dev/sg9: fatal error (70 ... 00 ... 00 00)\n", Leftover::FirstRecord},
    {"MinimumBlockLengthTwo", [](FakeDrive& drive) { drive.minimumBlockLength = 2; },
     "/dev/sg9: block length error\n", Leftover::Untouched},
    {"MinimumBlockLength257", [](FakeDrive& drive) { drive.minimumBlockLength = 0x101; },
     "/dev/sg9: block length error\n", Leftover::Untouched},
    {"NoBlockLimitsData", answer(kReadBlockLimits, 1, sense(0x0)), "/dev/sg9: block length error\n",
     Leftover::Untouched},
};

class DumpFailureTest : public DumpTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(DumpFailureTest, ReportsAndKeepsWhatWasWritten) {
  const FailureCase& failure = GetParam();
  drive_.tape = {pattern(64, 1), pattern(64, 2), TapeMark{}};
  failure.script(drive_);
  writeDumpFile(kOldContents);
  const Outcome outcome = runDump();
  EXPECT_EQ(outcome.exitCode, 1);
  EXPECT_EQ(outcome.messages, failure.message);
  const Bytes leftover =
      failure.leftover == Leftover::Untouched ? kOldContents : ExpectedDump().record(pattern(64, 1)).bytes();
  EXPECT_EQ(dumpFileBytes(), leftover);
}

INSTANTIATE_TEST_SUITE_P(EachFailure, DumpFailureTest, ::testing::ValuesIn(kFailures),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(DumpTest, DumpFileThatCannotBeCreated) {
  drive_.tape = {pattern(64, 1)};
  const Outcome outcome = runDumpTo((folder_ / "missing" / "dump.tap").string());
  EXPECT_EQ(outcome.exitCode, 1);
  EXPECT_EQ(outcome.messages, "Failed to open dump file: No such file or directory\n");
}

TEST_F(DumpTest, WriteFailureIsReportedInPerrorForm) {
  drive_.tape = {pattern(64, 1), pattern(64, 2)};
  const Outcome outcome = runDumpTo("/dev/full");
  EXPECT_EQ(outcome.exitCode, 1);
  EXPECT_EQ(outcome.messages, "/dev/full: No space left on device\n");
}

// A sink standing in for a dump file that has already grown close to 4 GiB.
class LargeFileSink final : public DumpSink {
 public:
  LargeFileSink(std::uint64_t start, Bytes& written, const char* closeFailure)
      : position_(start), written_(written), closeFailure_(closeFailure) {}
  std::uint64_t position() const override { return position_; }
  bool write(std::span<const std::uint8_t> bytes, std::string&) override {
    written_.insert(written_.end(), bytes.begin(), bytes.end());
    position_ += bytes.size();
    return true;
  }
  bool flush(std::string&) override { return true; }
  bool close(std::string& errorText) override {
    if (closeFailure_ == nullptr) return true;
    errorText = closeFailure_;
    return false;
  }

 private:
  std::uint64_t position_;
  Bytes& written_;
  const char* closeFailure_;
};

struct LargeDumpCase {
  std::size_t blocks;
  bool stops;
};

void PrintTo(const LargeDumpCase& param, std::ostream* out) {
  *out << param.blocks << " blocks";
}

class LargeDumpTest : public DumpTest, public ::testing::WithParamInterface<LargeDumpCase> {};

// Records start at 0xFFFFFFE0 and are 24 bytes long: the fourth would need the back link
// 0x1'0000'0010, which 32 bits cannot hold.
TEST_P(LargeDumpTest, BackLinkPast32BitsStopsBeforeTheRecord) {
  const LargeDumpCase& param = GetParam();
  for (std::size_t i = 0; i < param.blocks; ++i)
    drive_.tape.push_back(pattern(16, static_cast<std::uint8_t>(i)));
  Bytes written;
  const Outcome outcome = runDump([&](const std::string&, std::string&) {
    return std::make_unique<LargeFileSink>(0xFFFFFFE0u, written, nullptr);
  });
  EXPECT_EQ(outcome.exitCode, param.stops ? 1 : 0);
  const std::string stopMessage =
      dumpFile_ + ": dump file reached 4 GiB, the next record's back link does not fit in 32 bits\n";
  EXPECT_EQ(outcome.messages,
            param.stops ? stopMessage : "Dump complete: blocks 3, tape marks 0, bytes 48\n");
  ASSERT_EQ(written.size(), 3u * 24u);
  const Bytes thirdHeader(written.begin() + 48, written.begin() + 56);
  EXPECT_EQ(thirdHeader, (Bytes{0x00, 0x00, 0x00, 0x10, 0xFF, 0xFF, 0xFF, 0xF8}));
}

// Three records still fit and make a complete dump; a fourth block cannot be linked.
INSTANTIATE_TEST_SUITE_P(TapeLengths, LargeDumpTest,
                         ::testing::Values(LargeDumpCase{3, false}, LargeDumpCase{4, true}),
                         [](const auto& info) { return std::to_string(info.param.blocks) + "Blocks"; });

TEST_F(DumpTest, DumpFileThatFailsToCloseIsNoSuccess) {
  drive_.tape = {pattern(16, 1)};
  Bytes written;
  const Outcome outcome = runDump([&](const std::string&, std::string&) {
    return std::make_unique<LargeFileSink>(0, written, "Disk quota exceeded");
  });
  EXPECT_EQ(outcome.exitCode, 1);
  EXPECT_EQ(outcome.messages, dumpFile_ + ": Disk quota exceeded\n");
}

}  // namespace
}  // namespace tapecopy::testing
