#include "bitmap_view.h"

#include <algorithm>

namespace ods2 {

// Bit i is bit i mod 32 of little-endian word i / 32, which is bit i mod 8 of byte i / 8.
BitmapView::BitmapView(std::span<std::uint8_t> words, std::uint32_t bit_count, bool set_means_free,
                       bool* modified)
    : words_(words), bit_count_(bit_count), set_means_free_(set_means_free), modified_(modified) {
  FindFirstFree(0);
}

bool BitmapView::IsFree(std::uint32_t bit) const {
  if (bit >= bit_count_) return false;
  bool set = (words_[bit / 8] >> (bit % 8)) & 1;
  return set == set_means_free_;
}

void BitmapView::SetFree(std::uint32_t bit, bool free) {
  std::uint8_t mask = static_cast<std::uint8_t>(1u << (bit % 8));
  if (free == set_means_free_)
    words_[bit / 8] |= mask;
  else
    words_[bit / 8] &= static_cast<std::uint8_t>(~mask);
}

std::uint32_t BitmapView::FindFirstFree(std::uint32_t from) {
  std::uint32_t bit = from;
  while (bit < bit_count_) {
    // Skip whole bytes with nothing free in them.
    if (bit % 8 == 0) {
      std::uint8_t byte = words_[bit / 8];
      if (byte == (set_means_free_ ? 0x00 : 0xFF)) {
        bit += 8;
        continue;
      }
    }
    if (IsFree(bit)) break;
    ++bit;
  }
  hint_ = std::min(bit, bit_count_);
  return hint_;
}

std::optional<std::uint32_t> BitmapView::AllocateOne() {
  if (hint_ >= bit_count_) return std::nullopt;
  std::uint32_t bit = hint_;
  SetFree(bit, false);
  FindFirstFree(bit);
  MarkModified();
  return bit + 1;
}

void BitmapView::ReleaseNumber(std::uint32_t file_number) {
  if (file_number == 0) return;
  ReleaseCluster(file_number - 1);
}

void BitmapView::ReleaseCluster(std::uint32_t bit) {
  if (bit >= bit_count_) return;  // a number from a damaged map names nothing here
  SetFree(bit, true);
  FindFirstFree(std::min(bit, hint_));
  MarkModified();
}

std::uint32_t BitmapView::CountFree() const {
  std::uint32_t free = 0;
  for (std::uint32_t bit = 0; bit < bit_count_; ++bit) free += IsFree(bit) ? 1 : 0;
  return free;
}

BitmapView::RunResult BitmapView::AllocateRun(std::uint32_t k, std::uint32_t& first) {
  if (k == 0 || CountFree() < k) return RunResult::kTooFewFree;
  std::uint32_t run_start = 0;
  std::uint32_t run_length = 0;
  for (std::uint32_t bit = hint_; bit < bit_count_; ++bit) {
    if (!IsFree(bit)) {
      run_length = 0;
      continue;
    }
    if (run_length == 0) run_start = bit;
    if (++run_length == k) {
      for (std::uint32_t b = run_start; b < run_start + k; ++b) SetFree(b, false);
      FindFirstFree(hint_);
      MarkModified();
      first = run_start;
      return RunResult::kAllocated;
    }
  }
  return RunResult::kNoRun;
}

BitmapView::RunResult BitmapView::AllocateAt(std::uint32_t s, std::uint32_t k) {
  if (k == 0 || CountFree() < k) return RunResult::kTooFewFree;
  if (s >= bit_count_ || k > bit_count_ - s) return RunResult::kNoRun;
  for (std::uint32_t b = s; b < s + k; ++b)
    if (!IsFree(b)) return RunResult::kNoRun;
  for (std::uint32_t b = s; b < s + k; ++b) SetFree(b, false);
  FindFirstFree(std::min(hint_, s));
  MarkModified();
  return RunResult::kAllocated;
}

}  // namespace ods2
