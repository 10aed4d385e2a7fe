#include "file_header.h"

#include "layout.h"

namespace ods2 {

namespace h = layout::header;

bool FileHeader::Valid(const FileId& expected) const {
  if (Checksum() != GetU16(bytes_, h::kChecksum)) return false;
  if (!(bytes_[h::kIdentWords] <= bytes_[h::kMapWords] && bytes_[h::kMapWords] <= bytes_[h::kAccessWords] &&
        bytes_[h::kAccessWords] <= bytes_[h::kReservedWords]))
    return false;
  if (bytes_[h::kStructureVersion] == 0 || bytes_[h::kStructureLevel] != 2) return false;
  if (GetU16(bytes_, h::kFileNumber) == 0) return false;
  if (map_words_in_use() > map_capacity_words()) return false;
  // The map must also decode within its words; a torn pointer would be read past them.
  if (!VisitPointers([](const RetrievalPointer&) { return true; })) return false;
  return file_id() == expected;
}

void FileHeader::SetEndOfFile(std::uint64_t p) {
  PutU32HighFirst(bytes_, h::kEofVbn, static_cast<std::uint32_t>(p / kBlockSize + 1));
  PutU16(bytes_, h::kFirstFreeByte, static_cast<std::uint16_t>(p % kBlockSize));
}

void FileHeader::CoverByHighWater(std::uint64_t blocks) {
  std::uint32_t mark = GetU32(bytes_, h::kHighWaterMark);
  if (mark != 0 && mark <= blocks && blocks < UINT32_MAX)
    PutU32(bytes_, h::kHighWaterMark, static_cast<std::uint32_t>(blocks + 1));
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
  if (at + 8 > h::kChecksum) return 0;
  return GetU64(bytes_, at);
}

}  // namespace ods2
