// Shared set-up for the dump tests: a scratch folder, a fake drive and helpers to read back and
// build dump files.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "fake_drive.h"
#include "tape_dump.h"

namespace tapecopy::testing {

using Bytes = std::vector<std::uint8_t>;

inline constexpr const char* kDevicePath = "/dev/sg9";

// Recognisable bytes, different for each seed, so a shifted or mixed-up block shows.
Bytes pattern(std::size_t length, std::uint8_t seed);

// Builds the expected dump of a tape item by item (a tape mark is an empty block).
class ExpectedDump {
 public:
  ExpectedDump& record(const Bytes& data);
  const Bytes& bytes() const { return bytes_; }

 private:
  Bytes bytes_;
  std::uint64_t previousHeader_ = 1;
};

class DumpTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  struct Outcome {
    int exitCode;
    std::string messages;
  };
  Outcome runDump(const DumpSinkFactory& createSink = createHostDumpFile);
  Outcome runDumpTo(const std::string& dumpFile);
  std::optional<Bytes> dumpFileBytes() const;
  void writeDumpFile(const Bytes& bytes) const;

  std::filesystem::path folder_;
  std::string dumpFile_;
  FakeDrive drive_;
  DumpOptions options_;
};

}  // namespace tapecopy::testing
