// Where the hard reset's ROM image comes from: the file named in the settings (relative to the
// start directory), or, when there is none, the kit's own free boot ROM installed with the
// program, so that a machine started anywhere boots.
#pragma once

#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace homemicro {

inline constexpr std::string_view kKitRomFileName = "homemicro.rom";
// The kit's ROM lies in this folder under a data directory ("share/homemicro").
inline constexpr std::string_view kKitDataFolder = "homemicro";
// Shown in the main window while the kit's ROM stands in for the configured one.
inline constexpr std::string_view kKitRomNote = "Файл ПЗУ не найден - работает свободное ПЗУ комплекта";

// The file the hard reset reads for `romFileName` (an absolute name stands alone).
std::filesystem::path ConfiguredRomPath(const std::string& startDirectory, const std::string& romFileName);

// As the hard reset decides it: an empty name, or nothing at all under that name.
bool RomFileMissing(const std::string& startDirectory, const std::string& romFileName);

// The places the kit's ROM is looked for, in order: beside the program (a build folder), the
// data folder of an installation (`dataFromProgram`, e.g. "../share", relative to the
// program's folder), then each of `dataDirectories` (the desktop's data folders).
std::vector<std::filesystem::path> KitRomCandidates(const std::filesystem::path& programDirectory,
                                                    std::string_view dataFromProgram,
                                                    std::span<const std::filesystem::path> dataDirectories);

// The first candidate that is a regular file.
std::optional<std::filesystem::path> FindKitRom(std::span<const std::filesystem::path> candidates);

// What a ROM name chosen in a file dialog is kept as: the bare file name when the file lies in
// the start directory, the absolute path otherwise.
std::string RomNameForChosenFile(const std::filesystem::path& startDirectory,
                                 const std::filesystem::path& chosen);

}  // namespace homemicro
