#include "homemicro/frontend/rom_locator.h"

#include <system_error>

namespace homemicro {

std::filesystem::path ConfiguredRomPath(const std::string& startDirectory, const std::string& romFileName) {
  if (startDirectory.empty()) return romFileName;
  return std::filesystem::path(startDirectory) / romFileName;
}

bool RomFileMissing(const std::string& startDirectory, const std::string& romFileName) {
  if (romFileName.empty()) return true;
  std::error_code error;
  const auto status = std::filesystem::status(ConfiguredRomPath(startDirectory, romFileName), error);
  return !std::filesystem::exists(status);
}

std::vector<std::filesystem::path> KitRomCandidates(const std::filesystem::path& programDirectory,
                                                    std::string_view dataFromProgram,
                                                    std::span<const std::filesystem::path> dataDirectories) {
  std::vector<std::filesystem::path> candidates;
  if (!programDirectory.empty()) {
    candidates.push_back(programDirectory / kKitRomFileName);
    if (!dataFromProgram.empty())
      candidates.push_back(
          (programDirectory / dataFromProgram / kKitDataFolder / kKitRomFileName).lexically_normal());
  }
  for (const std::filesystem::path& data : dataDirectories) {
    if (!data.empty()) candidates.push_back(data / kKitDataFolder / kKitRomFileName);
  }
  return candidates;
}

std::optional<std::filesystem::path> FindKitRom(std::span<const std::filesystem::path> candidates) {
  for (const std::filesystem::path& candidate : candidates) {
    std::error_code error;
    if (std::filesystem::is_regular_file(candidate, error)) return candidate;
  }
  return std::nullopt;
}

std::string RomNameForChosenFile(const std::filesystem::path& startDirectory,
                                 const std::filesystem::path& chosen) {
  const std::filesystem::path file = chosen.lexically_normal();
  std::filesystem::path folder = startDirectory.lexically_normal();
  if (!folder.has_filename()) folder = folder.parent_path();  // a trailing separator
  if (!startDirectory.empty() && file.parent_path() == folder) return file.filename().string();
  return file.string();
}

}  // namespace homemicro
