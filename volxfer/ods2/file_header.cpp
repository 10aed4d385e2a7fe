#include "file_header.h"

namespace ods2 {

bool FileHeader::Valid(const FileId& expected) const {
  if (Checksum() != GetU16(bytes_, 510)) return false;
  if (!(bytes_[0] <= bytes_[1] && bytes_[1] <= bytes_[2] && bytes_[2] <= bytes_[3])) return false;
  if (bytes_[6] == 0 || bytes_[7] != 2) return false;
  if (GetU16(bytes_, 8) == 0) return false;
  if (map_words_in_use() > map_capacity_words()) return false;
  // The map must also decode within its words; a torn pointer would be read past them.
  if (!VisitPointers([](const RetrievalPointer&) { return true; })) return false;
  return file_id() == expected;
}

void FileHeader::SetEndOfFile(std::uint64_t p) {
  PutU32HighFirst(bytes_, 28, static_cast<std::uint32_t>(p / kBlockSize + 1));
  PutU16(bytes_, 32, static_cast<std::uint16_t>(p % kBlockSize));
}

void FileHeader::CoverByHighWater(std::uint64_t blocks) {
  constexpr std::size_t kHighWater = 76;
  std::uint32_t mark = GetU32(bytes_, kHighWater);
  if (mark != 0 && mark <= blocks && blocks < UINT32_MAX)
    PutU32(bytes_, kHighWater, static_cast<std::uint32_t>(blocks + 1));
}

std::uint64_t FileHeader::FileSize() const {
  std::uint32_t eof = eof_vbn();
  if (eof == 0) return 0;
  return (static_cast<std::uint64_t>(eof) - 1) * kBlockSize + first_free_byte();
}

std::uint32_t FileHeader::UsedBlocks() const {
  std::uint32_t eof = eof_vbn();
  if (eof == 0) return 0;
  return first_free_byte() == 0 ? eof - 1 : eof;
}

std::uint64_t FileHeader::IdentDate(std::size_t relative_offset) const {
  std::size_t at = ident_offset() + relative_offset;
  if (at + 8 > 510) return 0;
  return GetU64(bytes_, at);
}

}  // namespace ods2
