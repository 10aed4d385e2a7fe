#include "directory.h"

#include <cctype>
#include <cstdlib>

#include "layout.h"
#include "volume.h"

namespace ods2 {

namespace {
namespace r = layout::record;
constexpr std::uint16_t kEndOfBlock = r::kEndOfBlock;
}  // namespace

std::uint16_t DirectoryRecord::Version(std::span<const std::uint8_t> data, std::uint32_t i) const {
  return GetU16(data, entries_offset + r::kEntrySize * i + r::kEntryVersion);
}

FileId DirectoryRecord::Id(std::span<const std::uint8_t> data, std::uint32_t i) const {
  return FileId::Read(data, entries_offset + r::kEntrySize * i + r::kEntryFileId);
}

RecordWalker::Step RecordWalker::Next(DirectoryRecord& record) {
  for (;;) {
    // A record that ended exactly at the directory's end leaves no size word to read.
    if (position_ + 2 > size_) return Step::kEnd;
    if (position_ % 2 != 0) return Step::kDamaged;
    std::uint16_t size = GetU16(data_, position_ + r::kSize);
    if (size == kEndOfBlock) {
      position_ = (position_ / kBlockSize + 1) * kBlockSize;
      if (position_ >= size_) return Step::kEnd;
      continue;
    }
    if (size == 0) {
      position_ += 2;
      continue;
    }
    // Records never span blocks and never pass the directory's end.
    std::uint64_t end = position_ + 2 + size;
    if (size % 2 != 0 || end > size_ || position_ % kBlockSize + 2 + size > kBlockSize) return Step::kDamaged;
    std::uint8_t name_length = GetU8(data_, position_ + r::kNameLength);
    std::uint64_t names_end = position_ + r::kName + name_length + name_length % 2;
    if (names_end > end) return Step::kDamaged;
    record.offset = position_;
    record.size = size;
    record.name =
        std::string_view(reinterpret_cast<const char*>(data_.data() + position_ + r::kName), name_length);
    record.entries_offset = names_end;
    record.entry_count = static_cast<std::uint32_t>((end - names_end) / r::kEntrySize);
    position_ = end;
    return Step::kRecord;
  }
}

FileSpecification ParseSpecification(std::string_view text) {
  FileSpecification spec;
  std::size_t semicolon = text.find(';');
  spec.name = std::string(text.substr(0, semicolon));
  if (semicolon != std::string_view::npos) {
    std::string version(text.substr(semicolon + 1));
    spec.version = std::strtol(version.c_str(), nullptr, 10);
    spec.all_versions = version == "*";
  }
  return spec;
}

bool HasWildcards(std::string_view text) {
  return text.find_first_of("*%") != std::string_view::npos;
}

bool MatchName(std::string_view pattern, std::string_view name) {
  auto same = [](char p, char n) {
    return p == '%' ||
           std::toupper(static_cast<unsigned char>(p)) == std::toupper(static_cast<unsigned char>(n));
  };
  std::size_t p = 0, n = 0;
  std::size_t star = std::string_view::npos, resume = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      resume = n;
    } else if (p < pattern.size() && same(pattern[p], name[n])) {
      ++p;
      ++n;
    } else if (star != std::string_view::npos) {
      // Let the last "*" take one more character and try again after it.
      p = star + 1;
      n = ++resume;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

std::optional<LookupResult> Lookup(Volume& volume, bool wildcards_allowed, const FileId& directory,
                                   std::uint32_t& cursor, std::string_view specification) {
  if (directory.number == 0) return std::nullopt;
  const CachedDirectory* dir = volume.ReadDirectory(directory);
  if (!dir) return std::nullopt;
  if (!wildcards_allowed && HasWildcards(specification)) return std::nullopt;
  FileSpecification spec = ParseSpecification(specification);
  std::span<const std::uint8_t> data = dir->data;
  std::uint32_t first_entry = DirCursor::Entry(cursor);
  RecordWalker walker(data, dir->size, DirCursor::Offset(cursor));
  for (bool first_record = true;; first_record = false) {
    DirectoryRecord record;
    RecordWalker::Step step = walker.Next(record);
    if (step != RecordWalker::Step::kRecord) {
      volume.SetError(step == RecordWalker::Step::kEnd ? ErrFileNotFound : ErrNotDirectory);
      return std::nullopt;
    }
    std::uint32_t i = first_record ? first_entry : 0;
    if (i >= record.entry_count || !MatchName(spec.name, record.name)) continue;
    if (spec.version != 0) {
      while (i < record.entry_count && record.Version(data, i) != spec.version) ++i;
      if (i == record.entry_count) continue;
    }
    if (walker.position() >= DirCursor::kOffsetLimit) {
      volume.SetError(ErrFileNotFound);  // a directory past what a cursor can hold ends here
      return std::nullopt;
    }
    // Every version: the next search starts at the next entry of this same record.
    cursor = spec.all_versions ? DirCursor::Make(record.offset, i + 1)
                               : DirCursor::Make(walker.position(), first_entry);
    return LookupResult{record.Id(data, i),
                        std::string(record.name) + ";" + std::to_string(record.Version(data, i))};
  }
}

}  // namespace ods2
