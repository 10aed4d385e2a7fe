// One image run around the writer: the free-space check that comes first, the writer thread,
// the ten-step progress figure and the texts the user sees. Qt-free; the dialog and the
// command line drive it the same way.
#pragma once

#include <cstdint>
#include <cstdio>
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

// The failure box: kCannotCreateImage, and below it the writer's one-line cause when there is one.
std::string cannotCreateText(const std::string& causes);

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

// True when the two rows give byte for byte the same image (the two rx50 rows do), so either
// may be written for the other.
bool writesSameImage(const DiskType& a, const DiskType& b);

enum class PrepareResult { Ready, NotEnoughSpace, Failed };

// The writer thread of one run. The owner polls sectorsReported() and finished(); nothing of
// the owner is touched from the thread.
//
// A run to a path never loses what was there: the writer fills a new file beside the target,
// which takes the target's name only when the image is complete. A failed or cancelled run
// removes that new file and leaves any earlier file of the name as it was. Targets that are
// not plain files (devices) are written in place and never removed.
class ImageRun {
 public:
  ImageRun(const DiskType& row, std::filesystem::path target, std::ostream& report);
  // Writes in order to an open stream (standard output) that stays open.
  ImageRun(const DiskType& row, std::FILE* stream, std::ostream& report);
  ~ImageRun();  // cancels and waits: the writer is never left running or killed
  ImageRun(const ImageRun&) = delete;
  ImageRun& operator=(const ImageRun&) = delete;

  // Creates the file the writer fills, then checks free space on its volume, so a target that
  // cannot be written reports its own cause (on the report) rather than a space shortage.
  // NotEnoughSpace and Failed leave nothing behind.
  PrepareResult prepare(const SpaceQuery& query = availableBytes);
  void start();  // after prepare() answered Ready
  void cancel() { control_.cancelRequested.store(true); }
  bool finished() const { return finished_.load(std::memory_order_acquire); }
  std::uint64_t sectorsReported() const { return control_.sectorsReported.load(std::memory_order_relaxed); }
  std::uint64_t totalSectors() const { return blockCount(row_); }
  // Joins the writer; a complete image then takes the target's name, anything else is removed.
  WriteResult wait();

 private:
  void finish();

  const DiskType& row_;
  std::filesystem::path target_;
  std::filesystem::path written_;  // the file the writer fills
  bool replaces_ = false;          // written_ is ours and is renamed over target_ when done
  std::optional<std::filesystem::perms> keptPermissions_;  // of the file being replaced
  std::FILE* stream_ = nullptr;
  std::ostream& report_;
  RunControl control_;
  std::atomic<bool> finished_{false};
  bool settled_ = false;
  WriteResult result_ = WriteResult::Failed;
  std::thread writer_;
};

// "Can't rename image file": the complete image could not take the target's name.
inline constexpr const char* kCantRename = "Can't rename image file";

}  // namespace blankimg
