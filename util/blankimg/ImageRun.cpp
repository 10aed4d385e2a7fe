#include "ImageRun.h"

#include <algorithm>
#include <cerrno>
#include <random>
#include <system_error>

namespace blankimg {
namespace {

namespace fs = std::filesystem;

std::FILE* openExisting(const fs::path& path, bool createNew) {
#ifdef _WIN32
  return ::_wfopen(path.c_str(), createNew ? L"wbx" : L"r+b");
#else
  return std::fopen(path.c_str(), createNew ? "wbx" : "r+b");
#endif
}

// A name of our own beside `target`, created empty so no one else can take it; errno on failure.
std::optional<fs::path> createSibling(const fs::path& target) {
  std::random_device seed;
  std::mt19937 random(seed());
  for (int attempt = 0; attempt < 100; ++attempt) {
    char tag[16];
    std::snprintf(tag, sizeof tag, ".%06x.partial", static_cast<unsigned>(random() & 0xFFFFFF));
    fs::path candidate = target;
    candidate += tag;
    if (std::FILE* file = openExisting(candidate, true)) {
      std::fclose(file);
      return candidate;
    }
    if (errno != EEXIST) return std::nullopt;
  }
  return std::nullopt;
}

// Through a symbolic link to the file it names, so the link itself stays.
fs::path resolveLink(const fs::path& target) {
  std::error_code error;
  if (!fs::is_symlink(fs::symlink_status(target, error))) return target;
  const fs::path real = fs::canonical(target, error);
  return error ? target : real;
}

}  // namespace

std::string notEnoughSpaceText(std::uint64_t imageSizeBytes) {
  return "There is not enough disk space.\n" + std::to_string(imageSizeBytes >> 10) + " Kb is required";
}

std::string cannotCreateText(const std::string& causes) {
  const std::string cause = causes.substr(0, causes.find('\n'));
  return cause.empty() ? std::string(kCannotCreateImage) : std::string(kCannotCreateImage) + "\n" + cause;
}

std::optional<std::uint64_t> availableBytes(const fs::path& directory) {
  std::error_code error;
  const auto info = fs::space(directory, error);
  if (error) return std::nullopt;
  return info.available;
}

fs::path directoryOf(const fs::path& imagePath) {
  const auto parent = imagePath.parent_path();
  return parent.empty() ? fs::path(".") : parent;
}

std::optional<std::string> checkFreeSpace(const fs::path& imagePath, std::uint64_t imageSize,
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

bool writesSameImage(const DiskType& a, const DiskType& b) {
  // Zeros of the same length, and the table (if any) in the same place with as many copies.
  if (blockCount(a) != blockCount(b) || a.sectorSize != b.sectorSize) return false;
  if (hasBadBlockTable(a.badBlockKind) != hasBadBlockTable(b.badBlockKind)) return false;
  return !hasBadBlockTable(a.badBlockKind) || a.sectors == b.sectors;
}

ImageRun::ImageRun(const DiskType& row, fs::path target, std::ostream& report)
    : row_(row), target_(std::move(target)), report_(report) {}

ImageRun::ImageRun(const DiskType& row, std::FILE* stream, std::ostream& report)
    : row_(row), stream_(stream), report_(report) {}

ImageRun::~ImageRun() {
  if (writer_.joinable()) {
    cancel();
    writer_.join();
  }
  finish();
}

PrepareResult ImageRun::prepare(const SpaceQuery& query) {
  if (stream_ != nullptr) return PrepareResult::Ready;
  target_ = resolveLink(target_);
  std::error_code error;
  const fs::file_status status = fs::status(target_, error);
  if (fs::is_directory(status)) {
    reportFailure(report_, kCantOpen, EISDIR);
    return PrepareResult::Failed;
  }
  if (fs::exists(status) && !fs::is_regular_file(status)) {
    written_ = target_;  // a device: written in place, never removed
    return PrepareResult::Ready;
  }
  if (fs::exists(status)) {
    // A file we could not overwrite in place is not replaced behind its back either.
    std::FILE* existing = openExisting(target_, false);
    if (existing == nullptr) {
      reportFailure(report_, kCantOpen, errno);
      return PrepareResult::Failed;
    }
    std::fclose(existing);
    keptPermissions_ = status.permissions();
  }
  const auto sibling = createSibling(target_);
  if (!sibling) {
    reportFailure(report_, kCantOpen, errno);
    return PrepareResult::Failed;
  }
  written_ = *sibling;
  replaces_ = true;
  if (checkFreeSpace(target_, imageSizeBytes(row_), query)) {
    fs::remove(written_, error);
    written_.clear();
    replaces_ = false;
    return PrepareResult::NotEnoughSpace;
  }
  return PrepareResult::Ready;
}

void ImageRun::start() {
  writer_ = std::thread([this] {
    if (stream_ != nullptr)
      result_ = streamImage(stream_, blockCount(row_), row_.sectors, row_.sectorSize, row_.badBlockKind,
                            control_, report_);
    else
      result_ = createImage(written_, blockCount(row_), row_.sectors, row_.sectorSize, row_.badBlockKind,
                            control_, report_);
    finished_.store(true, std::memory_order_release);
  });
}

WriteResult ImageRun::wait() {
  if (writer_.joinable()) writer_.join();
  finish();
  return result_;
}

void ImageRun::finish() {
  if (settled_) return;
  settled_ = true;
  if (!replaces_) return;
  std::error_code error;
  if (result_ == WriteResult::Done) {
    if (keptPermissions_) fs::permissions(written_, *keptPermissions_, error);
    fs::rename(written_, target_, error);
    if (!error) return;
    report_ << kCantRename << ": " << error.message() << '\n' << std::flush;
    result_ = WriteResult::Failed;
  }
  fs::remove(written_, error);
}

}  // namespace blankimg
