// RAM images (".bin"): the 32768 bytes of addresses 0..077777, byte n at address n, no header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>

namespace homemicro {

inline constexpr std::size_t kRamImageSize = 32768;
inline constexpr std::string_view kRamSavedMessage = "RAM successfully saved";
inline constexpr std::string_view kRamLoadedMessage = "RAM successfully loaded";
inline constexpr std::string_view kOverwriteQuestion = "File already exists. Overwrite?";
inline constexpr std::string_view kRamImageFilter = "BIN-files|*.bin|All files|*.*";
inline constexpr std::string_view kRamImageExtension = "bin";
inline constexpr std::string_view kNotRamImageMessage =
    "not a RAM image: a RAM image holds exactly 32768 bytes, this file holds ";
inline constexpr std::string_view kTapeFileHint =
    ". It is a BK program (tape file): use \"Загрузить программу...\"";

// Returns the error text, or an empty string on success.
std::string SaveRamImage(const std::filesystem::path& path, std::span<const uint8_t, kRamImageSize> ram);

// Memory changes only when the whole image was read; a file of any other size than 32768
// bytes is refused with its size (and a hint when it is a tape file).
// Returns the error text, or an empty string on success.
std::string LoadRamImage(const std::filesystem::path& path, std::span<uint8_t, kRamImageSize> ram);

}  // namespace homemicro
