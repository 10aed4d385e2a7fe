#include "error_code.h"

#include <array>

namespace ods2 {

namespace {
// The spelling of these texts is what users and scripts have always seen; keep it.
constexpr std::array<std::string_view, kErrorCodeCount> kTexts = {
    "No error.",
    "Drive error.",
    "Device isn't opened.",
    "Device already opened.",
    "Invalid handle.",
    "File already opened.",
    "Invalid arument.",
    "Home block isn't found or invalid.",
    "Invalid file index.",
    "Invalid sequence number.",
    "Invalid file header.",
    "Invalid file header back link.",
    "Volume sets doesn't supported.",
    "EOF reached.",
    "File not found.",
    "File isn't directory.",
    "Already top directory.",
    "No free file index available.",
    "Device is read-only.",
    "File already exists.",
    "Invalid text_file.",
    "Error reading file.",
};
}  // namespace

std::string_view ErrorCodeText(int code) {
  if (code < 0 || code >= kErrorCodeCount) return {};
  return kTexts[static_cast<std::size_t>(code)];
}

}  // namespace ods2
