#include "homemicro/frontend/disk_files.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>

namespace homemicro {
namespace {

namespace fs = std::filesystem;

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

HostEntry DiskFiles::Find(const std::string& name) {
  std::error_code error;
  const fs::file_status status = fs::status(name, error);
  if (!fs::exists(status)) return HostEntry::Missing;
  return fs::is_regular_file(status) ? HostEntry::File : HostEntry::Other;
}

HostFileContents DiskFiles::Read(const std::string& name, std::size_t limit) {
  HostFileContents contents;
  std::error_code error;
  // A folder opens on some systems but reads nothing: it is not a file to read.
  if (fs::is_directory(name, error)) return contents;
  const std::unique_ptr<std::FILE, FileCloser> file(std::fopen(name.c_str(), "rb"));
  if (!file) return contents;
  const uintmax_t size = fs::file_size(name, error);
  if (error) return contents;
  contents.Opened = true;
  contents.Size = size;
  contents.Bytes.resize(static_cast<std::size_t>(std::min<uintmax_t>(size, limit)));
  contents.Bytes.resize(std::fread(contents.Bytes.data(), 1, contents.Bytes.size(), file.get()));
  return contents;
}

namespace {
// A name beside the target that no file holds yet, so the write never truncates or removes
// anything of the user's; empty when every candidate is taken.
std::string FreeTemporaryName(const std::string& name) {
  for (int n = 0; n < 100; ++n) {
    std::string candidate = name + ".part~" + (n == 0 ? std::string() : std::to_string(n));
    std::error_code error;
    if (!fs::exists(fs::symlink_status(candidate, error))) return candidate;
  }
  return {};
}
}  // namespace

std::string DiskFiles::Write(const std::string& name, std::span<const uint8_t> bytes) {
  const std::string temporary = FreeTemporaryName(name);
  if (temporary.empty()) return std::strerror(EEXIST);
  std::FILE* file = std::fopen(temporary.c_str(), "wb");
  if (file == nullptr) return std::strerror(errno);
  int error = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size() ? 0 : errno;
  // Closing flushes; a full disk may only show here.
  if (std::fclose(file) != 0 && error == 0) error = errno;
  std::error_code ignored;
  if (error != 0) {
    fs::remove(temporary, ignored);
    return std::strerror(error);
  }
  std::error_code renameError;
  fs::rename(temporary, name, renameError);
  if (renameError) {
    fs::remove(temporary, ignored);
    return renameError.message();
  }
  return {};
}

std::string DiskFiles::CurrentDirectory() {
  std::error_code error;
  return fs::current_path(error).string();
}

}  // namespace homemicro
