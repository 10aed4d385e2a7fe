#include "directory_update.h"

#include <algorithm>
#include <cctype>

#include "directory.h"
#include "directory_growth.h"
#include "error_code.h"
#include "layout.h"
#include "volume.h"

namespace ods2 {

namespace {
namespace rec = layout::record;
constexpr std::uint16_t kEndOfBlock = rec::kEndOfBlock;
constexpr std::size_t kEntrySize = rec::kEntrySize;
// Size word, version limit, flags, name length and one entry.
constexpr std::size_t kRecordOverhead = rec::kName + kEntrySize;

// Directory names are compared as VMS does: byte order of the upper-case text.
int CompareNames(std::string_view a, std::string_view b) {
  std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    int x = std::toupper(static_cast<unsigned char>(a[i]));
    int y = std::toupper(static_cast<unsigned char>(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

std::vector<std::uint8_t> NewRecord(const DirectoryEntryToAdd& entry) {
  std::size_t length = entry.name.size();
  std::size_t size = kRecordOverhead - 2 + length + length % 2;
  std::vector<std::uint8_t> r(2 + size, 0);
  PutU16(r, rec::kSize, static_cast<std::uint16_t>(size));
  PutU16(r, rec::kVersionLimit, 0xFFFF);
  PutU8(r, rec::kNameLength, static_cast<std::uint8_t>(length));
  std::copy(entry.name.begin(), entry.name.end(), r.begin() + rec::kName);
  std::size_t at = rec::kName + length + length % 2;
  PutU16(r, at + rec::kEntryVersion, entry.version);
  entry.id.Write(r, at + rec::kEntryFileId);
  return r;
}

// Adds the entry to an existing record of the same name, keeping versions in descending order.
bool AddVersion(std::vector<std::uint8_t>& raw, const DirectoryRecord& record,
                std::span<const std::uint8_t> data, const DirectoryEntryToAdd& entry, int& code) {
  std::uint32_t i = 0;
  while (i < record.entry_count && record.Version(data, i) > entry.version) ++i;
  if (i < record.entry_count && record.Version(data, i) == entry.version) {
    code = ErrFileExists;
    return false;
  }
  std::size_t at = record.entries_offset - record.offset + kEntrySize * i;
  std::uint8_t bytes[kEntrySize] = {};
  PutU16(bytes, rec::kEntryVersion, entry.version);
  entry.id.Write(bytes, rec::kEntryFileId);
  raw.insert(raw.begin() + static_cast<std::ptrdiff_t>(at), bytes, bytes + kEntrySize);
  PutU16(raw, rec::kSize, static_cast<std::uint16_t>(raw.size() - 2));
  return true;
}

// Each record whole in one block, and every block closed with 0xFFFF: other ODS-2 software does
// not see a record that ends on a block's last byte, so records take at most 510 bytes of a block.
constexpr std::size_t kRecordSpace = kBlockSize - 2;

std::optional<PackedDirectory> Pack(const std::vector<std::vector<std::uint8_t>>& records,
                                    std::uint32_t allocated_blocks) {
  PackedDirectory packed;
  packed.data.assign(static_cast<std::size_t>(allocated_blocks) * kBlockSize, 0);
  std::size_t block = 0;
  std::size_t in_block = 0;
  auto close_block = [&] { PutU16(packed.data, block * kBlockSize + in_block, kEndOfBlock); };
  for (const std::vector<std::uint8_t>& r : records) {
    if (r.size() > kRecordSpace) return std::nullopt;
    if (in_block + r.size() > kRecordSpace) {
      close_block();
      ++block;
      in_block = 0;
    }
    if (block >= allocated_blocks) return std::nullopt;
    std::copy(r.begin(), r.end(),
              packed.data.begin() + static_cast<std::ptrdiff_t>(block * kBlockSize + in_block));
    in_block += r.size();
  }
  if (allocated_blocks == 0) return std::nullopt;
  close_block();
  packed.used_blocks = static_cast<std::uint32_t>(block + 1);
  // Blocks past the end of file hold no records, in case the end of file is ever moved over them.
  for (std::size_t b = block + 1; b < allocated_blocks; ++b) PutU16(packed.data, b * kBlockSize, kEndOfBlock);
  return packed;
}

// Hands each record in order to `visit` with a copy of its bytes; false when the walk meets
// damage (code ErrNotDirectory) or `visit` answers false (having set the code).
template <typename Visit>
bool VisitRecords(std::span<const std::uint8_t> data, std::uint64_t size, int& code, Visit visit) {
  RecordWalker walker(data, size, 0);
  for (;;) {
    DirectoryRecord record;
    RecordWalker::Step step = walker.Next(record);
    if (step == RecordWalker::Step::kEnd) return true;
    if (step == RecordWalker::Step::kDamaged) {
      code = ErrNotDirectory;
      return false;
    }
    std::vector<std::uint8_t> raw(
        data.begin() + static_cast<std::ptrdiff_t>(record.offset),
        data.begin() + static_cast<std::ptrdiff_t>(record.offset + 2 + record.size));
    if (!visit(record, std::move(raw))) return false;
  }
}
}  // namespace

std::optional<PackedDirectory> AddDirectoryEntry(std::span<const std::uint8_t> data, std::uint64_t size,
                                                 std::uint32_t allocated_blocks,
                                                 const DirectoryEntryToAdd& entry, int& code) {
  std::vector<std::vector<std::uint8_t>> records;
  std::optional<std::size_t> insert_at;
  bool entered = false;
  bool walked =
      VisitRecords(data, size, code, [&](const DirectoryRecord& record, std::vector<std::uint8_t> raw) {
        records.push_back(std::move(raw));
        int order = CompareNames(record.name, entry.name);
        if (order == 0 && !entered) {
          if (!AddVersion(records.back(), record, data, entry, code)) return false;
          entered = true;
        } else if (order > 0 && !insert_at) {
          insert_at = records.size() - 1;
        }
        return true;
      });
  if (!walked) return std::nullopt;
  if (!entered)
    records.insert(records.begin() + static_cast<std::ptrdiff_t>(insert_at.value_or(records.size())),
                   NewRecord(entry));
  std::optional<PackedDirectory> packed = Pack(records, allocated_blocks);
  if (!packed) code = ErrNoFreeIndex;
  return packed;
}

namespace {
// Accesses `directory` whole for an update; false (code set) when it is no usable directory.
bool AccessForUpdate(Volume& volume, const FileId& directory, DirectoryFile& file) {
  if (!file.Access(volume, kWholeFile, directory)) return false;
  if (!file.Check() || !file.window()) {
    file.Deaccess();
    volume.SetError(ErrNotDirectory);
    return false;
  }
  return true;
}

std::uint64_t DataSize(const DirectoryFile& file) {
  return std::min<std::uint64_t>(file.first_header().FileSize(), file.window()->data.size());
}

// The packed records replace the directory's data; its end of file covers the blocks in use.
bool StorePacked(Volume& volume, DirectoryFile& file, PackedDirectory packed) {
  file.window()->data = std::move(packed.data);
  file.first_header().SetEndOfFile(static_cast<std::uint64_t>(packed.used_blocks) * kBlockSize);
  file.first_header().CoverByHighWater(packed.used_blocks);
  file.MarkHeaderModified();
  file.MarkDataModified();
  bool ok = file.Flush();
  file.Deaccess();
  if (!ok && volume.error() == ErrNone) volume.SetError(ErrDrive);
  return ok;
}
}  // namespace

std::optional<PackedDirectory> RemoveDirectoryEntry(std::span<const std::uint8_t> data, std::uint64_t size,
                                                    std::uint32_t allocated_blocks,
                                                    const DirectoryEntryToAdd& entry, int& code) {
  std::vector<std::vector<std::uint8_t>> records;
  bool removed = false;
  bool walked =
      VisitRecords(data, size, code, [&](const DirectoryRecord& record, std::vector<std::uint8_t> raw) {
        if (!removed && CompareNames(record.name, entry.name) == 0) {
          for (std::uint32_t i = 0; i < record.entry_count; ++i) {
            if (record.Version(data, i) != entry.version || !(record.Id(data, i) == entry.id)) continue;
            removed = true;
            auto at = static_cast<std::ptrdiff_t>(record.entries_offset - record.offset + kEntrySize * i);
            raw.erase(raw.begin() + at, raw.begin() + at + static_cast<std::ptrdiff_t>(kEntrySize));
            PutU16(raw, rec::kSize, static_cast<std::uint16_t>(raw.size() - 2));
            break;
          }
          // A record whose only entry went is dropped whole.
          if (removed && record.entry_count == 1) return true;
        }
        records.push_back(std::move(raw));
        return true;
      });
  if (!walked) return std::nullopt;
  if (!removed) {
    code = ErrFileNotFound;
    return std::nullopt;
  }
  std::optional<PackedDirectory> packed = Pack(records, allocated_blocks);
  if (!packed) code = ErrNotDirectory;
  return packed;
}

bool EnterName(Volume& volume, const FileId& directory, const DirectoryEntryToAdd& entry,
               std::string* name_text, bool dry_run) {
  // A record must fit one block with its entry, pad byte and the block's end mark.
  if (entry.name.empty() || entry.name.size() > 255 ||
      kRecordOverhead + entry.name.size() + 1 > kRecordSpace) {
    volume.SetError(ErrInvalidArgument);
    return false;
  }
  DirectoryFile file;
  if (!AccessForUpdate(volume, directory, file)) return false;
  BlockWindow& window = *file.window();
  int code = ErrNone;
  std::optional<PackedDirectory> packed =
      AddDirectoryEntry(window.data, DataSize(file), window.count, entry, code);
  if (!packed && code == ErrNoFreeIndex) {
    // Full: the directory moves to a larger run.
    packed = AddDirectoryEntry(window.data, DataSize(file), GrownDirectoryBlocks(volume, window.count), entry,
                               code);
    if (packed) {
      if (!MoveDirectory(volume, file, std::move(*packed), dry_run)) return false;
      if (name_text) *name_text = std::string(entry.name) + ";" + std::to_string(entry.version);
      return true;
    }
  }
  if (!packed) {
    file.Deaccess();
    volume.SetError(code);
    return false;
  }
  if (!dry_run && !StorePacked(volume, file, std::move(*packed))) return false;
  file.Deaccess();
  if (name_text) *name_text = std::string(entry.name) + ";" + std::to_string(entry.version);
  return true;
}

bool RemoveName(Volume& volume, const FileId& directory, const DirectoryEntryToAdd& entry) {
  DirectoryFile file;
  if (!AccessForUpdate(volume, directory, file)) return false;
  int code = ErrNone;
  std::optional<PackedDirectory> packed =
      RemoveDirectoryEntry(file.window()->data, DataSize(file), file.window()->count, entry, code);
  if (!packed) {
    file.Deaccess();
    volume.SetError(code);
    return false;
  }
  return StorePacked(volume, file, std::move(*packed));
}

}  // namespace ods2
