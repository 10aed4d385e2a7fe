// A progress line for long transfers on a terminal: bytes, percent and rate, redrawn in place a
// few times a second and cleared before the transfer's last line. Scripts (standard output not a
// terminal) never see it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace volxfer {

// Where the line goes and what time it is; a test gives its own.
class ProgressTerminal {
 public:
  virtual ~ProgressTerminal() = default;
  virtual bool IsTerminal() const = 0;
  virtual double Seconds() = 0;  // a steady clock
  virtual void Write(std::string_view text) = 0;
};

// Standard output and the steady clock.
std::unique_ptr<ProgressTerminal> MakeStandardTerminal();

class ProgressLine {
 public:
  // Transfers smaller than this finish too soon for a line to help.
  static constexpr std::uint64_t kThresholdBytes = 1024 * 1024;
  static constexpr double kRedrawSeconds = 0.25;

  // Silent when `terminal` is null or not a terminal, or the transfer is small.
  ProgressLine(ProgressTerminal* terminal, std::uint64_t total_bytes);
  ~ProgressLine() { Clear(); }
  ProgressLine(const ProgressLine&) = delete;
  ProgressLine& operator=(const ProgressLine&) = delete;

  // `done` bytes of the total have moved.
  void Advance(std::uint64_t done);
  // Removes a drawn line, so the next output starts at the line's beginning.
  void Clear();

  static std::string Render(std::uint64_t done, std::uint64_t total, double seconds);

 private:
  ProgressTerminal* terminal_ = nullptr;
  std::uint64_t total_ = 0;
  double started_ = 0;
  double drawn_at_ = 0;
  std::uint64_t checked_at_bytes_ = 0;
  std::size_t drawn_length_ = 0;
};

}  // namespace volxfer
