// The 64 KB of the machine as a program fills it: which bytes were assembled and their values.
#pragma once

#include <cstdint>
#include <vector>

namespace homemicro::bkasm {

class MemoryImage {
 public:
  static constexpr uint32_t kSize = 0200000;

  bool Used(uint32_t address) const { return address < kSize && used_[address]; }
  uint8_t Byte(uint32_t address) const { return address < kSize ? bytes_[address] : 0; }
  void Store(uint16_t address, uint8_t value);

  bool Empty() const { return high_ == 0; }
  // Lowest assembled address and one past the highest (0 and 0 when empty).
  uint32_t Low() const { return Empty() ? 0 : low_; }
  uint32_t High() const { return high_; }

 private:
  std::vector<uint8_t> bytes_ = std::vector<uint8_t>(kSize, 0);
  std::vector<bool> used_ = std::vector<bool>(kSize, false);
  uint32_t low_ = kSize;
  uint32_t high_ = 0;
};

}  // namespace homemicro::bkasm
