#include "homemicro/frontend/ram_image.h"

#include <algorithm>
#include <array>

#include "homemicro/frontend/host_file.h"

namespace homemicro {

std::string SaveRamImage(const std::filesystem::path& path, std::span<const uint8_t, kRamImageSize> ram) {
  return WriteWholeFile(path, ram);
}

std::string LoadRamImage(const std::filesystem::path& path, std::span<uint8_t, kRamImageSize> ram) {
  std::array<uint8_t, kRamImageSize> image{};
  const FileReadResult read = ReadFilePrefix(path, image);
  if (read.Status != FileReadStatus::Ok) return read.Error;
  std::copy(image.begin(), image.end(), ram.begin());
  return {};
}

}  // namespace homemicro
