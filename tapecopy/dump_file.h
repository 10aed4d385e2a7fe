// The dump file: one record per tape block or tape mark, each an 8-byte header (big-endian
// `recordLength`, big-endian `previousOffset`) followed by the block's bytes. `previousOffset` is
// the file offset of the previous record's header, 1 in the first record.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <span>
#include <string>

namespace tapecopy {

inline constexpr std::size_t kRecordHeaderSize = 8;
inline constexpr std::uint32_t kFirstBackLink = 1;

// Where records go; a host file in the program, something smaller in tests.
class DumpSink {
 public:
  virtual ~DumpSink() = default;
  // Bytes written so far, i.e. the offset the next write lands at.
  virtual std::uint64_t position() const = 0;
  // Each answers false, with the system's text in errorText, when not everything got through.
  virtual bool write(std::span<const std::uint8_t> bytes, std::string& errorText) = 0;
  virtual bool flush(std::string& errorText) = 0;
  virtual bool close(std::string& errorText) = 0;
};

class HostDumpFile final : public DumpSink {
 public:
  // Creates (or truncates) the file; nullptr with the system's text on failure.
  static std::unique_ptr<HostDumpFile> create(const std::string& path, std::string& errorText);
  ~HostDumpFile() override;
  HostDumpFile(const HostDumpFile&) = delete;
  HostDumpFile& operator=(const HostDumpFile&) = delete;

  std::uint64_t position() const override { return position_; }
  bool write(std::span<const std::uint8_t> bytes, std::string& errorText) override;
  bool flush(std::string& errorText) override;
  bool close(std::string& errorText) override;

 private:
  explicit HostDumpFile(std::FILE* file) : file_(file) {}
  std::FILE* file_;
  std::uint64_t position_ = 0;
};

// RecordTooLong: a record the format cannot hold (only when converting).
enum class AppendResult { Written, WriteFailed, BackLinkTooLarge, RecordTooLong };

// Appends records and keeps the back link. A link past 32 bits is refused before anything of the
// record is written, so the file never holds a wrong link.
class DumpRecordWriter {
 public:
  explicit DumpRecordWriter(DumpSink& sink) : sink_(sink) {}
  // An empty `data` is a tape mark.
  AppendResult append(std::span<const std::uint8_t> data, std::string& errorText);

 private:
  DumpSink& sink_;
  std::uint64_t backLink_ = kFirstBackLink;
};

std::string systemErrorText(int errorNumber);

}  // namespace tapecopy
