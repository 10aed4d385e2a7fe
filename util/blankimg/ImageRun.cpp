#include "ImageRun.h"

#include <algorithm>
#include <system_error>

namespace blankimg {

std::string notEnoughSpaceText(std::uint64_t imageSizeBytes) {
  return "There is not enough disk space.\n" + std::to_string(imageSizeBytes >> 10) + " Kb is required";
}

std::optional<std::uint64_t> availableBytes(const std::filesystem::path& directory) {
  std::error_code error;
  const auto info = std::filesystem::space(directory, error);
  if (error) return std::nullopt;
  return info.available;
}

std::filesystem::path directoryOf(const std::filesystem::path& imagePath) {
  const auto parent = imagePath.parent_path();
  return parent.empty() ? std::filesystem::path(".") : parent;
}

std::optional<std::string> checkFreeSpace(const std::filesystem::path& imagePath, std::uint64_t imageSize,
                                          const SpaceQuery& query) {
  const auto free = query(directoryOf(imagePath));
  if (free && *free < imageSize) return notEnoughSpaceText(imageSize);
  return std::nullopt;
}

int progressPercent(std::uint64_t reported, std::uint64_t totalSectors) {
  if (totalSectors > 0 && reported >= totalSectors) return 100;
  // A tenth of fewer than ten sectors rounds to zero; count every sector as a step then.
  const std::uint64_t perStep = std::max<std::uint64_t>(1, totalSectors / 10);
  return static_cast<int>(std::min<std::uint64_t>(10, reported / perStep) * 10);
}

ImageRun::ImageRun(const DiskType& row, std::filesystem::path path, std::ostream& report)
    : row_(row), path_(std::move(path)), report_(report) {}

ImageRun::~ImageRun() {
  if (writer_.joinable()) {
    cancel();
    writer_.join();
  }
}

void ImageRun::start() {
  writer_ = std::thread([this] {
    result_ = createImage(path_, blockCount(row_), row_.sectors, row_.sectorSize, row_.badBlockKind, control_,
                          report_);
    finished_.store(true, std::memory_order_release);
  });
}

WriteResult ImageRun::wait() {
  if (writer_.joinable()) writer_.join();
  return result_;
}

}  // namespace blankimg
