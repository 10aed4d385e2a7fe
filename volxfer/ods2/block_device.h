// The engine's only contact with the host: an image file or raw disk moved in whole 512-byte
// blocks at 64-bit byte offsets, so volumes of 2 GiB and more are served.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace ods2 {

inline constexpr std::size_t kBlockSize = 512;

class BlockDevice {
 public:
  // Opens an existing image or device without locking others out; null on failure (errno set).
  static std::unique_ptr<BlockDevice> Open(const std::string& path, bool read_only);
  ~BlockDevice();
  BlockDevice(const BlockDevice&) = delete;
  BlockDevice& operator=(const BlockDevice&) = delete;

  // Each moves exactly data.size() bytes (a multiple of 512) or fails; a short transfer is a
  // failure with errno EIO.
  bool Read(std::uint64_t lbn, std::span<std::uint8_t> data);
  bool Write(std::uint64_t lbn, std::span<const std::uint8_t> data);
  bool Sync();
  bool read_only() const { return read_only_; }
  // Whole blocks the image or device holds, taken when it was opened.
  std::uint64_t block_count() const { return block_count_; }

 private:
  BlockDevice(int fd, bool read_only, std::uint64_t block_count)
      : fd_(fd), read_only_(read_only), block_count_(block_count) {}
  int fd_;
  bool read_only_;
  std::uint64_t block_count_;
};

// Host devices by small handle numbers: the lowest free slot is taken, the table grows by 16.
class HandleTable {
 public:
  int Register(std::unique_ptr<BlockDevice> device);
  BlockDevice* Lookup(int handle) const;
  void Release(int handle);
  std::size_t capacity() const { return slots_.size(); }

 private:
  std::vector<std::unique_ptr<BlockDevice>> slots_;
};

}  // namespace ods2
