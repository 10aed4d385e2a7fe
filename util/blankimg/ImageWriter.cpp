#include "ImageWriter.h"

#include <algorithm>
#include <cerrno>
#include <new>
#include <system_error>
#include <vector>

namespace blankimg {
namespace {

// Zero sectors are gathered into writes of this size: one system call per sector would make the
// large rows (rz59 is about 9 GB) crawl, while steps and cancel tests stay per sector.
constexpr std::size_t kChunkBytes = std::size_t{1} << 20;

void reportFailure(std::ostream& report, const char* message, int errorNumber) {
  report << message << ": " << std::generic_category().message(errorNumber) << '\n' << std::flush;
}

std::FILE* openForWriting(const std::filesystem::path& path) {
#ifdef _WIN32
  return ::_wfopen(path.c_str(), L"wb");
#else
  return std::fopen(path.c_str(), "wb");
#endif
}

bool seekTo(std::FILE* file, std::uint64_t offset) {
#ifdef _WIN32
  return ::_fseeki64(file, static_cast<long long>(offset), SEEK_SET) == 0;
#else
  return ::fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0;
#endif
}

// Writes `count` zero sectors from `zeros`, which holds at least that many.
bool writeZeroSectors(std::FILE* file, const std::vector<unsigned char>& zeros, std::uint64_t count,
                      std::uint32_t sectorSize) {
  const std::size_t bytes = static_cast<std::size_t>(count) * sectorSize;
  return std::fwrite(zeros.data(), 1, bytes, file) == bytes;
}

// Closing flushes; a failing close means the tail of the image never reached the disk.
bool closeFile(std::FILE* file) {
  return std::fclose(file) == 0;
}

WriteResult failAndClose(std::FILE* file, std::ostream& report, const char* message, int errorNumber) {
  reportFailure(report, message, errorNumber);
  std::fclose(file);
  return WriteResult::Failed;
}

}  // namespace

WriteResult createImage(const std::filesystem::path& path, std::uint64_t totalSectors, std::uint32_t sectors,
                        std::uint32_t sectorSize, std::uint32_t badBlockKind, RunControl& control,
                        std::ostream& report) {
  std::FILE* file = openForWriting(path);
  if (file == nullptr) {
    reportFailure(report, kCantOpen, errno);
    return WriteResult::Failed;
  }
  // Our chunks are the buffering; a stdio buffer on top would only copy them once more.
  std::setvbuf(file, nullptr, _IONBF, 0);

  const std::uint64_t chunkSectors =
      sectorSize == 0 ? 1 : std::max<std::uint64_t>(1, kChunkBytes / sectorSize);
  std::vector<unsigned char> zeros;
  try {
    zeros.assign(static_cast<std::size_t>(chunkSectors) * sectorSize, 0);
  } catch (const std::bad_alloc&) {
    return failAndClose(file, report, kCantAllocate, ENOMEM);
  }

  std::uint64_t pending = 0;  // sectors stepped but not yet handed to the file
  for (std::uint64_t sector = 0; sector < totalSectors; ++sector) {
    if (control.cancelRequested.load(std::memory_order_relaxed)) {
      // Every sector already stepped is written, so the file ends where the run stopped.
      if (!writeZeroSectors(file, zeros, pending, sectorSize))
        return failAndClose(file, report, kCantWrite, errno);
      if (!closeFile(file)) {
        reportFailure(report, kCantWrite, errno);
        return WriteResult::Failed;
      }
      return WriteResult::Cancelled;
    }
    control.sectorsReported.store(sector + 1, std::memory_order_relaxed);
    if (++pending == chunkSectors) {
      if (!writeZeroSectors(file, zeros, pending, sectorSize))
        return failAndClose(file, report, kCantWrite, errno);
      pending = 0;
    }
  }
  if (!writeZeroSectors(file, zeros, pending, sectorSize))
    return failAndClose(file, report, kCantWrite, errno);

  if (hasBadBlockTable(badBlockKind) &&
      !writeBadBlockTable(file, totalSectors, sectors, sectorSize, report)) {
    std::fclose(file);
    return WriteResult::Failed;
  }
  if (!closeFile(file)) {
    reportFailure(report, kCantWrite, errno);
    return WriteResult::Failed;
  }
  return WriteResult::Done;
}

bool writeBadBlockTable(std::FILE* file, std::uint64_t totalSectors, std::uint32_t sectors,
                        std::uint32_t sectorSize, std::ostream& report) {
  if (sectors < 2 || sectorSize < 32 || totalSectors < sectors) {
    reportFailure(report, kBadGeometry, EINVAL);
    return false;
  }
  if (!seekTo(file, (totalSectors - sectors) * sectorSize)) {
    reportFailure(report, kCantSeek, errno);
    return false;
  }
  std::vector<unsigned char> table;
  try {
    table.assign(sectorSize, 0xFF);
  } catch (const std::bad_alloc&) {
    reportFailure(report, kCantAllocate, ENOMEM);
    return false;
  }
  // Words 0 and 1: the pack serial number; 2 and 3: reserved; then only empty entries (0xFFFF),
  // since a fresh image has no bad sectors. Little-endian words.
  constexpr std::uint16_t kPackSerial = 012345;
  const std::uint16_t header[4] = {kPackSerial, kPackSerial, 0, 0};
  for (std::size_t word = 0; word < 4; ++word) {
    table[2 * word] = static_cast<unsigned char>(header[word] & 0xFF);
    table[2 * word + 1] = static_cast<unsigned char>(header[word] >> 8);
  }

  // Never more copies than the track has sectors: the file must keep its exact length.
  for (std::uint32_t copy = 0; copy < badBlockTableCopies(sectors); ++copy) {
    if (std::fwrite(table.data(), 1, table.size(), file) != table.size()) {
      reportFailure(report, kCantWriteTable, errno);
      return false;
    }
  }
  if (std::fflush(file) != 0 || std::ferror(file)) {
    reportFailure(report, kCantWriteTable, errno);
    return false;
  }
  return true;
}

}  // namespace blankimg
