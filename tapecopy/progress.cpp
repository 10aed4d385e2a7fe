#include "progress.h"

#include "messages.h"
#include "text_format.h"

namespace tapecopy {

std::string progressText(const DumpTally& tally, double seconds) {
  const double perSecond = seconds > 0 ? static_cast<double>(tally.bytes) / seconds : 0.0;
  const bool megabytes = perSecond >= 1024.0 * 1024.0;
  return formatText(msg::kProgress, static_cast<unsigned long long>(tally.blocks),
                    static_cast<unsigned long long>(tally.tapeMarks),
                    static_cast<unsigned long long>(tally.bytes),
                    perSecond / (megabytes ? 1024.0 * 1024.0 : 1024.0), megabytes ? "MB" : "KB");
}

std::string summaryText(const DumpTally& tally, bool conversion) {
  const auto blocks = static_cast<unsigned long long>(tally.blocks);
  const auto marks = static_cast<unsigned long long>(tally.tapeMarks);
  const auto bytes = static_cast<unsigned long long>(tally.bytes);
  const char* what = conversion ? msg::kConversionDone : msg::kDumpDone;
  if (tally.badBlocks == 0) return formatText(msg::kSummary, what, blocks, marks, bytes);
  return formatText(msg::kSummaryWithBadBlocks, what, blocks, marks, bytes,
                    static_cast<unsigned long long>(tally.badBlocks));
}

void ProgressLine::update(const DumpTally& tally) {
  if (!enabled_) return;
  const Clock::time_point now = Clock::now();
  if (shownLength_ != 0 && now - shown_ < std::chrono::milliseconds(500)) return;
  const std::string text = progressText(tally, std::chrono::duration<double>(now - start_).count());
  // Blanks cover what is left of a longer earlier line.
  const std::size_t pad = shownLength_ > text.size() ? shownLength_ - text.size() : 0;
  out_ << '\r' << text << std::string(pad, ' ') << std::flush;
  shown_ = now;
  shownLength_ = text.size();
}

void ProgressLine::clear() {
  if (shownLength_ == 0) return;
  out_ << '\r' << std::string(shownLength_, ' ') << '\r' << std::flush;
  shownLength_ = 0;
}

}  // namespace tapecopy
