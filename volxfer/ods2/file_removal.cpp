#include "file_removal.h"

#include <algorithm>
#include <vector>

#include "directory_update.h"
#include "open_file.h"
#include "volume.h"

namespace ods2 {

namespace {
// The header no longer describes a file: file number word 0 fails every header check, the
// sequence number stays so the next file of this number gets a new one, the map is empty.
void ClearHeader(FileHeader& header) {
  std::span<std::uint8_t> b = header.bytes();
  std::size_t map = std::min<std::size_t>(header.map_offset(), layout::header::kChecksum);
  std::size_t map_end = std::min<std::size_t>(map + 2 * header.map_words_in_use(), layout::header::kChecksum);
  std::fill(b.begin() + static_cast<std::ptrdiff_t>(map), b.begin() + static_cast<std::ptrdiff_t>(map_end),
            0);
  header.set_map_words_in_use(0);
  PutU32(b, layout::header::kCharacteristics, header.characteristics() | FileHeader::kMarkedForDelete);
  PutU16(b, layout::header::kFileNumber, 0);
  PutU8(b, layout::header::kNumberExtension, 0);
  header.UpdateChecksum();
}

bool Reserved(const Volume& volume, const FileId& file) {
  return file.FileNumber() <= volume.home_block().reserved_files();
}

void ReleaseClusters(Volume& volume, const std::vector<FileHeader>& headers) {
  BitmapView& storage = volume.storage_bitmap().bitmap();
  const std::uint64_t c = volume.cluster_factor();
  for (const FileHeader& header : headers) {
    auto map = header.Map();
    if (!map) continue;
    for (const RetrievalPointer& p : *map) {
      if (p.is_placement() || p.count == 0) continue;
      std::uint64_t first = p.lbn / c;
      std::uint64_t last = std::min<std::uint64_t>((p.lbn + p.count - 1) / c, storage.bit_count());
      for (std::uint64_t cluster = first; cluster <= last && cluster < storage.bit_count(); ++cluster)
        storage.ReleaseCluster(static_cast<std::uint32_t>(cluster));
    }
  }
}
}  // namespace

bool ReleaseFile(Volume& volume, const FileId& file) {
  if (Reserved(volume, file) || !volume.storage_bitmap().window() || !volume.index_file().window()) {
    volume.SetError(ErrInvalidArgument);
    return false;
  }
  OpenFile opened;
  if (!opened.Access(volume, kNoWindow, file)) return false;
  std::vector<FileHeader> headers = opened.headers();
  opened.Deaccess();  // nothing was changed through it, so nothing is written
  bool ok = true;
  for (FileHeader& header : headers) {
    FileHeader cleared = header;
    ClearHeader(cleared);
    ok = volume.WriteBlocks(header.lbn, 1, cleared.bytes()) && ok;
  }
  if (!ok) {
    // Headers that were not cleared still hold their clusters: giving them back could put one
    // block in two files.
    if (volume.error() != ErrReadOnly) volume.SetError(ErrDrive);
    return false;
  }
  ReleaseClusters(volume, headers);
  ok = volume.storage_bitmap().Flush();
  for (const FileHeader& header : headers)
    volume.index_file().bitmap().ReleaseNumber(header.file_id().FileNumber());
  ok = volume.index_file().Flush() && ok;
  if (!ok && volume.error() != ErrReadOnly) volume.SetError(ErrDrive);
  return ok;
}

bool RemoveFile(Volume& volume, const FileId& directory, std::string_view name, std::uint16_t version,
                const FileId& file) {
  if (Reserved(volume, file)) {
    volume.SetError(ErrInvalidArgument);
    return false;
  }
  // The chain is checked before anything is written: a damaged file stays as it was.
  OpenFile probe;
  if (!probe.Access(volume, kNoWindow, file)) return false;
  probe.Deaccess();
  if (!RemoveName(volume, directory, DirectoryEntryToAdd{name, version, file})) return false;
  return ReleaseFile(volume, file);
}

}  // namespace ods2
