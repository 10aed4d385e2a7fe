#include "stream_file.h"

#include <algorithm>
#include <cstring>

#include "file_creation.h"
#include "volume.h"

namespace ods2 {

namespace {
constexpr std::uint8_t kCarriageReturn = 13;
constexpr std::uint8_t kLineFeed = 10;
}  // namespace

bool StreamFile::InWindow(std::uint64_t block) const {
  const BlockWindow* w = window();
  return w && w->first_vbn >= 0 && block >= static_cast<std::uint64_t>(w->first_vbn) &&
         block < static_cast<std::uint64_t>(w->first_vbn) + w->count;
}

bool StreamFile::LoadWindow(std::uint64_t block, std::uint64_t limit) {
  BlockWindow* w = window();
  if (!w || block >= limit || block > UINT32_MAX) return false;
  auto n = static_cast<std::uint32_t>(std::min<std::uint64_t>(w->count, limit - block));
  return MapBlocks(static_cast<std::uint32_t>(block), n, false) == static_cast<std::int64_t>(n);
}

// A created file's blocks past its end of file are written from their start: their old content
// is neither needed nor to be carried into the file, so they are not read, only zeroed. The
// window then covers as much of the allocation as it holds, so a long put moves in large writes.
bool StreamFile::LoadWindowForWriting(std::uint64_t block) {
  std::uint32_t limit = first_header().highest_allocated_vbn();
  BlockWindow* w = window();
  if (!created || !w || position % kBlockSize != 0 || block >= limit) return LoadWindow(block, limit);
  auto n = static_cast<std::uint32_t>(std::min<std::uint64_t>(w->count, limit - block));
  return MapBlocksZeroed(static_cast<std::uint32_t>(block), n) == static_cast<std::int64_t>(n);
}

std::size_t StreamFile::WindowOffset() const {
  return static_cast<std::size_t>(position - static_cast<std::uint64_t>(window()->first_vbn) * kBlockSize);
}

std::size_t StreamFile::WindowEnd() const {
  return static_cast<std::size_t>(window()->count) * kBlockSize;
}

std::int64_t StreamFile::ReadBinary(std::span<std::uint8_t> out) {
  const std::uint64_t size = first_header().FileSize();
  std::size_t done = 0;
  while (done < out.size()) {
    if (position >= size) {
      volume()->SetError(ErrEof);
      break;
    }
    std::uint64_t block = position / kBlockSize;
    if (!InWindow(block) && !LoadWindow(block, BlocksFor(size))) {
      // A map shorter than the end of file is damage, not the end of the data.
      if (volume()->error() == ErrEof || volume()->error() == ErrNone) volume()->SetError(ErrReadingFile);
      return -1;
    }
    std::size_t run =
        std::min<std::uint64_t>({out.size() - done, WindowEnd() - WindowOffset(), size - position});
    std::memcpy(out.data() + done, window()->data.data() + WindowOffset(), run);
    done += run;
    position += run;
  }
  return static_cast<std::int64_t>(done);
}

// Up to the size announced at creation an extension takes no more than is still to come: a quantum
// halved on a fragmented volume would otherwise leave the file holding up to a quantum of blocks
// past its end that it never uses. Past that size (text records can outgrow the host file) the
// quantum stands.
std::uint32_t StreamFile::ExtensionRequest() const {
  std::uint32_t allocated = first_header().highest_allocated_vbn();
  if (allocated < estimated_blocks) return std::min(extension_quantum, estimated_blocks - allocated);
  return extension_quantum;
}

bool StreamFile::EnsureAllocated(std::uint64_t block) {
  // The end of file block (block + 1) must fit its 32-bit field.
  if (block >= UINT32_MAX - 1) {
    volume()->SetError(ErrNoFreeIndex);
    return false;
  }
  while (block >= first_header().highest_allocated_vbn()) {
    for (;;) {
      if (extension_quantum == 0) {
        if (volume()->error() == ErrNone) volume()->SetError(ErrNoFreeIndex);
        return false;
      }
      if (Extend(*this, ExtensionRequest())) break;
      extension_quantum /= 2;  // space is short: ask for less, and keep asking for less
    }
  }
  return true;
}

// A full window goes to disk: the header (end of file) first, then its blocks in one pass.
bool StreamFile::AfterWindowFilled() {
  return Flush();
}

std::int64_t StreamFile::WriteBinary(std::span<const std::uint8_t> in) {
  std::size_t done = 0;
  while (done < in.size()) {
    std::uint64_t block = position / kBlockSize;
    if (!EnsureAllocated(block)) break;
    if (!InWindow(block) && !LoadWindowForWriting(block)) break;
    // The window may reach past the allocation; bytes go only where blocks are allocated.
    const std::uint64_t allocated_end =
        static_cast<std::uint64_t>(first_header().highest_allocated_vbn()) * kBlockSize;
    std::size_t run = static_cast<std::size_t>(
        std::min<std::uint64_t>({in.size() - done, WindowEnd() - WindowOffset(), allocated_end - position}));
    std::memcpy(window()->data.data() + WindowOffset(), in.data() + done, run);
    position += run;
    MarkDataModified();
    first_header().SetEndOfFile(position);
    MarkHeaderModified();
    BlockWindow& w = *window();
    if (position / kBlockSize >= static_cast<std::uint64_t>(w.first_vbn) + w.count && !AfterWindowFilled())
      break;
    done += run;
  }
  return static_cast<std::int64_t>(done);
}

std::int64_t StreamFile::WriteText(std::span<const std::uint8_t> in) {
  std::size_t done = 0;
  while (done < in.size()) {
    if (line_.size() >= kRecordLimit) {
      volume()->SetError(ErrEof);
      break;
    }
    std::uint8_t x = in[done];
    if (x == kLineFeed) {
      if (EndRecord() < 0) break;
      ++done;
      continue;
    }
    if (x == kCarriageReturn) {
      ++done;
      continue;
    }
    auto end = std::find_if(in.begin() + static_cast<std::ptrdiff_t>(done), in.end(),
                            [](std::uint8_t b) { return b == kLineFeed || b == kCarriageReturn; });
    std::size_t run =
        std::min<std::size_t>(static_cast<std::size_t>(end - in.begin()) - done, kRecordLimit - line_.size());
    line_.insert(line_.end(), in.begin() + static_cast<std::ptrdiff_t>(done),
                 in.begin() + static_cast<std::ptrdiff_t>(done + run));
    done += run;
  }
  return static_cast<std::int64_t>(done);
}

std::int64_t StreamFile::EndRecord() {
  std::size_t length = line_.size();
  std::vector<std::uint8_t> record(2 + length + length % 2, 0);  // the pad byte is 0
  PutU16(record, 0, static_cast<std::uint16_t>(length));
  std::copy(line_.begin(), line_.end(), record.begin() + 2);
  line_.clear();
  std::int64_t written = WriteBinary(record);
  if (written < static_cast<std::int64_t>(record.size())) return -1;
  return written;
}

}  // namespace ods2
