// The device base and the mounted ODS-2 volume: home block, index file, master directory and
// storage bitmap, and whole-block transfers with the engine's error code.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

#include "block_device.h"
#include "error_code.h"
#include "home_block.h"
#include "open_file.h"

namespace ods2 {

// A directory's data as last read; it stays good until anything is written to the volume.
struct CachedDirectory {
  FileId id;
  std::uint64_t generation = 0;
  std::vector<std::uint8_t> data;
  std::uint64_t size = 0;  // bytes up to the end of file
};

class Device {
 public:
  explicit Device(HandleTable& handles) : handles_(handles) {}
  virtual ~Device() = default;
  virtual bool Open(int handle, bool read_only);
  virtual bool Close();
  virtual bool Flush() { return true; }

  int handle() const { return handle_; }
  bool read_only() const { return read_only_; }
  int error() const { return error_; }
  void SetError(int code) { error_ = code; }

 protected:
  BlockDevice* host() const { return handles_.Lookup(handle_); }
  void ForgetHandle() { handle_ = -1; }

 private:
  HandleTable& handles_;
  int handle_ = -1;
  bool read_only_ = false;
  int error_ = ErrNone;
};

class Volume : public Device {
 public:
  explicit Volume(HandleTable& handles) : Device(handles) {}
  // Mount; on failure the handle is forgotten and the caller closes the host device.
  bool Open(int handle, bool read_only) override;
  // Dismount: flush, release the reserved files, close the device.
  bool Close() override;
  bool Flush() override;

  bool ReadBlocks(std::uint64_t lbn, std::uint32_t count, std::span<std::uint8_t> buffer);
  bool WriteBlocks(std::uint64_t lbn, std::uint32_t count, std::span<const std::uint8_t> buffer);
  // Told of every write before it is made (tests check the order writes reach the disk in).
  void set_write_observer(std::function<void(std::uint64_t lbn, std::uint32_t count)> observer) {
    write_observer_ = std::move(observer);
  }
  // A directory's data, accessed as a directory file with its whole data in memory; null when it
  // cannot be accessed (code from Access) or is no directory. Listing n names this way reads the
  // directory once, not n + 1 times.
  const CachedDirectory* ReadDirectory(const FileId& id);
  // One header block, read ahead with the blocks that follow it: the headers of a directory's
  // files mostly stand together in the index file, so a listing costs few transfers.
  bool ReadHeaderBlock(std::uint64_t lbn, std::span<std::uint8_t> block);
  // The LBN of file number n's header, or 0 with code 8.
  std::uint64_t HeaderLbn(std::uint32_t file_number);

  const HomeBlock& home_block() const { return home_block_; }
  std::uint32_t cluster_factor() const { return home_block_.cluster_factor(); }
  // Blocks of the index file kept in memory: the four leading clusters and its bitmap.
  std::uint32_t IndexWindowBlocks() const {
    return 4u * home_block_.cluster_factor() + home_block_.index_bitmap_blocks();
  }
  std::uint64_t device_blocks() const;
  BitmapFile& index_file() { return index_file_; }
  DirectoryFile& master_directory() { return master_directory_; }
  BitmapFile& storage_bitmap() { return storage_bitmap_; }
  const BitmapFile& storage_bitmap() const { return storage_bitmap_; }
  // Storage control block figures.
  std::uint32_t scb_volume_size() const;
  std::uint32_t scb_field(std::size_t offset) const;

 private:
  bool FindHomeBlock();
  bool ScanForHomeBlock();
  bool MountIndexFile();
  bool MountStorageBitmap();
  void ReleaseReservedFiles();

  std::uint64_t write_generation_ = 0;
  std::function<void(std::uint64_t, std::uint32_t)> write_observer_;
  std::optional<CachedDirectory> directory_cache_;
  struct HeaderReadAhead {
    std::uint64_t first_lbn = 0;
    std::uint64_t generation = 0;
    std::vector<std::uint8_t> blocks;
  } header_read_ahead_;
  HomeBlock home_block_;
  BitmapFile index_file_;
  DirectoryFile master_directory_;
  BitmapFile storage_bitmap_;
};

}  // namespace ods2
