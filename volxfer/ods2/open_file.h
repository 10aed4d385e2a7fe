// An accessed file: its chain of headers, an optional window of its blocks, and the variants the
// engine uses (directory, bitmap; streams come with the transfer commands).
#pragma once

#include <cstdint>
#include <vector>

#include "bitmap_view.h"
#include "file_header.h"
#include "file_id.h"
#include "file_info.h"

namespace ods2 {

class Volume;

// A run of a file's blocks in memory. first_vbn is 0-based; it starts at -count (nothing held).
struct BlockWindow {
  explicit BlockWindow(std::uint32_t blocks)
      : data(static_cast<std::size_t>(blocks) * kBlockSize),
        count(blocks),
        lbns(blocks),
        first_vbn(-static_cast<std::int64_t>(blocks)) {}
  std::vector<std::uint8_t> data;
  std::uint32_t count;
  std::vector<std::uint64_t> lbns;
  std::int64_t first_vbn;
};

// Window requests of Access.
inline constexpr int kNoWindow = 0;
inline constexpr int kWholeFile = 255;

class OpenFile {
 public:
  virtual ~OpenFile() = default;
  // The variant's check, made after Access.
  virtual bool Check() const { return true; }

  // Reads and checks the header chain of `id`; on failure nothing is left accessed.
  bool Access(Volume& volume, int window_request, const FileId& id);
  // Moves `count` blocks from 0-based VBN `vbn` between disk and the window's start: the number
  // moved, or -1.
  std::int64_t MapBlocks(std::uint32_t vbn, std::uint32_t count, bool write);
  // As MapBlocks, but only points the window at the blocks and fills it with zeros: for blocks
  // about to be written whole whose old content nobody may see.
  std::int64_t MapBlocksZeroed(std::uint32_t vbn, std::uint32_t count);
  bool Flush();
  void Deaccess();
  // Replaces the window by an empty one of `blocks` blocks (at least one), nothing read yet.
  void MakeEmptyWindow(std::uint32_t blocks);
  bool accessed() const { return !headers_.empty(); }

  void GetAttributes(FileInfo& info) const;
  void SetAttributes(const FileInfo& info);

  std::vector<FileHeader>& headers() { return headers_; }
  const std::vector<FileHeader>& headers() const { return headers_; }
  const FileHeader& first_header() const { return headers_.front(); }
  FileHeader& first_header() { return headers_.front(); }
  BlockWindow* window() { return window_ ? &*window_ : nullptr; }
  const BlockWindow* window() const { return window_ ? &*window_ : nullptr; }
  void MarkDataModified() { data_modified_ = true; }
  void MarkHeaderModified() { header_modified_ = true; }
  Volume* volume() const { return volume_; }
  // Only a file this session created may give its clusters back when it is released marked for
  // delete: any other such file may still be entered in a directory, and merely looking at it
  // (a listing) must never change the volume.
  void MarkCreatedHere() { created_here_ = true; }

 protected:
  bool data_modified_ = false;

 private:
  enum class Transfer { kRead, kWrite, kNone };
  std::int64_t MapRuns(std::uint32_t vbn, std::uint32_t count, Transfer transfer);
  bool ReadChain(const FileId& id);
  bool MakeWindow(int window_request, const FileId& id);
  bool FillWindow(std::uint32_t blocks);
  void ReleaseMarkedForDelete();

  Volume* volume_ = nullptr;
  std::vector<FileHeader> headers_;
  std::optional<BlockWindow> window_;
  bool header_modified_ = false;
  bool created_here_ = false;
};

class DirectoryFile : public OpenFile {
 public:
  bool Check() const override;
};

class BitmapFile : public OpenFile {
 public:
  BitmapView& bitmap() { return bitmap_; }
  const BitmapView& bitmap() const { return bitmap_; }
  // Builds the view over `bit_count` bits from window byte `offset`; false when they do not fit.
  bool MakeView(std::size_t offset, std::uint32_t bit_count, bool set_means_free);

 private:
  BitmapView bitmap_;
};

}  // namespace ods2
