#include "volume.h"

#include <algorithm>

namespace ods2 {

bool Device::Open(int handle, bool read_only) {
  if (handle_ != -1) {
    SetError(ErrAlreadyOpened);
    return false;
  }
  if (handle == -1) {
    SetError(ErrInvalidArgument);
    return false;
  }
  handle_ = handle;
  read_only_ = read_only;
  return true;
}

bool Device::Close() {
  if (handle_ == -1) {
    SetError(ErrInvalidHandle);
    return false;
  }
  handles_.Release(handle_);
  handle_ = -1;
  return true;
}

std::uint64_t Volume::device_blocks() const {
  BlockDevice* d = host();
  return d ? d->block_count() : 0;
}

bool Volume::ReadBlocks(std::uint64_t lbn, std::uint32_t count, std::span<std::uint8_t> buffer) {
  BlockDevice* d = host();
  std::size_t size = static_cast<std::size_t>(count) * kBlockSize;
  if (!d || buffer.size() < size || !d->Read(lbn, buffer.first(size))) {
    SetError(ErrDrive);
    return false;
  }
  return true;
}

bool Volume::WriteBlocks(std::uint64_t lbn, std::uint32_t count, std::span<const std::uint8_t> buffer) {
  if (read_only()) {
    SetError(ErrReadOnly);
    return false;
  }
  ++write_generation_;
  if (write_observer_) write_observer_(lbn, count);
  BlockDevice* d = host();
  std::size_t size = static_cast<std::size_t>(count) * kBlockSize;
  if (!d || buffer.size() < size || !d->Write(lbn, buffer.first(size))) {
    SetError(ErrDrive);
    return false;
  }
  return true;
}

bool Volume::ReadHeaderBlock(std::uint64_t lbn, std::span<std::uint8_t> block) {
  constexpr std::uint64_t kReadAhead = 32;
  HeaderReadAhead& cache = header_read_ahead_;
  std::uint64_t cached_blocks = cache.blocks.size() / kBlockSize;
  if (cache.generation != write_generation_ || lbn < cache.first_lbn ||
      lbn >= cache.first_lbn + cached_blocks) {
    cache.blocks.clear();
    std::uint64_t device = device_blocks();
    // Past the device's end there is nothing to read ahead; let the plain read fail as it will.
    if (lbn >= device) return ReadBlocks(lbn, 1, block);
    std::uint64_t count = std::min(kReadAhead, device - lbn);
    cache.blocks.resize(count * kBlockSize);
    if (!ReadBlocks(lbn, static_cast<std::uint32_t>(count), cache.blocks)) {
      cache.blocks.clear();
      return false;
    }
    cache.first_lbn = lbn;
    cache.generation = write_generation_;
  }
  std::copy_n(cache.blocks.begin() + static_cast<std::ptrdiff_t>((lbn - cache.first_lbn) * kBlockSize),
              kBlockSize, block.begin());
  return true;
}

const CachedDirectory* Volume::ReadDirectory(const FileId& id) {
  if (directory_cache_ && directory_cache_->id == id && directory_cache_->generation == write_generation_)
    return &*directory_cache_;
  directory_cache_.reset();
  DirectoryFile directory;
  if (!directory.Access(*this, kWholeFile, id)) return nullptr;
  if (!directory.Check()) {
    directory.Deaccess();
    return nullptr;
  }
  CachedDirectory cached;
  cached.id = id;
  if (const BlockWindow* w = directory.window()) cached.data = w->data;
  cached.size = std::min<std::uint64_t>(directory.first_header().FileSize(), cached.data.size());
  directory.Deaccess();
  cached.generation = write_generation_;
  directory_cache_ = std::move(cached);
  return &*directory_cache_;
}

std::uint64_t Volume::HeaderLbn(std::uint32_t n) {
  const HomeBlock& hb = home_block_;
  if (n % 65535 == 0 || n > hb.max_files()) {
    SetError(ErrInvalidFileIndex);
    return 0;
  }
  if (n <= hb.reserved_files())
    return static_cast<std::uint64_t>(hb.index_bitmap_lbn()) + hb.index_bitmap_blocks() + n - 1;
  std::uint64_t target =
      static_cast<std::uint64_t>(n) + hb.index_bitmap_blocks() + 4u * hb.cluster_factor() - 1;
  std::uint64_t total = 0;
  std::uint64_t found = 0;
  for (const FileHeader& header : index_file_.headers()) {
    bool whole = header.VisitPointers([&](const RetrievalPointer& p) {
      if (p.is_placement()) return true;
      if (total + p.count > target) {
        found = p.lbn + (target - total);
        return false;
      }
      total += p.count;
      return true;
    });
    if (found != 0) return found;
    if (!whole) break;
  }
  SetError(ErrInvalidFileIndex);
  return 0;
}

bool Volume::FindHomeBlock() {
  for (std::uint32_t lbn = HomeBlock::kFirstCandidate; lbn < HomeBlock::kCandidateLimit;
       lbn += HomeBlock::kCandidateStep) {
    if (!ReadBlocks(lbn, 1, home_block_.bytes())) break;
    if (HomeBlock::Check(home_block_.bytes())) return true;
  }
  return ScanForHomeBlock();
}

// Other software puts the alternate home block where its geometry says (LBN 62 on an RL02, for
// one): when no standard candidate is good, any early block passing every check is taken.
bool Volume::ScanForHomeBlock() {
  constexpr std::uint64_t kChunkBlocks = 128;
  std::uint64_t end = std::min<std::uint64_t>(HomeBlock::kScanLimit + 1, device_blocks());
  std::vector<std::uint8_t> chunk(kChunkBlocks * kBlockSize);
  for (std::uint64_t lbn = HomeBlock::kFirstCandidate; lbn < end; lbn += kChunkBlocks) {
    auto count = static_cast<std::uint32_t>(std::min(kChunkBlocks, end - lbn));
    if (!ReadBlocks(lbn, count, chunk)) return false;
    for (std::uint32_t i = 0; i < count; ++i) {
      std::span<const std::uint8_t> block = std::span(chunk).subspan(i * kBlockSize, kBlockSize);
      if (!HomeBlock::Check(block)) continue;
      std::copy(block.begin(), block.end(), home_block_.bytes().begin());
      return true;
    }
  }
  return false;
}

bool Volume::MountIndexFile() {
  if (!index_file_.Access(*this, kWholeFile, kIndexFileId)) return false;
  // The bitmap must lie inside the window the index file keeps in memory.
  const HomeBlock& hb = home_block_;
  std::size_t offset = (static_cast<std::size_t>(hb.index_bitmap_vbn()) - 1) * kBlockSize;
  if (hb.index_bitmap_vbn() == 0 ||
      static_cast<std::uint64_t>(hb.max_files()) > hb.index_bitmap_blocks() * 4096ULL ||
      !index_file_.MakeView(offset, hb.max_files(), false)) {
    SetError(ErrNoHomeBlock);
    return false;
  }
  return true;
}

bool Volume::MountStorageBitmap() {
  if (!storage_bitmap_.Access(*this, kWholeFile, kBitmapFileId)) return false;
  std::uint32_t bitmap_cluster = scb_field(layout::scb::kClusterFactor) & 0xFFFF;
  if (bitmap_cluster == 0 || !storage_bitmap_.window() ||
      !storage_bitmap_.MakeView(kBlockSize, scb_volume_size() / bitmap_cluster, true)) {
    SetError(ErrInvalidHeader);
    return false;
  }
  return true;
}

bool Volume::Open(int handle, bool read_only) {
  if (!Device::Open(handle, read_only)) return false;
  bool mounted = false;
  if (!FindHomeBlock()) {
    SetError(ErrNoHomeBlock);
  } else if (MountIndexFile() && master_directory_.Access(*this, kWholeFile, kMasterDirectoryId)) {
    if (!master_directory_.Check())
      SetError(ErrInvalidHeader);
    else
      mounted = MountStorageBitmap();
  }
  if (mounted) return true;
  int code = error();
  ReleaseReservedFiles();
  SetError(code);
  ForgetHandle();
  return false;
}

void Volume::ReleaseReservedFiles() {
  index_file_.Deaccess();
  master_directory_.Deaccess();
  storage_bitmap_.Deaccess();
}

bool Volume::Flush() {
  bool ok = index_file_.Flush();
  ok = master_directory_.Flush() && ok;
  ok = storage_bitmap_.Flush() && ok;
  if (BlockDevice* d = host(); d && !read_only()) d->Sync();
  return ok;
}

bool Volume::Close() {
  if (handle() == -1) {
    SetError(ErrInvalidHandle);
    return false;
  }
  Flush();
  ReleaseReservedFiles();
  return Device::Close();
}

std::uint32_t Volume::scb_field(std::size_t offset) const {
  const BlockWindow* w = storage_bitmap_.window();
  return w ? GetU32(w->data, offset) : 0;
}

std::uint32_t Volume::scb_volume_size() const {
  return scb_field(layout::scb::kVolumeSize);
}

}  // namespace ods2
