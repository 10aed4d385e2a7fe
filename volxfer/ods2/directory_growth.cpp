#include "directory_growth.h"

#include <algorithm>

#include "directory_update.h"
#include "volume.h"

namespace ods2 {

namespace {
constexpr std::uint32_t kFormat3Words = 4;

void ReleaseRun(BitmapView& bitmap, std::uint32_t first, std::uint32_t clusters) {
  for (std::uint32_t i = 0; i < clusters; ++i) bitmap.ReleaseCluster(first + i);
}

// The directory's header with one extent: `blocks` from `lbn`, and its end of file.
FileHeader MovedHeader(const FileHeader& old, std::uint32_t lbn, std::uint32_t blocks, std::uint32_t used) {
  FileHeader h = old;
  std::span<std::uint8_t> b = h.bytes();
  std::fill(b.begin() + static_cast<std::ptrdiff_t>(h.map_offset()),
            b.begin() + static_cast<std::ptrdiff_t>(h.map_offset() + 2 * h.map_words_in_use()), 0);
  StoreFormat3Pointer(b, h.map_offset(), blocks, lbn);
  h.set_map_words_in_use(kFormat3Words);
  h.set_highest_allocated_vbn(blocks);
  h.SetEndOfFile(static_cast<std::uint64_t>(used) * kBlockSize);
  h.CoverByHighWater(used);
  h.UpdateChecksum();
  return h;
}
}  // namespace

std::uint32_t GrownDirectoryBlocks(const Volume& volume, std::uint32_t blocks) {
  std::uint64_t c = volume.cluster_factor();
  std::uint64_t grown =
      std::max<std::uint64_t>({2ull * blocks, blocks + volume.home_block().extend_quantity(), 1});
  grown = (grown + c - 1) / c * c;
  return static_cast<std::uint32_t>(std::min<std::uint64_t>(grown, UINT32_MAX / 2));
}

bool MoveDirectory(Volume& volume, DirectoryFile& file, PackedDirectory packed, bool dry_run) {
  const std::uint32_t c = volume.cluster_factor();
  const FileHeader& old = file.first_header();
  auto old_map = old.Map();
  auto blocks = static_cast<std::uint32_t>(packed.data.size() / kBlockSize);
  std::uint32_t clusters = blocks / c;
  BitmapView& bitmap = volume.storage_bitmap().bitmap();
  std::uint32_t first = 0;
  if (file.headers().size() != 1 || !old_map || old.map_capacity_words() < kFormat3Words ||
      !volume.storage_bitmap().window() || blocks % c != 0 ||
      bitmap.AllocateRun(clusters, first) != BitmapView::RunResult::kAllocated) {
    file.Deaccess();
    volume.SetError(ErrNoFreeIndex);
    return false;
  }
  if (dry_run) {
    ReleaseRun(bitmap, first, clusters);
    file.Deaccess();
    return true;
  }
  FileHeader moved = MovedHeader(old, first * c, blocks, packed.used_blocks);
  std::uint64_t header_lbn = old.lbn;
  file.Deaccess();  // unchanged: writes nothing
  bool ok = volume.storage_bitmap().Flush() &&
            volume.WriteBlocks(std::uint64_t{first} * c, blocks, packed.data) &&
            volume.WriteBlocks(header_lbn, 1, moved.bytes());
  if (!ok) {
    // The old run still holds the directory; the new one goes back.
    int code = volume.error() == ErrReadOnly ? ErrReadOnly : ErrDrive;
    ReleaseRun(bitmap, first, clusters);
    volume.storage_bitmap().Flush();
    volume.SetError(code);
    return false;
  }
  for (const RetrievalPointer& p : *old_map) {
    if (p.is_placement()) continue;
    for (std::uint64_t cluster = p.lbn / c; cluster * c < std::uint64_t{p.lbn} + p.count; ++cluster)
      bitmap.ReleaseCluster(static_cast<std::uint32_t>(cluster));
  }
  if (volume.storage_bitmap().Flush()) return true;
  volume.SetError(ErrDrive);
  return false;
}

}  // namespace ods2
