// The one file the engine holds open for a transfer: a byte stream over the file's blocks through
// a one-block window (the whole file when it is contiguous), read or written in binary (the
// stored bytes) or text (variable-length records as lines ending in 13 10, and back). Runs of
// bytes move within the window at once; the blocks reach the disk as they would byte by byte.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "open_file.h"

namespace ods2 {

inline std::uint64_t BlocksFor(std::uint64_t bytes) {
  return (bytes + kBlockSize - 1) / kBlockSize;
}

class StreamFile : public OpenFile {
 public:
  // Record formats (the low half of the record type byte).
  static constexpr std::uint8_t kUndefinedFormat = 0;
  static constexpr std::uint8_t kFixedFormat = 1;
  static constexpr std::uint8_t kVariableFormat = 2;
  static constexpr std::uint8_t kVfcFormat = 3;
  static constexpr std::uint8_t kStreamFormat = 4;
  static constexpr std::uint8_t kStreamLfFormat = 5;
  static constexpr std::uint8_t kStreamCrFormat = 6;
  // Longest line a text record takes.
  static constexpr std::size_t kRecordLimit = 65533;

  bool text = false;
  bool created = false;                 // made by StreamCreate (and so written to)
  std::uint32_t extension_quantum = 0;  // blocks asked of Extend when writing passes the allocation
  std::uint32_t estimated_blocks = 0;   // the size StreamCreate was told the file will have
  std::uint64_t position = 0;
  // A created binary file declared of fixed records of this size must end on a record (0: any).
  std::uint32_t whole_record_size = 0;
  // Where a created file is entered, so that a failed transfer can take it out again.
  FileId directory;
  std::string entry_name;
  std::uint16_t entry_version = 0;

  // Each returns the bytes moved. Reads stop short at the end of the file (code 13) and answer -1
  // on any other failure; writes stop at the first failure with its code set.
  std::int64_t ReadBinary(std::span<std::uint8_t> out);
  std::int64_t WriteBinary(std::span<const std::uint8_t> in);
  // Lines ending in 13 10 from records of every sequential format (stream_text.cpp): variable,
  // VFC (its fixed control bytes dropped; print-file control turned into line ends), fixed,
  // stream, Stream_LF and Stream_CR; undefined format is given as stored.
  std::int64_t ReadText(std::span<std::uint8_t> out);
  std::int64_t WriteText(std::span<const std::uint8_t> in);
  // Stores the collected line as one record: count word, data, a pad byte for an odd count. The
  // bytes written, or -1; the line is dropped either way.
  std::int64_t EndRecord();
  bool HasPendingRecord() const { return !line_.empty(); }

 private:
  bool InWindow(std::uint64_t block) const;
  // Brings `block` (and what follows, up to the window's size and `limit`) into the window.
  bool LoadWindow(std::uint64_t block, std::uint64_t limit);
  bool LoadWindowForWriting(std::uint64_t block);
  bool EnsureAllocated(std::uint64_t block);
  std::uint32_t ExtensionRequest() const;
  std::size_t WindowOffset() const;
  std::size_t WindowEnd() const;
  bool AfterWindowFilled();
  // Text reading.
  bool StartRecord(std::uint8_t format, std::uint64_t size);
  bool ByteAt(std::uint64_t at, std::uint8_t& byte);
  bool LoadForReading(std::uint64_t size);
  std::size_t TakePending(std::span<std::uint8_t> out);
  std::int64_t ReadStreamText(std::span<std::uint8_t> out);
  void QueueCarriageControl(std::uint8_t control, bool prefix);
  void QueueLineEnd();

  std::uint32_t remaining_ = 0;  // bytes left of the record being read
  bool in_record_ = false;
  bool line_open_ = false;             // print-file control: the last line has no end yet
  std::vector<std::uint8_t> pending_;  // bytes due before anything more is read
  std::size_t pending_at_ = 0;
  bool print_file_ = false;            // VFC with print-file carriage control
  std::uint8_t postfix_control_ = 0;   // of the record being read
  bool carriage_return_held_ = false;  // stream formats: a 13 that may start a 13 10 line end
  std::vector<std::uint8_t> line_;
};

}  // namespace ods2
