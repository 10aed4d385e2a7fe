// One image run around the writer: the free-space check that comes first, the writer thread,
// the ten-step progress figure and the texts the user sees. Qt-free; the dialog and the
// command line drive it the same way.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <thread>

#include "DiskTable.h"
#include "ImageWriter.h"

namespace blankimg {

inline constexpr const char* kErrorCaption = "Error";
inline constexpr const char* kCannotCreateImage = "Error: Cannot create disk image!";

// "There is not enough disk space.\n%d Kb is required"
std::string notEnoughSpaceText(std::uint64_t imageSizeBytes);

// Free bytes available to us on the volume of `directory`, or nothing if it cannot be asked.
using SpaceQuery = std::function<std::optional<std::uint64_t>(const std::filesystem::path& directory)>;
std::optional<std::uint64_t> availableBytes(const std::filesystem::path& directory);

// The folder the image goes into ("." for a bare file name).
std::filesystem::path directoryOf(const std::filesystem::path& imagePath);

// The message that stops the run before anything is written, or nothing when the run may go on
// (enough space, or a volume that cannot be asked).
std::optional<std::string> checkFreeSpace(const std::filesystem::path& imagePath, std::uint64_t imageSize,
                                          const SpaceQuery& query = availableBytes);

// The progress bar's value (0..100 in steps of ten) after `reported` of `totalSectors` steps:
// one step of ten per tenth of the sectors (rounded down), never beyond full.
int progressPercent(std::uint64_t reported, std::uint64_t totalSectors);

// The writer thread of one run. The owner polls sectorsReported() and finished(); nothing of
// the owner is touched from the thread.
class ImageRun {
 public:
  ImageRun(const DiskType& row, std::filesystem::path path, std::ostream& report);
  ~ImageRun();  // cancels and waits: the writer is never left running or killed
  ImageRun(const ImageRun&) = delete;
  ImageRun& operator=(const ImageRun&) = delete;

  void start();
  void cancel() { control_.cancelRequested.store(true); }
  bool finished() const { return finished_.load(std::memory_order_acquire); }
  std::uint64_t sectorsReported() const { return control_.sectorsReported.load(std::memory_order_relaxed); }
  std::uint64_t totalSectors() const { return blockCount(row_); }
  WriteResult wait();  // joins the writer and gives its result

 private:
  const DiskType& row_;
  std::filesystem::path path_;
  std::ostream& report_;
  RunControl control_;
  std::atomic<bool> finished_{false};
  WriteResult result_ = WriteResult::Failed;
  std::thread writer_;
};

}  // namespace blankimg
