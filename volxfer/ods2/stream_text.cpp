// Reading a file as host text lines (13 10 at each line end), whatever its record format.
#include <algorithm>
#include <cstring>

#include "stream_file.h"
#include "volume.h"

namespace ods2 {

namespace {
constexpr std::uint8_t kCarriageReturn = 13;
constexpr std::uint8_t kLineFeed = 10;
constexpr std::uint8_t kDefaultVfcSize = 2;
// Print-file carriage control bytes: 0 nothing; 0nnnnnnn n line feeds; 100ccccc the control
// character c; anything else (device-specific forms control) one line end.
constexpr std::uint8_t kControlCharacterBit = 0x80;
constexpr std::uint8_t kControlKindMask = 0xE0;
constexpr std::uint8_t kControlCharacterMask = 0x1F;
constexpr std::uint8_t kLineCountMask = 0x7F;

// Some software records the length of fixed records only as the largest record size.
std::uint32_t FixedRecordLength(const FileHeader& header) {
  return header.record_size() != 0 ? header.record_size() : header.max_record_size();
}

bool IsStreamFormat(std::uint8_t format) {
  return format == StreamFile::kStreamFormat || format == StreamFile::kStreamLfFormat ||
         format == StreamFile::kStreamCrFormat;
}
}  // namespace

bool StreamFile::LoadForReading(std::uint64_t size) {
  std::uint64_t block = position / kBlockSize;
  if (InWindow(block) || LoadWindow(block, BlocksFor(size))) return true;
  volume()->SetError(ErrReadingFile);
  return false;
}

bool StreamFile::ByteAt(std::uint64_t at, std::uint8_t& byte) {
  std::uint64_t saved = position;
  position = at;
  bool ok = LoadForReading(first_header().FileSize());
  if (ok) byte = window()->data[WindowOffset()];
  position = saved;
  return ok;
}

std::size_t StreamFile::TakePending(std::span<std::uint8_t> out) {
  std::size_t n = std::min(out.size(), pending_.size() - pending_at_);
  std::memcpy(out.data(), pending_.data() + pending_at_, n);
  pending_at_ += n;
  if (pending_at_ == pending_.size()) {
    pending_.clear();
    pending_at_ = 0;
  }
  return n;
}

void StreamFile::QueueLineEnd() {
  pending_.push_back(kCarriageReturn);
  pending_.push_back(kLineFeed);
  line_open_ = false;
}

void StreamFile::QueueCarriageControl(std::uint8_t control, bool prefix) {
  if (control == 0) {
    if (!prefix) line_open_ = true;  // the next record continues this line
  } else if (!(control & kControlCharacterBit)) {
    // Line feeds before a record first end a line left open; one of them only starts the line.
    int ends = (control & kLineCountMask) - (prefix && !line_open_ ? 1 : 0);
    for (int i = 0; i < ends; ++i) QueueLineEnd();
    line_open_ = prefix;
  } else if ((control & kControlKindMask) == kControlCharacterBit) {
    std::uint8_t character = control & kControlCharacterMask;
    if (prefix) {
      pending_.push_back(character);
      line_open_ = true;
    } else {
      if (character != kCarriageReturn) pending_.push_back(character);
      QueueLineEnd();
    }
  } else if (!prefix) {
    QueueLineEnd();
  }
}

// Reads what stands before a record's data: its count word (not for fixed records), the fixed
// control bytes of VFC and the carriage control byte of FORTRAN control.
bool StreamFile::StartRecord(std::uint8_t format, std::uint64_t size) {
  const FileHeader& header = first_header();
  if (format == kFixedFormat) {
    remaining_ = FixedRecordLength(header);
  } else {
    std::uint8_t low = 0, high = 0;
    if (position + 2 > size || !ByteAt(position, low) || !ByteAt(position + 1, high)) {
      if (volume()->error() == ErrNone) volume()->SetError(ErrInvalidTextFile);
      return false;
    }
    remaining_ = static_cast<std::uint32_t>(low | high << 8);
    // Count words only stand before records of sequential files.
    if ((header.record_type_byte() >> 4) == 0) position += 2;
  }
  postfix_control_ = 0;
  if (format == kVfcFormat) {
    std::uint32_t fixed = header.vfc_size() == 0 ? kDefaultVfcSize : header.vfc_size();
    std::uint8_t prefix = 0;
    if (remaining_ < fixed || position + fixed > size || !ByteAt(position, prefix) ||
        (fixed > 1 && !ByteAt(position + 1, postfix_control_))) {
      if (volume()->error() == ErrNone) volume()->SetError(ErrInvalidTextFile);
      return false;
    }
    position += fixed;
    remaining_ -= fixed;
    if (print_file_) QueueCarriageControl(prefix, true);
  }
  if (header.record_attributes() & FileHeader::kFortranCarriageControl) {
    // The carriage control byte is part of the count; it is skipped, not given as data.
    position += 1;
    if (remaining_ > 0) --remaining_;
  }
  in_record_ = true;
  return true;
}

std::int64_t StreamFile::ReadText(std::span<std::uint8_t> out) {
  const std::uint8_t format = first_header().record_type_byte() & 0x0F;
  if (format == kUndefinedFormat) return ReadBinary(out);
  if (IsStreamFormat(format)) return ReadStreamText(out);
  if (format != kFixedFormat && format != kVariableFormat && format != kVfcFormat) {
    volume()->SetError(ErrInvalidTextFile);
    return -1;
  }
  print_file_ =
      format == kVfcFormat && (first_header().record_attributes() & FileHeader::kPrintFileCarriageControl);
  const std::uint64_t size = first_header().FileSize();
  std::size_t done = 0;
  while (done < out.size()) {
    if (pending_at_ < pending_.size()) {
      done += TakePending(out.subspan(done));
      continue;
    }
    if (!in_record_) {
      if (position % 2 != 0) ++position;  // records start on a word
      if (position >= size) {
        if (line_open_) {
          QueueLineEnd();
          continue;
        }
        volume()->SetError(ErrEof);
        break;
      }
      if (format == kFixedFormat && FixedRecordLength(first_header()) == 0) {
        volume()->SetError(ErrInvalidTextFile);
        return -1;
      }
      if (!StartRecord(format, size)) return -1;
      continue;
    }
    if (remaining_ == 0) {
      in_record_ = false;
      if (print_file_)
        QueueCarriageControl(postfix_control_, false);
      else
        QueueLineEnd();
      continue;
    }
    if (position >= size) {
      volume()->SetError(ErrInvalidTextFile);  // the file ends inside a record
      return -1;
    }
    if (!LoadForReading(size)) return -1;
    std::size_t run = std::min<std::uint64_t>(
        {remaining_, WindowEnd() - WindowOffset(), size - position, out.size() - done});
    std::memcpy(out.data() + done, window()->data.data() + WindowOffset(), run);
    done += run;
    position += run;
    remaining_ -= static_cast<std::uint32_t>(run);
    line_open_ = true;
  }
  return static_cast<std::int64_t>(done);
}

// Stream formats: the stored bytes, each record's terminator made a host line end (10 for
// Stream_LF, 13 for Stream_CR, 10 or 13 10 for stream; a 13 before a 10 belongs to the line end).
std::int64_t StreamFile::ReadStreamText(std::span<std::uint8_t> out) {
  const std::uint8_t format = first_header().record_type_byte() & 0x0F;
  const std::uint64_t size = first_header().FileSize();
  std::size_t done = 0;
  while (done < out.size()) {
    if (pending_at_ < pending_.size()) {
      done += TakePending(out.subspan(done));
      continue;
    }
    if (position >= size) {
      if (carriage_return_held_) {
        carriage_return_held_ = false;
        pending_.push_back(kCarriageReturn);
        continue;
      }
      volume()->SetError(ErrEof);
      break;
    }
    if (!LoadForReading(size)) return -1;
    const std::uint8_t* at = window()->data.data() + WindowOffset();
    std::uint8_t byte = *at;
    if (byte == kLineFeed && format != kStreamCrFormat) {
      carriage_return_held_ = false;
      QueueLineEnd();
      ++position;
      continue;
    }
    if (carriage_return_held_) {
      carriage_return_held_ = false;
      pending_.push_back(kCarriageReturn);
      continue;
    }
    if (byte == kCarriageReturn) {
      ++position;
      if (format == kStreamCrFormat)
        QueueLineEnd();
      else
        carriage_return_held_ = true;
      continue;
    }
    std::size_t limit =
        std::min<std::uint64_t>({WindowEnd() - WindowOffset(), size - position, out.size() - done});
    std::size_t run = 0;
    auto ends_run = [format](std::uint8_t b) {
      return b == kCarriageReturn || (b == kLineFeed && format != kStreamCrFormat);
    };
    while (run < limit && !ends_run(at[run])) ++run;
    std::memcpy(out.data() + done, at, run);
    done += run;
    position += run;
  }
  return static_cast<std::int64_t>(done);
}

}  // namespace ods2
