// Directory records, the directory cursor, file specifications and name matching.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "file_id.h"

namespace ods2 {

class Volume;

// A position in a directory: (byte offset / 2) * 256 + entry index.
struct DirCursor {
  static std::uint32_t Make(std::uint64_t byte_offset, std::uint32_t entry) {
    return static_cast<std::uint32_t>((byte_offset / 2) << 8 | (entry & 0xFF));
  }
  static std::uint64_t Offset(std::uint32_t cursor) { return static_cast<std::uint64_t>(cursor >> 8) * 2; }
  static std::uint32_t Entry(std::uint32_t cursor) { return cursor & 0xFF; }
  // Offsets a cursor can hold.
  static constexpr std::uint64_t kOffsetLimit = std::uint64_t{1} << 25;
};

// One record of a directory, checked against the block and the directory that hold it.
struct DirectoryRecord {
  std::uint64_t offset = 0;
  std::uint16_t size = 0;
  std::string_view name;
  std::uint32_t entry_count = 0;
  std::uint64_t entries_offset = 0;

  std::uint16_t Version(std::span<const std::uint8_t> data, std::uint32_t i) const;
  FileId Id(std::span<const std::uint8_t> data, std::uint32_t i) const;
};

// Walks a directory's data by the next-record rule.
class RecordWalker {
 public:
  // `size` is the directory's size in bytes; data must hold at least that many.
  RecordWalker(std::span<const std::uint8_t> data, std::uint64_t size, std::uint64_t start)
      : data_(data), size_(size), position_(start) {}
  enum class Step { kRecord, kEnd, kDamaged };
  // Advances to the next record at or after the current position; on kRecord, `record` is filled
  // and the position moves past it.
  Step Next(DirectoryRecord& record);
  std::uint64_t position() const { return position_; }

 private:
  std::span<const std::uint8_t> data_;
  std::uint64_t size_;
  std::uint64_t position_;
};

struct FileSpecification {
  std::string name;           // everything before the first ";"
  long version = 0;           // 0 means the newest
  bool all_versions = false;  // ";*": every version, newest first
};
FileSpecification ParseSpecification(std::string_view text);
bool HasWildcards(std::string_view text);

// "*" matches any run (also empty), "%" exactly one character; case-insensitive, whole name.
bool MatchName(std::string_view pattern, std::string_view name);

struct LookupResult {
  FileId id;
  std::string name;  // NAME.TYPE;VERSION
};

// Finds the next entry matching `specification` in directory `directory` from `cursor`, which
// moves past the matching record. Nullopt when none; the code tells why (14 at the end).
std::optional<LookupResult> Lookup(Volume& volume, bool wildcards_allowed, const FileId& directory,
                                   std::uint32_t& cursor, std::string_view specification);

}  // namespace ods2
