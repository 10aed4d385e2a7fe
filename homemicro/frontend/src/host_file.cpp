#include "homemicro/frontend/host_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <system_error>

namespace homemicro {
namespace {

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

std::string Describe(const std::filesystem::path& path, int error) {
  return path.string() + ": " + std::strerror(error);
}

}  // namespace

FileReadResult ReadFilePrefix(const std::filesystem::path& path, std::span<uint8_t> buffer) {
  FileHandle file(std::fopen(path.string().c_str(), "rb"));
  if (!file) return {FileReadStatus::OpenFailed, 0, Describe(path, errno)};
  const std::size_t got = std::fread(buffer.data(), 1, buffer.size(), file.get());
  if (got == buffer.size()) return {FileReadStatus::Ok, got, {}};
  if (std::ferror(file.get())) return {FileReadStatus::ReadFailed, got, Describe(path, errno)};
  return {FileReadStatus::ReadFailed, got,
          path.string() + ": the file holds " + std::to_string(got) + " bytes, " +
              std::to_string(buffer.size()) + " are needed"};
}

std::string WriteWholeFile(const std::filesystem::path& path, std::span<const uint8_t> bytes) {
  std::filesystem::path temporary = path;
  temporary += ".new";
  std::FILE* file = std::fopen(temporary.string().c_str(), "wb");
  if (file == nullptr) return Describe(path, errno);
  bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  int error = written ? 0 : errno;
  // Closing flushes; a full disk may only show here.
  if (std::fclose(file) != 0 && written) {
    written = false;
    error = errno;
  }
  if (!written) {
    std::error_code ignored;
    std::filesystem::remove(temporary, ignored);
    return Describe(path, error);
  }
  std::error_code renameError;
  std::filesystem::rename(temporary, path, renameError);
  if (renameError) {
    std::error_code ignored;
    std::filesystem::remove(temporary, ignored);
    return path.string() + ": " + renameError.message();
  }
  return {};
}

}  // namespace homemicro
