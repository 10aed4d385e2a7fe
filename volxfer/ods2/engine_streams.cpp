// The stream entry points of the engine.
#include <algorithm>
#include <array>

#include "directory.h"
#include "engine.h"
#include "file_creation.h"
#include "file_removal.h"

namespace ods2 {

namespace {
// Record formats of the files the engine writes.
constexpr std::uint8_t kFixedRecords = StreamFile::kFixedFormat;
constexpr std::uint8_t kVariableRecords = StreamFile::kVariableFormat;
constexpr std::uint32_t kTextRecordSize = 255;
// Text records carry "carriage return" carriage control, so that other software shows each record
// as a line (as it does for text files VMS writes) instead of running them together.
constexpr std::uint8_t kCarriageReturnControl = 2;

bool IsStreamFormat(std::uint8_t type) {
  return type == StreamFile::kStreamFormat || type == StreamFile::kStreamLfFormat ||
         type == StreamFile::kStreamCrFormat;
}

// Text files are variable records of at most 255 bytes; binary files what `binary` declares:
// fixed records give their size as record and largest record size, stream files carry carriage
// return control as VMS gives them, undefined and stream files declare no record size.
void SetRecordFormat(FileInfo& attributes, bool text, const Engine::BinaryFormat& binary) {
  if (text) {
    attributes.record_type = kVariableRecords;
    attributes.record_attributes = kCarriageReturnControl;
    attributes.record_size = kTextRecordSize;
  } else {
    attributes.record_type = binary.type;
    attributes.record_attributes = IsStreamFormat(binary.type) ? kCarriageReturnControl : 0;
    attributes.record_size = binary.type == kFixedRecords ? binary.record_size : 0;
  }
  attributes.max_record_size = attributes.record_size;
}
// A file being read or written moves through a window this large (1 MB): each contiguous run of
// an extent goes in one transfer instead of one per block.
constexpr std::uint32_t kTransferWindowBlocks = 2048;
// S:RWED,O:RWED,G:RE,W: as VMS gives new files: a set bit denies read, write, execute, delete.
constexpr std::array<std::uint8_t, 4> kDefaultProtection = {0x0, 0x0, 0xA, 0xF};
}  // namespace

int Engine::StreamOpen(const char* specification, bool text) {
  if (!volume_) return -1;
  SetError(ErrNone);
  if (stream_) {
    SetError(ErrFileOpened);
    return -1;
  }
  if (!specification) {
    SetError(ErrInvalidArgument);
    return -1;
  }
  std::uint32_t cursor = 0;
  auto found = Lookup(*volume_, false, current_directory_->first_header().file_id(), cursor, specification);
  if (!found) {
    if (volume_->error() == ErrNone) SetError(ErrFileNotFound);
    return -1;
  }
  auto stream = std::make_unique<StreamFile>();
  if (!stream->Access(*volume_, kNoWindow, found->id)) return -1;
  stream->MakeEmptyWindow(std::min(stream->first_header().highest_allocated_vbn(), kTransferWindowBlocks));
  stream->text = text;
  stream_ = std::move(stream);
  return 0;
}

int Engine::StreamCreate(const char* specification, bool text, std::uint32_t estimated_blocks) {
  if (!volume_) return -1;
  SetError(ErrNone);
  if (volume_->read_only()) {
    SetError(ErrReadOnly);
    return -1;
  }
  if (stream_) {
    SetError(ErrFileOpened);
    return -1;
  }
  if (!specification) {
    SetError(ErrInvalidArgument);
    return -1;
  }
  FileInfo directory;
  current_directory_->GetAttributes(directory);
  FileInfo attributes;
  attributes.owner_member = directory.owner_member;
  attributes.owner_group = directory.owner_group;
  // The owner is the directory's; the protection is the usual one for new files, not the
  // directory's (whose delete bits would keep the owner from deleting the file on VMS).
  attributes.protection = kDefaultProtection;
  SetRecordFormat(attributes, text, binary_format_);
  auto stream = std::make_unique<StreamFile>();
  if (!MakeFile(*volume_, *stream, current_directory_->first_header().file_id(), specification, 1)) return -1;
  stream->SetAttributes(attributes);
  StampNewFile(stream->first_header());
  if (!stream->Flush()) {
    stream->Deaccess();
    return -1;
  }
  stream->text = text;
  stream->created = true;
  if (!text && binary_format_.whole_records && binary_format_.type == kFixedRecords)
    stream->whole_record_size = binary_format_.record_size;
  stream->MakeEmptyWindow(kTransferWindowBlocks);  // written a window at a time, not block by block
  FileSpecification spec = ParseSpecification(specification);
  stream->directory = current_directory_->first_header().file_id();
  stream->entry_name = spec.name;
  stream->entry_version = static_cast<std::uint16_t>(spec.version == 0 ? 1 : spec.version);
  std::uint64_t c = volume_->cluster_factor();
  stream->extension_quantum =
      static_cast<std::uint32_t>(std::min<std::uint64_t>((estimated_blocks + c - 1) / c * c, UINT32_MAX));
  stream->estimated_blocks = estimated_blocks;
  stream_ = std::move(stream);
  return 0;
}

std::int64_t Engine::StreamRead(void* buffer, std::size_t length) {
  if (!volume_) return -1;
  if (!stream_) {
    SetError(ErrInvalidHandle);
    return -1;
  }
  if (!buffer || length == 0) {
    SetError(ErrInvalidArgument);
    return -1;
  }
  SetError(ErrNone);
  std::span<std::uint8_t> out(static_cast<std::uint8_t*>(buffer), length);
  return stream_->text ? stream_->ReadText(out) : stream_->ReadBinary(out);
}

std::int64_t Engine::StreamWrite(const void* buffer, std::size_t count) {
  if (!volume_) return -1;
  if (volume_->read_only()) {
    SetError(ErrReadOnly);
    return -1;
  }
  if (!stream_) {
    SetError(ErrInvalidHandle);
    return -1;
  }
  if (!buffer || count == 0) {
    SetError(ErrInvalidArgument);
    return -1;
  }
  SetError(ErrNone);
  std::span<const std::uint8_t> in(static_cast<const std::uint8_t*>(buffer), count);
  return stream_->text ? stream_->WriteText(in) : stream_->WriteBinary(in);
}

int Engine::StreamClose() {
  if (!volume_) return -1;
  if (!stream_) {
    SetError(ErrInvalidHandle);
    return -1;
  }
  SetError(ErrNone);
  bool ok = true;
  if (stream_->HasPendingRecord()) ok = stream_->EndRecord() >= 0;
  int code = volume_->error();
  // A file of fixed records that stops inside one is no such file: it does not stay.
  if (stream_->created && stream_->whole_record_size != 0 &&
      stream_->position % stream_->whole_record_size != 0) {
    ok = false;
    if (code == ErrNone) code = ErrInvalidArgument;
  }
  if (stream_->created) {
    // The file's header and last block, then the bitmaps, all on disk before the caller reports.
    ok = stream_->Flush() && ok;
    ok = volume_->Flush() && ok;
  }
  if (code == ErrNone && !ok) code = ErrDrive;
  // A file that could not be written whole does not stay under its name looking complete.
  if (!ok && stream_->created) RemoveCreated(*stream_);
  stream_->Deaccess();
  stream_.reset();
  SetError(code);
  return ok ? 0 : -1;
}

bool Engine::RemoveCreated(StreamFile& stream) {
  FileId id = stream.first_header().file_id();
  // The file's own writes go first, so that none lands after its blocks were given back.
  stream.Deaccess();
  return RemoveFile(*volume_, stream.directory, stream.entry_name, stream.entry_version, id);
}

bool Engine::StreamRevisionTime(std::int64_t& unix_seconds, long& nanoseconds) const {
  if (!stream_ || !stream_->accessed()) return false;
  std::uint64_t ticks = stream_->first_header().IdentDate(layout::ident::kRevisionDate);
  if (ticks < static_cast<std::uint64_t>(kVmsEpochToUnix * kVmsTicksPerSecond)) return false;
  ticks -= static_cast<std::uint64_t>(kVmsEpochToUnix * kVmsTicksPerSecond);
  unix_seconds = static_cast<std::int64_t>(ticks / kVmsTicksPerSecond);
  nanoseconds = static_cast<long>(ticks % kVmsTicksPerSecond) * 100;
  return true;
}

int Engine::StreamDiscard() {
  if (!volume_) return -1;
  if (!stream_) {
    SetError(ErrInvalidHandle);
    return -1;
  }
  int code = volume_->error();
  bool ok = true;
  if (stream_->created && stream_->accessed()) ok = RemoveCreated(*stream_);
  stream_->Deaccess();
  stream_.reset();
  if (code == ErrNone && !ok) code = volume_->error();
  SetError(code);
  return ok ? 0 : -1;
}

}  // namespace ods2
