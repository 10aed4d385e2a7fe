// Little-endian fields of the file records.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace homemicro {

inline uint32_t GetLe32(std::span<const uint8_t> bytes, std::size_t offset) {
  return static_cast<uint32_t>(bytes[offset]) | static_cast<uint32_t>(bytes[offset + 1]) << 8 |
         static_cast<uint32_t>(bytes[offset + 2]) << 16 | static_cast<uint32_t>(bytes[offset + 3]) << 24;
}

inline void PutLe32(std::span<uint8_t> bytes, std::size_t offset, uint32_t value) {
  for (std::size_t i = 0; i < 4; ++i) bytes[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

}  // namespace homemicro
