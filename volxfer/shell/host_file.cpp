#include "host_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <cstring>

namespace volxfer {

namespace {
constexpr std::size_t kBufferSize = 1 << 16;
}  // namespace

bool HostFile::OpenForReading(const std::string& name) {
  Close();
  int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st {};
  // A folder opens on this host but has no bytes to copy.
  if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    ::close(fd);
    errno = EISDIR;
    return false;
  }
  fd_ = fd;
  writing_ = false;
  buffer_.resize(kBufferSize);
  begin_ = end_ = 0;
  return true;
}

bool HostFile::CreateForWriting(const std::string& name) {
  Close();
  fd_ = ::open(name.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd_ < 0) return false;
  writing_ = true;
  buffer_.resize(kBufferSize);
  begin_ = end_ = 0;
  return true;
}

bool HostFile::Size(std::uint64_t& size) const {
  struct stat st {};
  if (fd_ < 0 || ::fstat(fd_, &st) != 0) return false;
  size = static_cast<std::uint64_t>(st.st_size);
  return true;
}

std::int64_t HostFile::Read(std::span<std::uint8_t> out) {
  if (begin_ == end_) {
    ssize_t n;
    do n = ::read(fd_, buffer_.data(), buffer_.size());
    while (n < 0 && errno == EINTR);
    if (n < 0) return -1;
    begin_ = 0;
    end_ = static_cast<std::size_t>(n);
  }
  std::size_t run = std::min(out.size(), end_ - begin_);
  std::memcpy(out.data(), buffer_.data() + begin_, run);
  begin_ += run;
  return static_cast<std::int64_t>(run);
}

bool HostFile::Write(std::span<const std::uint8_t> in) {
  while (!in.empty()) {
    if (end_ == buffer_.size() && !Drain()) return false;
    std::size_t run = std::min(in.size(), buffer_.size() - end_);
    std::memcpy(buffer_.data() + end_, in.data(), run);
    end_ += run;
    in = in.subspan(run);
  }
  return true;
}

bool HostFile::Drain() {
  std::size_t at = 0;
  while (at < end_) {
    ssize_t n = ::write(fd_, buffer_.data() + at, end_ - at);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = EIO;
      end_ = 0;
      return false;
    }
    at += static_cast<std::size_t>(n);
  }
  end_ = 0;
  return true;
}

bool HostFile::Close() {
  if (fd_ < 0) return true;
  bool ok = !writing_ || Drain();
  int saved = errno;
  if (::close(fd_) != 0)
    ok = false;
  else
    errno = saved;
  fd_ = -1;
  return ok;
}

}  // namespace volxfer
