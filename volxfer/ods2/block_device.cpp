#include "block_device.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>

namespace ods2 {

namespace {
std::uint64_t SizeInBlocks(int fd) {
  // lseek to the end works for regular files and block devices alike.
  off_t end = ::lseek(fd, 0, SEEK_END);
  if (end < 0) return 0;
  return static_cast<std::uint64_t>(end) / kBlockSize;
}

bool TransferAll(int fd, std::uint64_t lbn, std::uint8_t* data, std::size_t size, bool write) {
  if (lbn > static_cast<std::uint64_t>(INT64_MAX) / kBlockSize - size) {
    errno = EINVAL;
    return false;
  }
  off_t offset = static_cast<off_t>(lbn * kBlockSize);
  std::size_t done = 0;
  while (done < size) {
    ssize_t moved = write ? ::pwrite(fd, data + done, size - done, offset + static_cast<off_t>(done))
                          : ::pread(fd, data + done, size - done, offset + static_cast<off_t>(done));
    if (moved < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (moved == 0) {
      errno = EIO;
      return false;
    }
    done += static_cast<std::size_t>(moved);
  }
  return true;
}
}  // namespace

std::unique_ptr<BlockDevice> BlockDevice::Open(const std::string& path, bool read_only) {
  int fd = ::open(path.c_str(), (read_only ? O_RDONLY : O_RDWR) | O_CLOEXEC);
  if (fd < 0) return nullptr;
  struct stat st {};
  // Only files and block devices hold blocks at offsets; a pipe or terminal would just block.
  if (::fstat(fd, &st) != 0 || !(S_ISREG(st.st_mode) || S_ISBLK(st.st_mode))) {
    ::close(fd);
    errno = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    return nullptr;
  }
  return std::unique_ptr<BlockDevice>(new BlockDevice(fd, read_only, SizeInBlocks(fd)));
}

BlockDevice::~BlockDevice() {
  ::close(fd_);
}

bool BlockDevice::Read(std::uint64_t lbn, std::span<std::uint8_t> data) {
  return TransferAll(fd_, lbn, data.data(), data.size(), false);
}

bool BlockDevice::Write(std::uint64_t lbn, std::span<const std::uint8_t> data) {
  if (read_only_) {
    errno = EBADF;
    return false;
  }
  return TransferAll(fd_, lbn, const_cast<std::uint8_t*>(data.data()), data.size(), true);
}

bool BlockDevice::Sync() {
  return read_only_ || ::fsync(fd_) == 0;
}

int HandleTable::Register(std::unique_ptr<BlockDevice> device) {
  for (std::size_t i = 0; i < slots_.size(); ++i) {
    if (!slots_[i]) {
      slots_[i] = std::move(device);
      return static_cast<int>(i);
    }
  }
  std::size_t first_new = slots_.size();
  slots_.resize(first_new + 16);
  slots_[first_new] = std::move(device);
  return static_cast<int>(first_new);
}

BlockDevice* HandleTable::Lookup(int handle) const {
  if (handle < 0 || static_cast<std::size_t>(handle) >= slots_.size()) return nullptr;
  return slots_[static_cast<std::size_t>(handle)].get();
}

void HandleTable::Release(int handle) {
  if (handle < 0 || static_cast<std::size_t>(handle) >= slots_.size()) return;
  slots_[static_cast<std::size_t>(handle)].reset();
  for (const auto& slot : slots_)
    if (slot) return;
  // Nothing left open: give the storage back.
  slots_.clear();
  slots_.shrink_to_fit();
}

}  // namespace ods2
