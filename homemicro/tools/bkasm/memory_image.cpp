#include "memory_image.h"

#include <algorithm>

namespace homemicro::bkasm {

void MemoryImage::Store(uint16_t address, uint8_t value) {
  bytes_[address] = value;
  used_[address] = true;
  low_ = std::min<uint32_t>(low_, address);
  high_ = std::max<uint32_t>(high_, address + 1u);
}

}  // namespace homemicro::bkasm
