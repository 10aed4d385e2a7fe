// Writes a blank disk image: every sector zero, plus the RL01/RL02 bad block table on the last
// track. Qt-free; runs on the writer thread of the dialog and on the command line's own thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <ostream>

namespace blankimg {

// Shared between the writer and whoever watches it. The writer publishes one step per sector
// before writing it and tests the cancel flag before each sector; nothing else is shared.
struct RunControl {
  std::atomic<std::uint64_t> sectorsReported{0};
  std::atomic<bool> cancelRequested{false};
};

enum class WriteResult { Done, Failed, Cancelled };

// The one-line causes written to `report` (message, ": ", system error text, line feed).
inline constexpr const char* kCantOpen = "Can't open image file";
inline constexpr const char* kCantAllocate = "Can't allocate memory buffer";
inline constexpr const char* kCantWrite = "Can't write image file";
inline constexpr const char* kBadGeometry = "Can't create bad block table for this geometry";
inline constexpr const char* kCantSeek = "Can't make fseek() for bad block table";
inline constexpr const char* kCantWriteTable = "Can't write bad block table";

// Writes one cause line to `report`: message, ": ", the system's text for `errorNumber`.
void reportFailure(std::ostream& report, const char* message, int errorNumber);

// Bad block kinds that get a table on the last track (RL01 and RL02).
constexpr bool hasBadBlockTable(std::uint32_t badBlockKind) {
  return badBlockKind == 2 || badBlockKind == 3;
}

// How many copies of the table sector go on a last track of `sectors` sectors.
constexpr std::uint32_t badBlockTableCopies(std::uint32_t sectors) {
  return sectors < 10 ? sectors : 10;
}

// Creates (or truncates) `path` and fills it with `totalSectors` zero sectors, then the bad block
// table for kinds 2 and 3. A failed or cancelled call leaves the file as far as it was written;
// ImageRun decides what becomes of it.
WriteResult createImage(const std::filesystem::path& path, std::uint64_t totalSectors, std::uint32_t sectors,
                        std::uint32_t sectorSize, std::uint32_t badBlockKind, RunControl& control,
                        std::ostream& report);

// The same image bytes written strictly in order to an open stream that may not seek (a pipe on
// standard output): the table sectors go out in their place instead of being written over
// zeros. The stream is flushed, not closed.
WriteResult streamImage(std::FILE* stream, std::uint64_t totalSectors, std::uint32_t sectors,
                        std::uint32_t sectorSize, std::uint32_t badBlockKind, RunControl& control,
                        std::ostream& report);

// Overwrites the first sectors of the last track of the open `file` with copies of the table.
bool writeBadBlockTable(std::FILE* file, std::uint64_t totalSectors, std::uint32_t sectors,
                        std::uint32_t sectorSize, std::ostream& report);

}  // namespace blankimg
