// Retrieval pointers: the map area of a file header, in formats 0 (placement) to 3.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "layout.h"

namespace ods2 {

struct RetrievalPointer {
  int format = 0;
  std::uint32_t count = 0;  // blocks; 0 for a placement pointer
  std::uint32_t lbn = 0;
  std::size_t byte_offset = 0;  // where the pointer starts inside the header

  bool is_placement() const { return format == 0; }
  static std::size_t WordsOf(int format) { return static_cast<std::size_t>(format) + 1; }
};

// Decodes the pointer at byte `at`.
RetrievalPointer DecodePointer(std::span<const std::uint8_t> header, std::size_t at);

// Calls visit(pointer) for each pointer in `words_in_use` words from `map_offset`, until visit
// returns false; false when a pointer runs past the words in use or the map past the header.
template <typename Visit>
bool VisitMap(std::span<const std::uint8_t> header, std::size_t map_offset, std::size_t words_in_use,
              Visit visit) {
  std::size_t end = map_offset + 2 * words_in_use;
  if (end > layout::header::kChecksum) return false;  // the checksum word is never map
  for (std::size_t at = map_offset; at < end;) {
    RetrievalPointer p = DecodePointer(header, at);
    at += 2 * RetrievalPointer::WordsOf(p.format);
    if (at > end) return false;
    if (!visit(p)) return true;
  }
  return true;
}

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
