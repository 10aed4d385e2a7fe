// A bit array over a region of a file's window: the index file bitmap (set = file number in use)
// and the storage bitmap (set = cluster free). Bits at or beyond the bit count are never free.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace ods2 {

class BitmapView {
 public:
  BitmapView() = default;
  // `words` must hold at least bit_count bits; the caller checks that before making the view.
  BitmapView(std::span<std::uint8_t> words, std::uint32_t bit_count, bool set_means_free, bool* modified);

  std::uint32_t bit_count() const { return bit_count_; }
  std::uint32_t hint() const { return hint_; }
  bool IsFree(std::uint32_t bit) const;

  // The lowest free bit at or after `from`, or the bit count; also becomes the hint.
  std::uint32_t FindFirstFree(std::uint32_t from);
  // Index file bitmap: takes the hinted bit; the file number (bit + 1), or nullopt.
  std::optional<std::uint32_t> AllocateOne();
  void ReleaseNumber(std::uint32_t file_number);
  void ReleaseCluster(std::uint32_t cluster);
  std::uint32_t CountFree() const;

  enum class RunResult { kAllocated, kTooFewFree, kNoRun };
  // First fit of `k` consecutive free bits; `first` receives the run's first bit.
  RunResult AllocateRun(std::uint32_t k, std::uint32_t& first);
  // Takes bits s .. s+k-1 when all are free.
  RunResult AllocateAt(std::uint32_t s, std::uint32_t k);

 private:
  void SetFree(std::uint32_t bit, bool free);
  void MarkModified() {
    if (modified_) *modified_ = true;
  }
  std::span<std::uint8_t> words_;
  std::uint32_t bit_count_ = 0;
  bool set_means_free_ = false;
  bool* modified_ = nullptr;
  std::uint32_t hint_ = 0;
};

}  // namespace ods2
