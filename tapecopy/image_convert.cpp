#include "image_convert.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <vector>

#include "messages.h"
#include "progress.h"
#include "text_format.h"

namespace tapecopy {
namespace {

enum class RecordKind { Block, TapeMark, ErrorRecord, End, Damaged };

struct TapeRecord {
  RecordKind kind = RecordKind::End;
  std::uint64_t offset = 0;  // where the record starts in the input
  std::vector<std::uint8_t> data;
  const char* problem = "";  // Damaged: what is wrong
};

TapeRecord recordAt(RecordKind kind, std::uint64_t offset) {
  TapeRecord record;
  record.kind = kind;
  record.offset = offset;
  return record;
}

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// Reads records of either format; every length is checked against what the file still holds
// before anything is allocated for it.
class ImageReader {
 public:
  ImageReader(std::FILE* file, std::uint64_t size, ImageFormat format)
      : file_(file), size_(size), format_(format) {}
  TapeRecord next() { return format_ == ImageFormat::Kit ? nextKit() : nextSimh(); }

 private:
  TapeRecord nextKit();
  TapeRecord nextSimh();
  bool read(std::uint8_t* out, std::size_t length) {
    if (std::fread(out, 1, length, file_) != length) return false;
    offset_ += length;
    return true;
  }
  bool readData(TapeRecord& record, std::uint64_t length) {
    if (length > size_ - offset_) return false;
    record.data.resize(length);
    return length == 0 || read(record.data.data(), length);
  }
  TapeRecord damaged(std::uint64_t at, const char* problem) {
    TapeRecord record = recordAt(RecordKind::Damaged, at);
    record.problem = problem;
    return record;
  }

  std::FILE* file_;
  std::uint64_t size_;
  ImageFormat format_;
  std::uint64_t offset_ = 0;
  std::uint64_t previousHeader_ = kFirstBackLink;
};

std::uint32_t bigEndian32(const std::uint8_t* p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}
std::uint32_t littleEndian32(const std::uint8_t* p) {
  return (std::uint32_t{p[3]} << 24) | (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[1]} << 8) | p[0];
}

TapeRecord ImageReader::nextKit() {
  const std::uint64_t at = offset_;
  if (at == size_) return recordAt(RecordKind::End, at);
  std::uint8_t header[kRecordHeaderSize];
  if (!read(header, sizeof header)) return damaged(at, "record header cut short");
  if (bigEndian32(header + 4) != previousHeader_) return damaged(at, "wrong back link");
  previousHeader_ = at;
  TapeRecord record = recordAt(RecordKind::Block, at);
  if (!readData(record, bigEndian32(header))) return damaged(at, "record cut short");
  if (record.data.empty()) record.kind = RecordKind::TapeMark;
  return record;
}

TapeRecord ImageReader::nextSimh() {
  for (;;) {
    const std::uint64_t at = offset_;
    if (at == size_) return recordAt(RecordKind::End, at);  // an image may end without the marker
    std::uint8_t bytes[4];
    if (!read(bytes, sizeof bytes)) return damaged(at, "record length cut short");
    const std::uint32_t count = littleEndian32(bytes);
    if (count == kSimhTapeMark) return recordAt(RecordKind::TapeMark, at);
    if (count == kSimhEndOfMedium) return recordAt(RecordKind::End, at);
    if (count == kSimhEraseGap) continue;
    const std::uint32_t recordClass = count & ~kSimhLengthMask;
    if (recordClass != 0 && recordClass != kSimhErrorFlag) return damaged(at, "unknown record class");
    TapeRecord record = recordAt(recordClass == 0 ? RecordKind::Block : RecordKind::ErrorRecord, at);
    const std::uint32_t length = count & kSimhLengthMask;
    if (!readData(record, length)) return damaged(at, "record cut short");
    std::uint8_t trailer[5];
    const std::size_t trailerLength = 4 + (length % 2);
    if (!read(trailer, trailerLength)) return damaged(at, "record cut short");
    if (littleEndian32(trailer + trailerLength - 4) != count) return damaged(at, "record lengths differ");
    return record;
  }
}

class Converter {
 public:
  Converter(const std::string& inputName, const std::string& outputName, ImageFormat outputFormat,
            std::ostream& messages)
      : inputName_(inputName), outputName_(outputName), outputFormat_(outputFormat), messages_(messages) {}
  int run(const DumpSinkFactory& createSink);

 private:
  int copy(ImageReader& reader, TapeImageWriter& writer, DumpSink& sink);
  bool stored(AppendResult result, const std::string& errorText, const TapeRecord& record);

  const std::string& inputName_;
  const std::string& outputName_;
  ImageFormat outputFormat_;
  std::ostream& messages_;
  DumpTally tally_;
};

int Converter::run(const DumpSinkFactory& createSink) {
  errno = 0;
  const File input(std::fopen(inputName_.c_str(), "rb"));
  std::error_code ec;
  const std::uint64_t size = std::filesystem::file_size(inputName_, ec);
  if (!input || ec) {
    const int error = !input ? errno : ec.value();
    messages_ << formatText(msg::kOpenInputFailed, inputName_.c_str(),
                            systemErrorText(error ? error : EIO).c_str());
    return kExitFailure;
  }
  if (std::filesystem::equivalent(inputName_, outputName_, ec)) {
    messages_ << formatText(msg::kConvertOntoItself, outputName_.c_str());
    return kExitFailure;
  }
  std::string errorText;
  std::unique_ptr<DumpSink> sink = createSink(outputName_, errorText);
  if (!sink) {
    messages_ << formatText(msg::kOpenDumpFileFailed, errorText.c_str());
    return kExitFailure;
  }
  const ImageFormat inputFormat = outputFormat_ == ImageFormat::Simh ? ImageFormat::Kit : ImageFormat::Simh;
  ImageReader reader(input.get(), size, inputFormat);
  std::unique_ptr<TapeImageWriter> writer = makeImageWriter(outputFormat_, *sink);
  return copy(reader, *writer, *sink);
}

bool Converter::stored(AppendResult result, const std::string& errorText, const TapeRecord& record) {
  switch (result) {
    case AppendResult::Written:
      return true;
    case AppendResult::WriteFailed:
      messages_ << formatText(msg::kDumpWriteFailed, outputName_.c_str(), errorText.c_str());
      return false;
    case AppendResult::BackLinkTooLarge:
      messages_ << formatText(msg::kBackLinkOverflow, outputName_.c_str());
      return false;
    case AppendResult::RecordTooLong:
      messages_ << formatText(msg::kRecordTooLongForSimh, inputName_.c_str(),
                              static_cast<unsigned long long>(record.offset),
                              static_cast<unsigned long long>(record.data.size()));
      return false;
  }
  return false;
}

int Converter::copy(ImageReader& reader, TapeImageWriter& writer, DumpSink& sink) {
  const char* inputKind = outputFormat_ == ImageFormat::Simh ? "kit dump" : "SIMH image";
  for (;;) {
    const TapeRecord record = reader.next();
    std::string errorText;
    switch (record.kind) {
      case RecordKind::Damaged:
        messages_ << formatText(msg::kDamagedInput, inputName_.c_str(), inputKind,
                                static_cast<unsigned long long>(record.offset), record.problem);
        return kExitFailure;
      case RecordKind::End:
        if (!writer.finish(errorText) || !sink.close(errorText)) {
          messages_ << formatText(msg::kDumpWriteFailed, outputName_.c_str(), errorText.c_str());
          return kExitFailure;
        }
        messages_ << summaryText(tally_, true);
        return kExitSuccess;
      case RecordKind::TapeMark:
        if (!stored(writer.tapeMark(errorText), errorText, record)) return kExitFailure;
        ++tally_.tapeMarks;
        break;
      case RecordKind::ErrorRecord:
        if (!writer.keepsErrorRecords()) {
          messages_ << formatText(msg::kErrorRecordLeftOut, inputName_.c_str(),
                                  static_cast<unsigned long long>(record.offset));
        }
        if (!stored(writer.errorRecord(record.data, errorText), errorText, record)) return kExitFailure;
        ++tally_.badBlocks;
        break;
      case RecordKind::Block:
        if (!stored(writer.block(record.data, errorText), errorText, record)) return kExitFailure;
        ++tally_.blocks;
        tally_.bytes += record.data.size();
        break;
    }
  }
}

}  // namespace

int convertImage(const std::string& inputName, const std::string& outputName, ImageFormat outputFormat,
                 std::ostream& messages, const DumpSinkFactory& createSink) {
  return Converter(inputName, outputName, outputFormat, messages).run(createSink);
}

}  // namespace tapecopy
