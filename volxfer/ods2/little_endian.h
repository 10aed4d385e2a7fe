// Little-endian field access over byte buffers. Reads outside the buffer yield 0 and writes outside
// it are dropped, so a malformed offset taken from disk can never touch memory beyond the buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace ods2 {

inline std::uint8_t GetU8(std::span<const std::uint8_t> b, std::size_t at) {
  return at < b.size() ? b[at] : 0;
}

inline std::uint16_t GetU16(std::span<const std::uint8_t> b, std::size_t at) {
  return static_cast<std::uint16_t>(GetU8(b, at) | (GetU8(b, at + 1) << 8));
}

inline std::uint32_t GetU32(std::span<const std::uint8_t> b, std::size_t at) {
  return GetU16(b, at) | (static_cast<std::uint32_t>(GetU16(b, at + 2)) << 16);
}

// 32-bit block numbers of file headers are stored high word first.
inline std::uint32_t GetU32HighFirst(std::span<const std::uint8_t> b, std::size_t at) {
  return (static_cast<std::uint32_t>(GetU16(b, at)) << 16) | GetU16(b, at + 2);
}

inline std::uint64_t GetU64(std::span<const std::uint8_t> b, std::size_t at) {
  return GetU32(b, at) | (static_cast<std::uint64_t>(GetU32(b, at + 4)) << 32);
}

inline void PutU8(std::span<std::uint8_t> b, std::size_t at, std::uint8_t v) {
  if (at < b.size()) b[at] = v;
}

inline void PutU16(std::span<std::uint8_t> b, std::size_t at, std::uint16_t v) {
  PutU8(b, at, static_cast<std::uint8_t>(v));
  PutU8(b, at + 1, static_cast<std::uint8_t>(v >> 8));
}

inline void PutU32(std::span<std::uint8_t> b, std::size_t at, std::uint32_t v) {
  PutU16(b, at, static_cast<std::uint16_t>(v));
  PutU16(b, at + 2, static_cast<std::uint16_t>(v >> 16));
}

inline void PutU32HighFirst(std::span<std::uint8_t> b, std::size_t at, std::uint32_t v) {
  PutU16(b, at, static_cast<std::uint16_t>(v >> 16));
  PutU16(b, at + 2, static_cast<std::uint16_t>(v));
}

inline void PutU64(std::span<std::uint8_t> b, std::size_t at, std::uint64_t v) {
  PutU32(b, at, static_cast<std::uint32_t>(v));
  PutU32(b, at + 4, static_cast<std::uint32_t>(v >> 32));
}

// The wrapping 16-bit sum of the little-endian words in [0, byte_count).
inline std::uint16_t WordChecksum(std::span<const std::uint8_t> b, std::size_t byte_count) {
  std::uint16_t sum = 0;
  for (std::size_t at = 0; at + 1 < byte_count; at += 2)
    sum = static_cast<std::uint16_t>(sum + GetU16(b, at));
  return sum;
}

}  // namespace ods2
