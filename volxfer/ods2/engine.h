// The engine's entry points and its process-wide state: at most one mounted volume, one current
// directory and one open stream. Every entry point answers 0 or -1 and leaves a code that
// LastError reports.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "block_device.h"
#include "directory.h"
#include "file_info.h"
#include "stream_file.h"
#include "volume.h"

namespace ods2 {

class Engine {
 public:
  Engine() = default;
  ~Engine();
  Engine(const Engine&) = delete;
  Engine& operator=(const Engine&) = delete;

  // The handle number (0 or more) or -1.
  int VolumeOpen(const char* name, bool read_only);
  int VolumeClose(int handle);
  int VolumeQuery(VolumeInfo* info);
  int LastError() const;

  int DirSearch(const char* specification, FileInfo* info);
  int ChangeDir(const char* specification);
  int ChangeDirUp();
  // Makes the directory with this id current (the way back after working in another one);
  // `trail` is what ChangeDirUp then goes back through (DirectoryTrail of that time), empty to
  // follow back links.
  int ChangeDirTo(FileId id, std::vector<FileId> trail = {});
  FileId CurrentDirectoryId() const;
  const std::vector<FileId>& DirectoryTrail() const { return entered_from_; }

  // The record format a binary StreamCreate declares: fixed 512-byte records until set otherwise.
  // The bytes written are stored as they are whatever it says. `record_size` counts for fixed
  // records only; a file declared so with `whole_records` must end on a record boundary.
  struct BinaryFormat {
    std::uint8_t type = StreamFile::kFixedFormat;
    std::uint16_t record_size = 512;
    bool whole_records = false;
  };
  void SetBinaryFormat(BinaryFormat format) { binary_format_ = format; }
  const BinaryFormat& binary_format() const { return binary_format_; }

  // The one transfer stream: opened on a file of the current directory or created in it.
  int StreamOpen(const char* specification, bool text);
  int StreamCreate(const char* specification, bool text, std::uint32_t estimated_blocks);
  // Bytes read (short, possibly 0, at the end of the file with code 13) or -1.
  std::int64_t StreamRead(void* buffer, std::size_t length);
  // Bytes taken (fewer than given on failure) or -1.
  std::int64_t StreamWrite(const void* buffer, std::size_t count);
  // Ends a pending text line, writes the file back and puts everything changed on disk.
  int StreamClose();
  // Ends a transfer that failed: a file the stream created is taken off the volume again (entry,
  // headers, clusters), a file it opened is closed. The code of the failure stays.
  int StreamDiscard();
  // The open stream's revision date as Unix time; false when none is recorded (or before 1970).
  bool StreamRevisionTime(std::int64_t& unix_seconds, long& nanoseconds) const;

  // Creates directory NAME (no type, upper case) in the current directory, as VMS makes one;
  // `created`, when given, receives its id. Code 19 when NAME.DIR exists.
  int MakeDirectory(const char* name, FileId* created = nullptr);

  // Why a file DeleteFiles matched is still there.
  enum class Kept { kNothing, kReserved, kDirectoryNotEmpty, kDirectoryInUse, kFailed };
  struct Deletion {
    std::string name;  // NAME.TYPE;VERSION
    Kept kept = Kept::kNothing;
    int code = 0;  // for kFailed
  };
  // Takes every file of the current directory that `specification` matches off the volume (entry,
  // headers, clusters): wildcards as in listings, ";*" every version, no version the newest.
  // Reserved files, directories that are not empty and directories on the way to the current
  // one (or to one in `in_use`) stay. -1 with code 14 when nothing matches, nothing removed when
  // the directory is damaged; otherwise 0 and one Deletion per match, in directory order.
  int DeleteFiles(const char* specification, std::vector<Deletion>& deletions,
                  const std::vector<FileId>& in_use = {});

  // For tests and tools that look below the entry points.
  Volume* volume() { return volume_.get(); }
  DirectoryFile* current_directory() { return current_directory_; }
  StreamFile* stream() { return stream_.get(); }

 private:
  void SetError(int code) {
    if (volume_) volume_->SetError(code);
  }
  bool RemoveCreated(StreamFile& stream);
  Deletion DeleteOne(const LookupResult& match, const std::vector<FileId>& in_use);
  void MakeCurrent(std::unique_ptr<DirectoryFile> directory);
  void DropCurrentDirectory();

  HandleTable handles_;
  std::unique_ptr<Volume> volume_;
  // Either the volume's master directory or `own_directory_`.
  DirectoryFile* current_directory_ = nullptr;
  std::unique_ptr<DirectoryFile> own_directory_;
  // The directories `ChangeDir` went down from, innermost last.
  std::vector<FileId> entered_from_;
  std::unique_ptr<StreamFile> stream_;
  BinaryFormat binary_format_;
};

}  // namespace ods2
