// A flat 64 KB word memory for disassembler and assembler tests; it logs every address read.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

#include "disassembler.h"

namespace homemicro::debugger::testing {

class FakeMemory {
 public:
  FakeMemory() : words_(0100000, 0) {}

  // Stores words from `address` on, wrapping past 0177776 as the bus does.
  void Put(uint16_t address, std::initializer_list<uint16_t> words) {
    for (uint16_t w : words) {
      words_[(address >> 1) & 077777] = w;
      address = static_cast<uint16_t>(address + 2);
    }
  }

  WordReader Reader() {
    return [this](uint16_t address) {
      reads.push_back(address);
      return words_[(address >> 1) & 077777];
    };
  }

  std::vector<uint16_t> reads;

 private:
  std::vector<uint16_t> words_;
};

}  // namespace homemicro::debugger::testing
