// Whole-file reads and writes of the small fixed-size records, with the system's error text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

namespace homemicro {

enum class FileReadStatus { Ok, OpenFailed, ReadFailed };

struct FileReadResult {
  FileReadStatus Status = FileReadStatus::Ok;
  std::size_t BytesRead = 0;
  std::string Error;  // the system's description, empty when Status is Ok
};

// Reads the first `buffer.size()` bytes of the file (bytes after them are not read). A file
// shorter than that is a ReadFailed with BytesRead telling how much was there.
FileReadResult ReadFilePrefix(const std::filesystem::path& path, std::span<uint8_t> buffer);

// Creates or replaces the file with exactly `bytes`. The data goes to a temporary file beside
// it first, so a failed write leaves any previous file as it was. Returns the error text, or
// an empty string on success.
std::string WriteWholeFile(const std::filesystem::path& path, std::span<const uint8_t> bytes);

}  // namespace homemicro
