#include "open_file.h"

#include <algorithm>
#include <new>

#include "volume.h"

namespace ods2 {

bool OpenFile::Access(Volume& volume, int window_request, const FileId& id) {
  if (id.rvn != 0) {
    volume.SetError(ErrVolumeSet);
    return false;
  }
  volume_ = &volume;
  if (!ReadChain(id)) return false;
  if (!MakeWindow(window_request, id)) return false;
  return true;
}

// Reads headers along the extension links. Any header that is missing, invalid, describes more
// data than it allocates, or closes a loop ends the access with code 10.
bool OpenFile::ReadChain(const FileId& id) {
  std::vector<std::uint32_t> seen;
  FileId cur = id;
  for (;;) {
    std::uint64_t lbn = volume_->HeaderLbn(cur.FileNumber());
    if (lbn == 0 || std::find(seen.begin(), seen.end(), cur.FileNumber()) != seen.end()) break;
    seen.push_back(cur.FileNumber());
    FileHeader& header = headers_.emplace_back();
    header.lbn = lbn;
    if (!volume_->ReadHeaderBlock(lbn, header.bytes())) {
      Deaccess();
      volume_->SetError(ErrDrive);
      return false;
    }
    if (!header.Valid(cur)) break;
    if (static_cast<std::uint64_t>(header.highest_allocated_vbn()) * kBlockSize < header.FileSize()) break;
    cur = header.extension_id();
    if (cur.FileNumber() == 0) return true;
  }
  Deaccess();
  volume_->SetError(ErrInvalidHeader);
  return false;
}

bool OpenFile::MakeWindow(int window_request, const FileId& id) {
  const FileHeader& first = headers_.front();
  if (id == kIndexFileId) {
    if (first.highest_allocated_vbn() == 0) {
      Deaccess();
      volume_->SetError(ErrInvalidHeader);
      return false;
    }
    return FillWindow(volume_->IndexWindowBlocks());
  }
  if (window_request == kNoWindow) return true;
  // A contiguous file is held whole, but a large one is not worth its size in memory: it is read
  // through the window asked for like any other.
  constexpr std::uint32_t kWholeContiguousLimit = 256;
  bool held_whole = first.is_contiguous() && first.highest_allocated_vbn() <= kWholeContiguousLimit;
  if (!held_whole && window_request != kWholeFile) {
    window_.emplace(static_cast<std::uint32_t>(window_request));
    return true;
  }
  std::uint32_t blocks = first.highest_allocated_vbn();
  if (blocks == 0) return true;
  return FillWindow(blocks);
}

bool OpenFile::FillWindow(std::uint32_t blocks) {
  // A window can never be larger than the device; a header claiming more is damaged. Past the
  // cap (2 GiB, far more than any directory or bitmap needs) memory is not spent on it either.
  constexpr std::uint32_t kWindowLimit = 1u << 22;
  if (blocks > volume_->device_blocks() || blocks > kWindowLimit) {
    Deaccess();
    volume_->SetError(ErrInvalidHeader);
    return false;
  }
  try {
    window_.emplace(blocks);
  } catch (const std::bad_alloc&) {
    Deaccess();
    volume_->SetError(ErrInvalidHeader);
    return false;
  }
  if (MapBlocks(0, blocks, false) != static_cast<std::int64_t>(blocks)) {
    int code = volume_->error();
    Deaccess();
    volume_->SetError(code);
    return false;
  }
  return true;
}

void OpenFile::MakeEmptyWindow(std::uint32_t blocks) {
  window_.emplace(std::max<std::uint32_t>(blocks, 1));
}

std::int64_t OpenFile::MapBlocks(std::uint32_t vbn, std::uint32_t count, bool write) {
  return MapRuns(vbn, count, write ? Transfer::kWrite : Transfer::kRead);
}

std::int64_t OpenFile::MapBlocksZeroed(std::uint32_t vbn, std::uint32_t count) {
  if (window_) std::fill(window_->data.begin(), window_->data.end(), 0);
  return MapRuns(vbn, count, Transfer::kNone);
}

std::int64_t OpenFile::MapRuns(std::uint32_t vbn, std::uint32_t count, Transfer transfer) {
  if (headers_.empty() || vbn >= headers_.front().eof_vbn()) {
    volume_->SetError(ErrEof);
    return -1;
  }
  if (!window_ || count > window_->count) {
    volume_->SetError(ErrInvalidArgument);
    return -1;
  }
  std::uint64_t total = 0;
  std::uint32_t done = 0;
  bool found = false;
  for (const FileHeader& header : headers_) {
    auto map = header.Map();
    if (!map) break;
    for (const RetrievalPointer& p : *map) {
      if (p.is_placement() || (found && done == count)) continue;
      std::uint64_t offset = 0;
      if (!found) {
        if (total + p.count <= vbn) {
          total += p.count;
          continue;
        }
        found = true;
        offset = vbn - total;
        if (count == 0) return 0;
      }
      std::uint32_t c = static_cast<std::uint32_t>(std::min<std::uint64_t>(p.count - offset, count - done));
      std::uint64_t lbn = p.lbn + offset;
      std::span<std::uint8_t> part(window_->data.data() + static_cast<std::size_t>(done) * kBlockSize,
                                   static_cast<std::size_t>(c) * kBlockSize);
      bool moved = transfer == Transfer::kNone    ? true
                   : transfer == Transfer::kWrite ? volume_->WriteBlocks(lbn, c, part)
                                                  : volume_->ReadBlocks(lbn, c, part);
      if (!moved) {
        if (volume_->error() != ErrReadOnly) volume_->SetError(ErrDrive);
        return -1;
      }
      window_->first_vbn = vbn;
      for (std::uint32_t i = 0; i < c; ++i) window_->lbns[done + i] = lbn + i;
      done += c;
    }
  }
  if (!found) {
    volume_->SetError(ErrEof);
    return 0;
  }
  if (done < count) volume_->SetError(ErrEof);
  return done;
}

bool OpenFile::Flush() {
  if (header_modified_) {
    // The chain from its end: a map and its links reach the disk before the primary header that
    // counts their blocks in its allocation, so a crash between the writes leaves an allocation
    // that lags the map (blocks the file holds) and never one that claims blocks no map names.
    for (auto header = headers_.rbegin(); header != headers_.rend(); ++header) {
      header->UpdateChecksum();
      if (!volume_->WriteBlocks(header->lbn, 1, header->bytes())) return false;
    }
    header_modified_ = false;
  }
  if (data_modified_ && window_) {
    if (window_->first_vbn < 0) return false;
    // A window larger than what the file allocates past its start holds only the allocated part.
    std::uint64_t allocated = headers_.front().highest_allocated_vbn();
    auto first = static_cast<std::uint64_t>(window_->first_vbn);
    auto blocks = static_cast<std::uint32_t>(
        std::min<std::uint64_t>(window_->count, allocated > first ? allocated - first : 0));
    std::int64_t moved = MapBlocks(static_cast<std::uint32_t>(first), blocks, true);
    if (moved < static_cast<std::int64_t>(blocks)) return false;
    data_modified_ = false;
  }
  return true;
}

void OpenFile::Deaccess() {
  if (volume_ && !headers_.empty()) {
    Flush();
    if (created_here_ && headers_.front().Valid(headers_.front().file_id()) &&
        headers_.front().is_marked_for_delete())
      ReleaseMarkedForDelete();
  }
  headers_.clear();
  window_.reset();
  data_modified_ = false;
  header_modified_ = false;
  created_here_ = false;
}

void OpenFile::ReleaseMarkedForDelete() {
  // A bitmap file already released (or never mounted) has no view to give numbers back to.
  BitmapView empty;
  BitmapView& storage = volume_->storage_bitmap().window() ? volume_->storage_bitmap().bitmap() : empty;
  BitmapView& index = volume_->index_file().window() ? volume_->index_file().bitmap() : empty;
  std::uint32_t cluster_factor = volume_->cluster_factor();
  for (const FileHeader& header : headers_) {
    auto map = header.Map();
    if (map) {
      for (const RetrievalPointer& p : *map) {
        if (p.is_placement()) continue;
        // Only clusters the bitmap holds; a damaged count must not turn into a long loop.
        std::uint64_t first = p.lbn / cluster_factor;
        std::uint64_t last = (static_cast<std::uint64_t>(p.lbn) + p.count - 1) / cluster_factor;
        last = std::min<std::uint64_t>(last, storage.bit_count() == 0 ? 0 : storage.bit_count() - 1);
        for (std::uint64_t cluster = first; cluster <= last && cluster < storage.bit_count(); ++cluster)
          storage.ReleaseCluster(static_cast<std::uint32_t>(cluster));
      }
    }
    index.ReleaseNumber(header.file_id().FileNumber());
  }
  volume_->Flush();
}

void OpenFile::GetAttributes(FileInfo& info) const {
  const FileHeader& h = headers_.front();
  info.creation = ConvertDate(h.IdentDate(layout::ident::kCreationDate));
  info.revision = ConvertDate(h.IdentDate(layout::ident::kRevisionDate));
  info.owner_member = static_cast<std::uint8_t>(h.owner_member());
  info.owner_group = static_cast<std::uint8_t>(h.owner_group());
  std::uint16_t prot = h.protection();
  for (int g = 0; g < 4; ++g) info.protection[static_cast<std::size_t>(g)] = (prot >> (4 * g)) & 0xF;
  info.record_type = h.record_type_byte() & 0xF;
  info.organization = h.record_type_byte() >> 4;
  info.record_attributes = h.record_attributes();
  info.record_size = h.record_size();
  info.eof_vbn = h.eof_vbn();
  info.first_free_byte = h.first_free_byte();
  info.max_record_size = h.max_record_size();
  for (int i = 0; i < 4; ++i)
    info.characteristics[static_cast<std::size_t>(i)] =
        h.bytes()[layout::header::kCharacteristics + static_cast<std::size_t>(i)];
  FileId id = h.file_id();
  info.file_number = id.FileNumber();
  info.sequence = id.sequence;
  info.rvn = id.rvn;
  info.used_blocks = h.UsedBlocks();
  info.allocated_blocks = h.highest_allocated_vbn();
}

void OpenFile::SetAttributes(const FileInfo& info) {
  std::span<std::uint8_t> b = headers_.front().bytes();
  PutU16(b, layout::header::kOwnerGroup, info.owner_group);
  PutU16(b, layout::header::kOwnerMember, info.owner_member);
  std::uint16_t prot = 0;
  for (int g = 0; g < 4; ++g)
    prot |= static_cast<std::uint16_t>((info.protection[static_cast<std::size_t>(g)] & 0xF) << (4 * g));
  PutU16(b, layout::header::kProtection, prot);
  b[layout::header::kRecordType] =
      static_cast<std::uint8_t>((info.organization << 4) | (info.record_type & 0xF));
  b[layout::header::kRecordAttributes] = info.record_attributes;
  PutU16(b, layout::header::kRecordSize, static_cast<std::uint16_t>(info.record_size));
  PutU16(b, layout::header::kMaxRecordSize, static_cast<std::uint16_t>(info.max_record_size));
  for (int i = 0; i < 4; ++i)
    b[layout::header::kCharacteristics + static_cast<std::size_t>(i)] =
        info.characteristics[static_cast<std::size_t>(i)];
  header_modified_ = true;
}

bool DirectoryFile::Check() const {
  if (headers().empty()) return false;
  const FileHeader& h = first_header();
  // Other software leaves directories it extended without the contiguous bit, in several extents:
  // they are read and written through their map like any file.
  return h.is_directory() && (h.record_attributes() & FileHeader::kNoSpanning);
}

bool BitmapFile::MakeView(std::size_t offset, std::uint32_t bit_count, bool set_means_free) {
  BlockWindow* w = window();
  if (!w || offset > w->data.size()) return false;
  std::size_t bytes_needed = (static_cast<std::size_t>(bit_count) + 7) / 8;
  if (bytes_needed > w->data.size() - offset) return false;
  bitmap_ = BitmapView(std::span<std::uint8_t>(w->data).subspan(offset, bytes_needed), bit_count,
                       set_means_free, &data_modified_);
  return true;
}

}  // namespace ods2
