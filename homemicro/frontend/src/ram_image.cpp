#include "homemicro/frontend/ram_image.h"

#include <algorithm>
#include <array>
#include <system_error>
#include <vector>

#include "homemicro/frontend/host_file.h"
#include "homemicro/frontend/tape_program.h"

namespace homemicro {

std::string SaveRamImage(const std::filesystem::path& path, std::span<const uint8_t, kRamImageSize> ram) {
  return WriteWholeFile(path, ram);
}

std::string LoadRamImage(const std::filesystem::path& path, std::span<uint8_t, kRamImageSize> ram) {
  // The image has no header, so its size is all that tells it from a tape file of the same
  // extension; any other size is refused with the reason.
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(path, error);
  if (!error && size != kRamImageSize) {
    std::string text =
        path.string() + ": " + std::string(kNotRamImageMessage) + std::to_string(size) + " bytes";
    std::vector<uint8_t> bytes(static_cast<std::size_t>(std::min<std::uintmax_t>(size, 0200004)));
    if (ReadFilePrefix(path, bytes).Status == FileReadStatus::Ok && DecodeTapeProgram(bytes).Ok)
      text += kTapeFileHint;
    return text;
  }
  std::array<uint8_t, kRamImageSize> image{};
  const FileReadResult read = ReadFilePrefix(path, image);
  if (read.Status != FileReadStatus::Ok) return read.Error;
  std::copy(image.begin(), image.end(), ram.begin());
  return {};
}

}  // namespace homemicro
