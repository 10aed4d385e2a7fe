#include "progress_line.h"

#include <unistd.h>
#include <algorithm>
#include <chrono>
#include <cstdio>

#include "messages.h"

namespace volxfer {

namespace {
// The clock is read only after this many bytes, so small chunks cost no system call each.
constexpr std::uint64_t kClockStrideBytes = 64 * 1024;
constexpr double kMegabyte = 1024.0 * 1024.0;

class StandardTerminal : public ProgressTerminal {
 public:
  bool IsTerminal() const override { return ::isatty(STDOUT_FILENO) == 1; }
  double Seconds() override {
    auto now = std::chrono::steady_clock::now().time_since_epoch();
    return std::chrono::duration<double>(now).count();
  }
  void Write(std::string_view text) override {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
  }
};
}  // namespace

std::unique_ptr<ProgressTerminal> MakeStandardTerminal() {
  return std::make_unique<StandardTerminal>();
}

ProgressLine::ProgressLine(ProgressTerminal* terminal, std::uint64_t total_bytes) {
  if (!terminal || total_bytes < kThresholdBytes || !terminal->IsTerminal()) return;
  terminal_ = terminal;
  total_ = total_bytes;
  started_ = drawn_at_ = terminal->Seconds();
}

void ProgressLine::Advance(std::uint64_t done) {
  if (!terminal_ || done - checked_at_bytes_ < kClockStrideBytes) return;
  checked_at_bytes_ = done;
  double now = terminal_->Seconds();
  if (now - drawn_at_ < kRedrawSeconds) return;
  drawn_at_ = now;
  std::string line = Render(done, total_, now - started_);
  // Blanks over what is left of a longer line drawn before.
  std::size_t length = line.size();
  if (length < drawn_length_) line.append(drawn_length_ - length, ' ');
  drawn_length_ = std::max(drawn_length_, length);
  terminal_->Write("\r" + line);
}

void ProgressLine::Clear() {
  if (!terminal_ || drawn_length_ == 0) return;
  terminal_->Write("\r" + std::string(drawn_length_, ' ') + "\r");
  drawn_length_ = 0;
}

std::string ProgressLine::Render(std::uint64_t done, std::uint64_t total, double seconds) {
  int percent = total == 0 ? 100 : static_cast<int>(std::min<std::uint64_t>(done, total) * 100 / total);
  double rate = seconds > 0 ? static_cast<double>(done) / kMegabyte / seconds : 0;
  char text[128];
  std::snprintf(text, sizeof text, msg::kProgress, static_cast<double>(done) / kMegabyte,
                static_cast<double>(total) / kMegabyte, percent, rate);
  return text;
}

}  // namespace volxfer
