#include "directory_creation.h"

#include <algorithm>
#include <string>
#include <vector>

#include "directory.h"
#include "directory_update.h"
#include "file_creation.h"
#include "file_removal.h"
#include "volume.h"

namespace ods2 {

namespace {
constexpr std::size_t kNameLimit = 39;
constexpr std::uint8_t kVariableRecords = 2;
// Directory records are read and written a block at a time.
constexpr std::uint16_t kDirectoryRecordSize = kBlockSize;
// S:RWE,O:RWE,G:RE,W:E, as VMS gives directories: a set bit denies read, write, execute, delete.
constexpr std::uint16_t kDirectoryProtection = 0x8 | 0x8 << 4 | 0xA << 8 | 0xB << 12;
constexpr std::uint8_t kFormat3Words = 4;

bool IsDirectoryName(std::string_view name) {
  return !name.empty() && name.size() <= kNameLimit && std::all_of(name.begin(), name.end(), [](char c) {
    return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '$' || c == '_' || c == '-';
  });
}

// The one cluster of an empty directory: every block closes at once with 0xFFFF.
std::vector<std::uint8_t> EmptyDirectoryData(std::uint32_t blocks) {
  std::vector<std::uint8_t> data(static_cast<std::size_t>(blocks) * kBlockSize, 0);
  for (std::uint32_t b = 0; b < blocks; ++b) PutU16(data, static_cast<std::size_t>(b) * kBlockSize, 0xFFFF);
  return data;
}

// The new header made a directory: its cluster mapped, one block in use, the parent's owner.
void MakeDirectoryHeader(FileHeader& header, const FileHeader& parent, std::uint32_t lbn,
                         std::uint32_t blocks) {
  namespace h = layout::header;
  std::span<std::uint8_t> b = header.bytes();
  StoreFormat3Pointer(b, header.map_offset(), blocks, lbn);
  header.set_map_words_in_use(kFormat3Words);
  header.set_highest_allocated_vbn(blocks);
  header.SetEndOfFile(kBlockSize);
  PutU32(b, h::kCharacteristics, FileHeader::kContiguous | FileHeader::kDirectory);
  PutU8(b, h::kRecordType, kVariableRecords);
  PutU8(b, h::kRecordAttributes, FileHeader::kNoSpanning);
  PutU16(b, h::kRecordSize, kDirectoryRecordSize);
  PutU16(b, h::kMaxRecordSize, kDirectoryRecordSize);
  PutU16(b, h::kOwnerMember, parent.owner_member());
  PutU16(b, h::kOwnerGroup, parent.owner_group());
  PutU16(b, h::kProtection, kDirectoryProtection);
  header.set_back_link(parent.file_id());
  StampNewFile(header);
  header.UpdateChecksum();
}

// Gives back a cluster that no header on disk maps yet.
void ReleaseUnmapped(Volume& volume, std::uint32_t cluster) {
  volume.storage_bitmap().bitmap().ReleaseCluster(cluster);
  volume.storage_bitmap().Flush();
}

// Header, data and map of the new directory, all on disk before any directory names it.
bool WriteNewDirectory(Volume& volume, const FileHeader& parent, const FileId& id) {
  const std::uint32_t c = volume.cluster_factor();
  std::uint32_t cluster = 0;
  if (volume.storage_bitmap().bitmap().AllocateRun(1, cluster) != BitmapView::RunResult::kAllocated) {
    volume.SetError(ErrNoFreeIndex);
    return false;
  }
  FileHeader header;
  header.lbn = volume.HeaderLbn(id.FileNumber());
  std::uint64_t lbn = std::uint64_t{cluster} * c;
  bool ok = header.lbn != 0 && lbn <= UINT32_MAX && volume.storage_bitmap().Flush() &&
            volume.WriteBlocks(lbn, c, EmptyDirectoryData(c)) &&
            volume.ReadBlocks(header.lbn, 1, header.bytes());
  if (ok) {
    MakeDirectoryHeader(header, parent, static_cast<std::uint32_t>(lbn), c);
    ok = volume.WriteBlocks(header.lbn, 1, header.bytes());
  }
  if (!ok) {
    int code = volume.error() == ErrReadOnly ? ErrReadOnly : ErrDrive;
    ReleaseUnmapped(volume, cluster);
    volume.SetError(code);
  }
  return ok;
}

// A creation that failed half way gives back what it took; the code of the failure stays.
void Undo(Volume& volume, const FileId& id) {
  int code = volume.error();
  ReleaseFile(volume, id);
  volume.SetError(code);
}
}  // namespace

bool CreateDirectory(Volume& volume, const FileId& parent, std::string_view name, FileId& created) {
  if (volume.read_only()) {
    volume.SetError(ErrReadOnly);
    return false;
  }
  if (!IsDirectoryName(name)) {
    volume.SetError(ErrInvalidArgument);
    return false;
  }
  const std::string entry_name = std::string(name) + ".DIR";
  std::uint32_t cursor = 0;
  if (Lookup(volume, false, parent, cursor, entry_name)) {
    volume.SetError(ErrFileExists);
    return false;
  }
  if (volume.error() != ErrFileNotFound) return false;  // a damaged directory is not written to
  volume.SetError(ErrNone);
  DirectoryFile parent_file;
  if (!parent_file.Access(volume, kNoWindow, parent)) return false;
  const FileHeader parent_header = parent_file.first_header();
  parent_file.Deaccess();
  DirectoryEntryToAdd entry{entry_name, 1, FileId{}};
  // Everything that can refuse the name is checked before the header is written.
  if (!EnterName(volume, parent, entry, nullptr, true)) return false;
  if (!CreateHeader(volume, entry.id, entry_name + ";1")) {
    if (entry.id.number != 0) Undo(volume, entry.id);
    return false;
  }
  if (!WriteNewDirectory(volume, parent_header, entry.id) || !EnterName(volume, parent, entry)) {
    Undo(volume, entry.id);
    return false;
  }
  created = entry.id;
  if (volume.Flush()) return true;
  if (volume.error() == ErrNone) volume.SetError(ErrDrive);
  return false;
}

std::optional<bool> DirectoryIsEmpty(Volume& volume, const FileId& directory) {
  const CachedDirectory* cached = volume.ReadDirectory(directory);
  if (!cached) {
    if (volume.error() == ErrNone) volume.SetError(ErrNotDirectory);
    return std::nullopt;
  }
  RecordWalker walker(cached->data, cached->size, 0);
  DirectoryRecord record;
  switch (walker.Next(record)) {
    case RecordWalker::Step::kEnd:
      return true;
    case RecordWalker::Step::kRecord:
      return false;
    default:
      volume.SetError(ErrNotDirectory);
      return std::nullopt;
  }
}

}  // namespace ods2
