#include "settings_setup.h"

#include <filesystem>

#include "homemicro/frontend/config_file.h"
#include "homemicro/frontend/palette_file.h"

namespace bkrun {
namespace {

namespace fs = std::filesystem;

// The record's fields, as the emulator's start-up applies them. The play byte is not used:
// a headless run runs what --steps and --ticks ask for.
void ApplyConfigRecord(const homemicro::ConfigRecord& record, const fs::path& directory,
                       HeadlessEmulator& emulator) {
  homemicro::FrontEndSettings& settings = emulator.Settings();
  homemicro::FrontEndState& state = emulator.State();
  state.OneBitMode = record.OneBitMode;
  settings.SoundOn = record.Sound;
  settings.RomWriteControl = record.RomWriteControl;
  state.BorderColor = record.BorderColor;
  state.EmulationSpeed = record.EmulationSpeed;
  state.RepaintCount = record.RepaintCount;
  settings.StartAddress = record.StartAddress;
  state.PaletteEntries = record.PaletteEntries;
  // The ROM name is relative to the folder the configuration lives in, as it is relative to
  // the emulator's start directory.
  settings.StartDirectory = directory.string();
  settings.RomFileName = record.RomFileName;
}

std::optional<SetupFailure> ReadConfiguration(const std::string& file, HeadlessEmulator& emulator) {
  std::error_code error;
  if (!fs::exists(file, error)) return SetupFailure{"cannot read configuration file '" + file + "'"};
  const homemicro::ConfigReadResult result = homemicro::ReadConfigFile(file);
  if (!result.Record) return SetupFailure{result.Error, true};
  ApplyConfigRecord(*result.Record, fs::path(file).parent_path(), emulator);
  return std::nullopt;
}

}  // namespace

std::optional<SetupFailure> ApplySettings(const Options& options, HeadlessEmulator& emulator) {
  homemicro::FrontEndSettings& settings = emulator.Settings();
  homemicro::FrontEndState& state = emulator.State();
  // Without a configuration no ROM is named: the reset looks for a file with no name, which
  // never exists.
  settings.StartDirectory.clear();
  settings.RomFileName.clear();
  if (options.configFile) {
    if (auto failure = ReadConfiguration(*options.configFile, emulator)) return failure;
  }
  if (options.paletteFile) {
    const homemicro::PaletteReadResult palette = homemicro::ReadPaletteFile(*options.paletteFile);
    if (!palette.Entries) return SetupFailure{palette.Error, true};
    state.PaletteEntries = *palette.Entries;
  }
  if (options.romFile) {
    const fs::path rom(*options.romFile);
    settings.StartDirectory = rom.parent_path().string();
    settings.RomFileName = rom.filename().string();
  }
  if (options.startAddress) settings.StartAddress = *options.startAddress;
  if (options.noRomProtect) settings.RomWriteControl = false;
  if (options.speed) state.EmulationSpeed = *options.speed;
  if (options.repaintCount) state.RepaintCount = *options.repaintCount;
  if (options.oneBitMode) state.OneBitMode = *options.oneBitMode;
  state.BreakAddress = options.breakAddress.value_or(homemicro::kNoBreakAddress);
  return std::nullopt;
}

}  // namespace bkrun
