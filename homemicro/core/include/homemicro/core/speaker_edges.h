// The speaker line as the core leaves it for the front end: each word written to 0177716 while
// sound is on, stamped with the machine's instruction count. The front end drains it after each
// slice; recording is a plain store, so the instruction path makes no call out of the core.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace homemicro {

struct SpeakerEdge {
  uint64_t Instruction;  // Machine::InstructionCount() while the writing instruction ran
  uint16_t PortValue;    // SpeakerPortValue after the write (bit 1 is the line)
};

class SpeakerEdges {
 public:
  // More than any slice the run loop runs between two drains can write.
  static constexpr std::size_t kCapacity = 8192;

  void Record(uint64_t instruction, uint16_t portValue) {
    // Full: the newest write replaces the last one kept, so at least the line ends right.
    if (count_ == kCapacity) --count_;
    edges_[count_++] = {instruction, portValue};
  }
  std::span<const SpeakerEdge> Pending() const { return {edges_.data(), count_}; }
  void Clear() { count_ = 0; }

 private:
  std::array<SpeakerEdge, kCapacity> edges_{};
  std::size_t count_ = 0;
};

}  // namespace homemicro
