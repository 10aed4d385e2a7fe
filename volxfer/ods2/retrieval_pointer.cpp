#include "retrieval_pointer.h"

#include "little_endian.h"

namespace ods2 {

RetrievalPointer DecodePointer(std::span<const std::uint8_t> h, std::size_t at) {
  RetrievalPointer p;
  p.byte_offset = at;
  std::uint8_t low = GetU8(h, at);
  std::uint8_t high = GetU8(h, at + 1);
  p.format = high >> 6;
  std::uint32_t high_bits = high & 0x3F;
  switch (p.format) {
    case 1:
      p.count = low + 1u;
      p.lbn = high_bits << 16 | GetU16(h, at + 2);
      break;
    case 2:
      p.count = (high_bits << 8 | low) + 1u;
      p.lbn = GetU32(h, at + 2);
      break;
    case 3:
      p.count = (high_bits << 24 | static_cast<std::uint32_t>(low) << 16 | GetU16(h, at + 2)) + 1u;
      p.lbn = GetU32(h, at + 4);
      break;
    default:
      break;
  }
  return p;
}

std::optional<std::vector<RetrievalPointer>> DecodeMap(std::span<const std::uint8_t> header,
                                                       std::size_t map_offset, std::size_t words_in_use) {
  std::vector<RetrievalPointer> pointers;
  bool whole = VisitMap(header, map_offset, words_in_use, [&](const RetrievalPointer& p) {
    pointers.push_back(p);
    return true;
  });
  if (!whole) return std::nullopt;
  return pointers;
}

void StorePointerCount(std::span<std::uint8_t> h, const RetrievalPointer& p, std::uint32_t count) {
  std::uint32_t c = count - 1;
  std::size_t at = p.byte_offset;
  std::uint8_t format_bits = GetU8(h, at + 1) & 0xC0;
  switch (p.format) {
    case 1:
      PutU8(h, at, static_cast<std::uint8_t>(c));
      break;
    case 2:
      PutU8(h, at, static_cast<std::uint8_t>(c));
      PutU8(h, at + 1, static_cast<std::uint8_t>(format_bits | ((c >> 8) & 0x3F)));
      break;
    case 3:
      PutU8(h, at, static_cast<std::uint8_t>(c >> 16));
      PutU8(h, at + 1, static_cast<std::uint8_t>(format_bits | ((c >> 24) & 0x3F)));
      PutU16(h, at + 2, static_cast<std::uint16_t>(c));
      break;
    default:
      break;
  }
}

void StoreFormat3Pointer(std::span<std::uint8_t> h, std::size_t at, std::uint32_t count, std::uint32_t lbn) {
  PutU8(h, at + 1, 0xC0);
  RetrievalPointer p{3, count, lbn, at};
  StorePointerCount(h, p, count);
  PutU32(h, at + 4, lbn);
}

}  // namespace ods2
