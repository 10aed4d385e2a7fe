// A host file for the transfer commands: closed on every path, read and written through a buffer
// of its own so that the 512-byte transfer chunks do not each cost a system call.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace volxfer {

class HostFile {
 public:
  // Each returns false with errno set.
  bool OpenForReading(const std::string& name);
  bool CreateForWriting(const std::string& name);  // replaces an existing file
  ~HostFile() { Close(); }
  HostFile() = default;
  HostFile(const HostFile&) = delete;
  HostFile& operator=(const HostFile&) = delete;

  // Size in bytes of the opened file; false when it cannot be taken.
  bool Size(std::uint64_t& size) const;
  // Bytes read (0 at the end) or -1.
  std::int64_t Read(std::span<std::uint8_t> out);
  bool Write(std::span<const std::uint8_t> in);
  // Writes out what is buffered; false on failure.
  bool Close();

 private:
  bool Drain();
  int fd_ = -1;
  bool writing_ = false;
  std::vector<std::uint8_t> buffer_;
  std::size_t begin_ = 0;  // reading: next byte to hand out
  std::size_t end_ = 0;    // bytes held
};

}  // namespace volxfer
