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

enum class RangeResult { Written, WriteFailed, Cancelled };

// Steps and writes the zero sectors [first, end) in chunks of `zeros`. Cancellation is tested
// before every sector; every sector already stepped is written first, so the output ends where
// the run stopped. On WriteFailed errno holds the cause.
RangeResult writeZeroRange(std::FILE* file, const std::vector<unsigned char>& zeros, std::uint64_t first,
                           std::uint64_t end, std::uint32_t sectorSize, RunControl& control) {
  const std::uint64_t chunkSectors = zeros.size() / std::max<std::uint32_t>(1, sectorSize);
  std::uint64_t pending = 0;  // sectors stepped but not yet handed to the file
  for (std::uint64_t sector = first; sector < end; ++sector) {
    if (control.cancelRequested.load(std::memory_order_relaxed)) {
      return writeZeroSectors(file, zeros, pending, sectorSize) ? RangeResult::Cancelled
                                                                : RangeResult::WriteFailed;
    }
    control.sectorsReported.store(sector + 1, std::memory_order_relaxed);
    if (++pending == chunkSectors) {
      if (!writeZeroSectors(file, zeros, pending, sectorSize)) return RangeResult::WriteFailed;
      pending = 0;
    }
  }
  return writeZeroSectors(file, zeros, pending, sectorSize) ? RangeResult::Written : RangeResult::WriteFailed;
}

// One chunk of zero sectors; false (cause reported) if there is no memory for it.
bool allocateZeros(std::vector<unsigned char>& zeros, std::uint32_t sectorSize, std::ostream& report) {
  const std::size_t chunkSectors =
      std::max<std::size_t>(1, kChunkBytes / std::max<std::uint32_t>(1, sectorSize));
  try {
    zeros.assign(chunkSectors * std::max<std::uint32_t>(1, sectorSize), 0);
  } catch (const std::bad_alloc&) {
    reportFailure(report, kCantAllocate, ENOMEM);
    return false;
  }
  return true;
}

bool tableFitsGeometry(std::uint64_t totalSectors, std::uint32_t sectors, std::uint32_t sectorSize) {
  return sectors >= 2 && sectorSize >= 32 && totalSectors >= sectors;
}

// The table sector: words 0 and 1 the pack serial number, 2 and 3 reserved, then only empty
// entries (0xFFFF), since a fresh image has no bad sectors. Little-endian words.
bool makeTableSector(std::vector<unsigned char>& table, std::uint32_t sectorSize, std::ostream& report) {
  try {
    table.assign(sectorSize, 0xFF);
  } catch (const std::bad_alloc&) {
    reportFailure(report, kCantAllocate, ENOMEM);
    return false;
  }
  constexpr std::uint16_t kPackSerial = 012345;
  const std::uint16_t header[4] = {kPackSerial, kPackSerial, 0, 0};
  for (std::size_t word = 0; word < 4; ++word) {
    table[2 * word] = static_cast<unsigned char>(header[word] & 0xFF);
    table[2 * word + 1] = static_cast<unsigned char>(header[word] >> 8);
  }
  return true;
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

WriteResult failStream(std::ostream& report, const char* message, int errorNumber) {
  reportFailure(report, message, errorNumber);
  return WriteResult::Failed;
}

}  // namespace

void reportFailure(std::ostream& report, const char* message, int errorNumber) {
  report << message << ": " << std::generic_category().message(errorNumber) << '\n' << std::flush;
}

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

  std::vector<unsigned char> zeros;
  if (!allocateZeros(zeros, sectorSize, report)) {
    std::fclose(file);
    return WriteResult::Failed;
  }
  switch (writeZeroRange(file, zeros, 0, totalSectors, sectorSize, control)) {
    case RangeResult::WriteFailed:
      return failAndClose(file, report, kCantWrite, errno);
    case RangeResult::Cancelled:
      if (!closeFile(file)) return failStream(report, kCantWrite, errno);
      return WriteResult::Cancelled;
    case RangeResult::Written:
      break;
  }
  if (hasBadBlockTable(badBlockKind) &&
      !writeBadBlockTable(file, totalSectors, sectors, sectorSize, report)) {
    std::fclose(file);
    return WriteResult::Failed;
  }
  if (!closeFile(file)) return failStream(report, kCantWrite, errno);
  return WriteResult::Done;
}

WriteResult streamImage(std::FILE* stream, std::uint64_t totalSectors, std::uint32_t sectors,
                        std::uint32_t sectorSize, std::uint32_t badBlockKind, RunControl& control,
                        std::ostream& report) {
  const bool withTable = hasBadBlockTable(badBlockKind);
  if (withTable && !tableFitsGeometry(totalSectors, sectors, sectorSize))
    return failStream(report, kBadGeometry, EINVAL);
  std::vector<unsigned char> zeros, table;
  if (!allocateZeros(zeros, sectorSize, report)) return WriteResult::Failed;
  if (withTable && !makeTableSector(table, sectorSize, report)) return WriteResult::Failed;

  // Zeros up to the last track, the table copies, then the rest of the last track.
  const std::uint64_t tableFirst = withTable ? totalSectors - sectors : totalSectors;
  const std::uint64_t tableEnd = withTable ? tableFirst + badBlockTableCopies(sectors) : totalSectors;
  RangeResult result = writeZeroRange(stream, zeros, 0, tableFirst, sectorSize, control);
  for (std::uint64_t sector = tableFirst; sector < tableEnd && result == RangeResult::Written; ++sector) {
    if (control.cancelRequested.load(std::memory_order_relaxed)) return WriteResult::Cancelled;
    control.sectorsReported.store(sector + 1, std::memory_order_relaxed);
    if (std::fwrite(table.data(), 1, table.size(), stream) != table.size())
      return failStream(report, kCantWriteTable, errno);
  }
  if (result == RangeResult::Written)
    result = writeZeroRange(stream, zeros, tableEnd, totalSectors, sectorSize, control);
  if (result == RangeResult::Cancelled) return WriteResult::Cancelled;
  if (result == RangeResult::WriteFailed || std::fflush(stream) != 0)
    return failStream(report, kCantWrite, errno);
  return WriteResult::Done;
}

bool writeBadBlockTable(std::FILE* file, std::uint64_t totalSectors, std::uint32_t sectors,
                        std::uint32_t sectorSize, std::ostream& report) {
  if (!tableFitsGeometry(totalSectors, sectors, sectorSize)) {
    reportFailure(report, kBadGeometry, EINVAL);
    return false;
  }
  if (!seekTo(file, (totalSectors - sectors) * sectorSize)) {
    reportFailure(report, kCantSeek, errno);
    return false;
  }
  std::vector<unsigned char> table;
  if (!makeTableSector(table, sectorSize, report)) return false;
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
