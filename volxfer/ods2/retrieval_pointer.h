// Retrieval pointers: the map area of a file header, in formats 0 (placement) to 3.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace ods2 {

struct RetrievalPointer {
  int format = 0;
  std::uint32_t count = 0;  // blocks; 0 for a placement pointer
  std::uint32_t lbn = 0;
  std::size_t byte_offset = 0;  // where the pointer starts inside the header

  bool is_placement() const { return format == 0; }
  static std::size_t WordsOf(int format) { return static_cast<std::size_t>(format) + 1; }
};

// Decodes `words_in_use` words of map starting at `map_offset`; nullopt when a pointer runs past
// the words in use or the map runs past the header.
std::optional<std::vector<RetrievalPointer>> DecodeMap(std::span<const std::uint8_t> header,
                                                       std::size_t map_offset, std::size_t words_in_use);

// Stores count - 1 in every count bit of the pointer at `p.byte_offset`, keeping its format bits.
void StorePointerCount(std::span<std::uint8_t> header, const RetrievalPointer& p, std::uint32_t count);

// Writes a format 3 pointer (four words) at `byte_offset`.
void StoreFormat3Pointer(std::span<std::uint8_t> header, std::size_t byte_offset, std::uint32_t count,
                         std::uint32_t lbn);

}  // namespace ods2
