#include "dump_file.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <limits>

namespace tapecopy {
namespace {

void putBigEndian32(std::uint8_t* out, std::uint32_t value) {
  out[0] = static_cast<std::uint8_t>(value >> 24);
  out[1] = static_cast<std::uint8_t>(value >> 16);
  out[2] = static_cast<std::uint8_t>(value >> 8);
  out[3] = static_cast<std::uint8_t>(value);
}

// fwrite and fflush do not always set errno (a short write to a full device may leave it 0).
std::string lastFileErrorText() {
  return systemErrorText(errno != 0 ? errno : EIO);
}

}  // namespace

std::string systemErrorText(int errorNumber) {
  return std::strerror(errorNumber);
}

std::unique_ptr<HostDumpFile> HostDumpFile::create(const std::string& path, std::string& errorText) {
  errno = 0;
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) {
    errorText = lastFileErrorText();
    return nullptr;
  }
  return std::unique_ptr<HostDumpFile>(new HostDumpFile(file));
}

HostDumpFile::~HostDumpFile() {
  if (file_ != nullptr) std::fclose(file_);
}

bool HostDumpFile::write(std::span<const std::uint8_t> bytes, std::string& errorText) {
  errno = 0;
  const std::size_t written = std::fwrite(bytes.data(), 1, bytes.size(), file_);
  position_ += written;
  if (written == bytes.size()) return true;
  errorText = lastFileErrorText();
  return false;
}

bool HostDumpFile::flush(std::string& errorText) {
  errno = 0;
  if (std::fflush(file_) == 0) return true;
  errorText = lastFileErrorText();
  return false;
}

bool HostDumpFile::close(std::string& errorText) {
  if (file_ == nullptr) return true;
  std::FILE* file = file_;
  file_ = nullptr;
  errno = 0;
  if (std::fclose(file) == 0) return true;
  errorText = lastFileErrorText();
  return false;
}

AppendResult DumpRecordWriter::append(std::span<const std::uint8_t> data, std::string& errorText) {
  if (backLink_ > std::numeric_limits<std::uint32_t>::max()) return AppendResult::BackLinkTooLarge;
  std::array<std::uint8_t, kRecordHeaderSize> header{};
  putBigEndian32(&header[0], static_cast<std::uint32_t>(data.size()));
  putBigEndian32(&header[4], static_cast<std::uint32_t>(backLink_));
  backLink_ = sink_.position();
  if (!sink_.write(header, errorText)) return AppendResult::WriteFailed;
  if (!data.empty() && !sink_.write(data, errorText)) return AppendResult::WriteFailed;
  return sink_.flush(errorText) ? AppendResult::Written : AppendResult::WriteFailed;
}

}  // namespace tapecopy
