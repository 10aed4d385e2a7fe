// One 512-byte file header: its areas, record attributes, map and checks.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "block_device.h"
#include "file_id.h"
#include "layout.h"
#include "little_endian.h"
#include "retrieval_pointer.h"

namespace ods2 {

class FileHeader {
 public:
  static constexpr std::uint32_t kContiguous = 1u << 7;
  static constexpr std::uint32_t kDirectory = 1u << 13;
  static constexpr std::uint32_t kMarkedForDelete = 1u << 15;
  static constexpr std::uint8_t kNoSpanning = 1u << 3;
  static constexpr std::uint8_t kFortranCarriageControl = 1u << 0;
  static constexpr std::uint8_t kPrintFileCarriageControl = 1u << 2;

  std::span<std::uint8_t> bytes() { return bytes_; }
  std::span<const std::uint8_t> bytes() const { return bytes_; }
  std::uint64_t lbn = 0;

  std::uint16_t Checksum() const { return WordChecksum(bytes_, layout::header::kChecksum); }
  void UpdateChecksum() { PutU16(bytes_, layout::header::kChecksum, Checksum()); }
  // The structural checks, and that the header names `expected`.
  bool Valid(const FileId& expected) const;

  std::size_t ident_offset() const { return 2u * bytes_[layout::header::kIdentWords]; }
  std::size_t map_offset() const { return 2u * bytes_[layout::header::kMapWords]; }
  std::size_t access_offset() const { return 2u * bytes_[layout::header::kAccessWords]; }
  std::size_t map_words_in_use() const { return bytes_[layout::header::kMapWordsInUse]; }
  void set_map_words_in_use(std::uint8_t words) { bytes_[layout::header::kMapWordsInUse] = words; }
  // Room for map words between the map and access control areas.
  std::size_t map_capacity_words() const {
    return bytes_[layout::header::kAccessWords] - bytes_[layout::header::kMapWords];
  }

  FileId file_id() const { return FileId::Read(bytes_, layout::header::kFileId); }
  FileId extension_id() const { return FileId::Read(bytes_, layout::header::kExtensionId); }
  FileId back_link() const { return FileId::Read(bytes_, layout::header::kBackLink); }
  void set_back_link(const FileId& id) { id.Write(bytes_, layout::header::kBackLink); }

  std::uint8_t record_type_byte() const { return bytes_[layout::header::kRecordType]; }
  std::uint8_t record_attributes() const { return bytes_[layout::header::kRecordAttributes]; }
  std::uint16_t record_size() const { return GetU16(bytes_, layout::header::kRecordSize); }
  std::uint8_t vfc_size() const { return bytes_[layout::header::kVfcSize]; }  // 0 means 2
  std::uint32_t highest_allocated_vbn() const {
    return GetU32HighFirst(bytes_, layout::header::kHighestAllocatedVbn);
  }
  void set_highest_allocated_vbn(std::uint32_t v) {
    PutU32HighFirst(bytes_, layout::header::kHighestAllocatedVbn, v);
  }
  std::uint32_t eof_vbn() const { return GetU32HighFirst(bytes_, layout::header::kEofVbn); }
  std::uint16_t first_free_byte() const { return GetU16(bytes_, layout::header::kFirstFreeByte); }
  std::uint16_t max_record_size() const { return GetU16(bytes_, layout::header::kMaxRecordSize); }
  // Sets the end of file at byte position `p`.
  void SetEndOfFile(std::uint64_t p);
  // Raises a high-water mark in use (not 0) past the first `blocks` blocks: software that honours
  // it reads blocks at or above the mark as zeros.
  void CoverByHighWater(std::uint64_t blocks);
  std::uint32_t characteristics() const { return GetU32(bytes_, layout::header::kCharacteristics); }
  bool is_contiguous() const { return characteristics() & kContiguous; }
  bool is_directory() const { return characteristics() & kDirectory; }
  bool is_marked_for_delete() const { return characteristics() & kMarkedForDelete; }
  std::uint16_t owner_member() const { return GetU16(bytes_, layout::header::kOwnerMember); }
  std::uint16_t owner_group() const { return GetU16(bytes_, layout::header::kOwnerGroup); }
  std::uint16_t protection() const { return GetU16(bytes_, layout::header::kProtection); }

  // Bytes of data up to the end of file; an end-of-file block of 0 means an empty file.
  std::uint64_t FileSize() const;
  // Blocks holding data: the end-of-file block, less one when nothing is used in it.
  std::uint32_t UsedBlocks() const;
  // Dates and the name from the ident area; 0 when the area is too short to hold them.
  std::uint64_t IdentDate(std::size_t relative_offset) const;

  // Calls visit(pointer) along the map until it returns false; false for a torn map.
  template <typename Visit>
  bool VisitPointers(Visit visit) const {
    return VisitMap(bytes_, map_offset(), map_words_in_use(), visit);
  }
  // The pointers in use; nullopt for a map that runs past its words or the header.
  std::optional<std::vector<RetrievalPointer>> Map() const {
    return DecodeMap(bytes_, map_offset(), map_words_in_use());
  }

 private:
  std::array<std::uint8_t, kBlockSize> bytes_{};
};

}  // namespace ods2
