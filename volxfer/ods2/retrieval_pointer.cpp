#include "retrieval_pointer.h"

#include "layout.h"
#include "little_endian.h"

namespace ods2 {

namespace m = layout::map;

RetrievalPointer DecodePointer(std::span<const std::uint8_t> h, std::size_t at) {
  RetrievalPointer p;
  p.byte_offset = at;
  std::uint8_t low = GetU8(h, at + m::kLowCount);
  std::uint8_t high = GetU8(h, at + m::kHighByte);
  p.format = high >> m::kFormatShift;
  std::uint32_t high_bits = high & m::kHighBits;
  switch (p.format) {
    case 1:
      p.count = low + 1u;
      p.lbn = high_bits << 16 | GetU16(h, at + m::kFormat1Lbn);
      break;
    case 2:
      p.count = (high_bits << 8 | low) + 1u;
      p.lbn = GetU32(h, at + m::kFormat2Lbn);
      break;
    case 3:
      p.count =
          (high_bits << 24 | static_cast<std::uint32_t>(low) << 16 | GetU16(h, at + m::kFormat3Count)) + 1u;
      p.lbn = GetU32(h, at + m::kFormat3Lbn);
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
  std::uint8_t format_bits = GetU8(h, at + m::kHighByte) & m::kFormatBits;
  switch (p.format) {
    case 1:
      PutU8(h, at + m::kLowCount, static_cast<std::uint8_t>(c));
      break;
    case 2:
      PutU8(h, at + m::kLowCount, static_cast<std::uint8_t>(c));
      PutU8(h, at + m::kHighByte, static_cast<std::uint8_t>(format_bits | ((c >> 8) & m::kHighBits)));
      break;
    case 3:
      PutU8(h, at + m::kLowCount, static_cast<std::uint8_t>(c >> 16));
      PutU8(h, at + m::kHighByte, static_cast<std::uint8_t>(format_bits | ((c >> 24) & m::kHighBits)));
      PutU16(h, at + m::kFormat3Count, static_cast<std::uint16_t>(c));
      break;
    default:
      break;
  }
}

void StoreFormat3Pointer(std::span<std::uint8_t> h, std::size_t at, std::uint32_t count, std::uint32_t lbn) {
  PutU8(h, at + m::kHighByte, m::kFormatBits);
  RetrievalPointer p{3, count, lbn, at};
  StorePointerCount(h, p, count);
  PutU32(h, at + m::kFormat3Lbn, lbn);
}

}  // namespace ods2
