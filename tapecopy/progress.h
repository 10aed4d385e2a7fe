// What a dump or conversion has copied so far, the progress line shown on a terminal while it
// runs, and the summary printed when it is complete.
#pragma once

#include <chrono>
#include <cstdint>
#include <ostream>
#include <string>

namespace tapecopy {

struct DumpTally {
  std::uint64_t blocks = 0;
  std::uint64_t tapeMarks = 0;
  std::uint64_t bytes = 0;
  std::uint64_t badBlocks = 0;  // skipped medium errors

  // Blocks, tape marks and bad blocks: where the next one sits, counted from 0 as the drive does.
  std::uint64_t objects() const { return blocks + tapeMarks + badBlocks; }
};

// "blocks 12, files 1, bytes 6144, 2.0 KB/s".
std::string progressText(const DumpTally& tally, double seconds);

// The one-line summary of a complete dump (or conversion).
std::string summaryText(const DumpTally& tally, bool conversion);

// A line rewritten in place, at most twice a second; cleared before any other message.
class ProgressLine {
 public:
  ProgressLine(std::ostream& out, bool enabled) : out_(out), enabled_(enabled) {}
  void update(const DumpTally& tally);
  void clear();

 private:
  using Clock = std::chrono::steady_clock;
  std::ostream& out_;
  bool enabled_;
  Clock::time_point start_ = Clock::now();
  Clock::time_point shown_{};
  std::size_t shownLength_ = 0;
};

}  // namespace tapecopy
