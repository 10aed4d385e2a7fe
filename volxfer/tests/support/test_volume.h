// Helpers shared by the engine tests: a built or reference image in a temporary file.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/volume_builder.h"

namespace test {

// A temporary image file, removed when the object goes away.
class ImageFile {
 public:
  explicit ImageFile(const std::vector<std::uint8_t>& bytes) : path_(TempPath("vol")) {
    std::ofstream(path_, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }
  ~ImageFile() { std::filesystem::remove(path_); }
  ImageFile(const ImageFile&) = delete;
  ImageFile& operator=(const ImageFile&) = delete;
  const std::string& path() const { return path_; }
  const char* c_str() const { return path_.c_str(); }
  std::vector<std::uint8_t> Contents() const {
    std::ifstream in(path_, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }

 private:
  std::string path_;
};

// The bytes of a gzip-compressed reference volume of the repository's test data.
inline std::vector<std::uint8_t> ReferenceVolume(const std::string& name) {
  const char* root = std::getenv("KIT_SOURCE_ROOT");
  std::string source = std::string(root ? root : ".") + "/volxfer/tests/data/" + name + ".img.gz";
  std::string target = TempPath(name);
  std::string command = "gzip -dc '" + source + "' > '" + target + "'";
  std::vector<std::uint8_t> bytes;
  if (std::system(command.c_str()) == 0) {
    std::ifstream in(target, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  std::filesystem::remove(target);
  return bytes;
}

inline std::vector<std::uint8_t> Bytes(std::size_t count, std::uint8_t seed) {
  std::vector<std::uint8_t> data(count);
  for (std::size_t i = 0; i < count; ++i) data[i] = static_cast<std::uint8_t>(seed + i * 7 + i / 512);
  return data;
}

}  // namespace test
