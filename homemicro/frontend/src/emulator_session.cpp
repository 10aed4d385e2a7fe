#include "homemicro/frontend/emulator_session.h"

#include <exception>

#include "homemicro/core/oct.h"
#include "homemicro/frontend/machine_snapshot.h"
#include "homemicro/frontend/palette_file.h"
#include "homemicro/frontend/ram_image.h"
#include "homemicro/frontend/rom_locator.h"
#include "homemicro/frontend/tape_program.h"

namespace homemicro {

EmulatorSession::EmulatorSession(HostServices& window, int sampleRate)
    : window_(window),
      machine_(settings_, *this, files_),
      synth_(sampleRate),
      runLoop_(machine_, state_, display_, synth_),
      tracer_(machine_, state_) {
  state_.Run.SetListener([this] { RunStateChanged(); });
}

void EmulatorSession::RunStateChanged() {
  if (state_.Run.TimerEnabled() != timerShown_) {
    timerShown_ = state_.Run.TimerEnabled();
    if (timerShown_) {
      window_.StartRunTimer();
    } else {
      window_.StopRunTimer();
    }
  }
  if (runStateObserver_) runStateObserver_();
}

void EmulatorSession::ApplyConfig(const ConfigRecord& record) {
  if (record.Play) {
    state_.Run.Play();
  } else {
    state_.Run.Stop();
  }
  state_.OneBitMode = record.OneBitMode;
  state_.SoundDown = record.Sound;
  settings_.RomWriteControl = record.RomWriteControl;
  state_.BorderColor = record.BorderColor;
  state_.EmulationSpeed = record.EmulationSpeed;
  state_.RepaintCount = record.RepaintCount;
  settings_.StartAddress = record.StartAddress;
  state_.PaletteEntries = record.PaletteEntries;
  settings_.RomFileName = record.RomFileName;
  state_.WindowWidth = record.WindowWidth;
  state_.WindowHeight = record.WindowHeight;
}

void EmulatorSession::ResetMachine() {
  usingKitRom_ = kitRom_ && RomFileMissing(settings_.StartDirectory, settings_.RomFileName);
  if (!usingKitRom_) {
    machine_.HardReset();
    return;
  }
  // The core reads the name it is given; the user's name comes back whatever happens.
  struct RestoreName {
    std::string& Name;
    std::string Kept;
    ~RestoreName() { Name = std::move(Kept); }
  } restore{settings_.RomFileName, settings_.RomFileName};
  settings_.RomFileName = kitRom_->string();
  machine_.HardReset();
}

StartUpResult EmulatorSession::StartUp(const std::filesystem::path& startDirectory, bool audioAvailable) {
  settings_.StartDirectory = startDirectory.string();
  const ConfigReadResult config = ReadConfigFile(startDirectory / kConfigFileName);
  if (!config.Error.empty()) return {false, config.Error};
  // No file: the defaults, which is what a default record holds.
  ApplyConfig(config.Record.value_or(ConfigRecord{}));
  settings_.SoundOn = state_.SoundDown;

  MachineState& machine = machine_.State();
  machine.TimerPrescaleCount = 0;
  machine.TimerDiv4 = 0;
  machine.TimerDiv16 = 0;
  machine.TraceTrapPending = 0;
  machine.TraceArmed = 0;

  // The speaker probe: without an audio output the program runs silent.
  state_.SoundAvailable = audioAvailable;
  if (!audioAvailable) settings_.SoundOn = false;
  settings_.SpeakerPortValue = 0;

  settings_.KeyHeld = false;
  settings_.KeyPending = false;
  machine.TimerCountdown = 0;

  try {
    ResetMachine();
  } catch (const std::exception& failure) {
    return {false, failure.what()};
  }
  if (runLoop_.EndRequested()) return {false, {}};
  romChecksum_ = RomImageChecksum(machine);

  state_.BreakAddress = kNoBreakAddress;
  // Step 9 enables the timer as the Play button says, whatever the ROM load did to it.
  state_.Run.DropHolds(0);
  if (state_.Run.TimerEnabled() != timerShown_) RunStateChanged();
  return {};
}

ConfigRecord EmulatorSession::CurrentConfig(std::optional<std::string_view> romNameInSettings) const {
  ConfigRecord record;
  record.Play = state_.Run.PlayDown();
  record.OneBitMode = state_.OneBitMode;
  record.Sound = state_.SoundDown;
  record.RomWriteControl = settings_.RomWriteControl;
  record.BorderColor = state_.BorderColor;
  record.EmulationSpeed = state_.EmulationSpeed;
  record.RepaintCount = state_.RepaintCount;
  record.StartAddress = settings_.StartAddress;
  record.PaletteEntries = state_.PaletteEntries;
  // The whole name: what does not fit the record goes into the file's tail.
  record.RomFileName = std::string(romNameInSettings.value_or(settings_.RomFileName));
  record.WindowWidth = state_.WindowWidth;
  record.WindowHeight = state_.WindowHeight;
  return record;
}

void EmulatorSession::Close(std::optional<std::string_view> romNameInSettings) {
  // The configuration goes to StartDirectory even after the current directory changed.
  WriteConfigFile(std::filesystem::path(settings_.StartDirectory) / kConfigFileName,
                  CurrentConfig(romNameInSettings));
}

TickOutcome EmulatorSession::Tick() {
  if (!queuedProgram_.empty() && state_.Run.TimerEnabled() && ticksBeforeProgram_-- <= 0) {
    const std::filesystem::path program = std::move(queuedProgram_);
    queuedProgram_.clear();
    const std::string error = LoadProgram(program);
    if (!error.empty()) window_.ShowMessage(error, MessageIcon::Error);
  }
  // The run loop itself stops the run state at a break point and ends it on a failure.
  return runLoop_.Tick();
}

void EmulatorSession::EndProgram() {
  runLoop_.RequestEnd();
  state_.Run.End();
  window_.EndProgram();
}

void EmulatorSession::Play() {
  PressPlay(state_);
}

void EmulatorSession::Stop() {
  // LastPc first: stopping shows the tracer at once.
  tracer_.LastPc = static_cast<uint16_t>(machine_.State().R[kPC] - 2);
  state_.Run.Stop();
}

void EmulatorSession::SoftReset() {
  machine_.WriteWord(RegisterAddress(kPC), static_cast<uint16_t>(Oct(settings_.StartAddress)));
}

bool EmulatorSession::HardReset() {
  const int holds = state_.Run.Holds();
  ResetMachine();
  romChecksum_ = RomImageChecksum(machine_.State());
  runLoop_.UpdateScreen();
  // A ROM file that is gone stopped the timer for good: the machine is now stopped as after
  // Stop, so the buttons and the tracer say so.
  if (state_.Run.Holds() <= holds || state_.Run.Ended()) return false;
  const bool wasPlaying = state_.Run.PlayDown();
  if (wasPlaying) Stop();
  state_.Run.DropHolds(holds);
  return wasPlaying;
}

void EmulatorSession::ToggleSound() {
  if (!state_.SoundAvailable) return;
  settings_.SoundOn = !settings_.SoundOn;
  state_.SoundDown = settings_.SoundOn;
}

void EmulatorSession::ToggleRomWriteControl() {
  settings_.RomWriteControl = !settings_.RomWriteControl;
}

void EmulatorSession::SetOneBitMode(bool oneBit) {
  state_.OneBitMode = oneBit;
}

void EmulatorSession::ToggleOneBitMode() {
  state_.OneBitMode = !state_.OneBitMode;
  if (state_.Run.TimerEnabled()) runLoop_.UpdateScreen();
}

void EmulatorSession::BeginModal() {
  state_.Run.Hold();
}

void EmulatorSession::EndModal() {
  // The machine runs afterwards, stopped before or not.
  state_.Run.Release();
  state_.Run.Play();
}

KeyCommand EmulatorSession::KeyDown(uint16_t virtualKey, uint8_t shiftState) {
  switch (virtualKey) {
    case vk::F1:
      return KeyCommand::ShowAbout;
    case vk::F2:
      return KeyCommand::SaveState;
    case vk::F3:
      return KeyCommand::LoadState;
    case vk::F4:
      if (!state_.SoundAvailable) return KeyCommand::None;
      ToggleSound();
      return KeyCommand::SoundToggled;
    case vk::F6:
      ToggleRomWriteControl();
      return KeyCommand::RomControlToggled;
    case vk::F7:
      return KeyCommand::ShowDirectoryChooser;
    case vk::F10:
      return KeyCommand::ShowSettings;
    case vk::F11:
      if (state_.Run.TimerEnabled()) {
        Stop();
        return KeyCommand::Stopped;
      }
      Play();
      return KeyCommand::Played;
    case vk::F12:
      if (shiftState & kCtrlBit) return HardReset() ? KeyCommand::Stopped : KeyCommand::HardReset;
      SoftReset();
      return KeyCommand::SoftReset;
    case vk::ScrollLock:
      ToggleOneBitMode();
      return KeyCommand::ScreenModeToggled;
    default:
      RecordKeyPress(settings_, state_.Pending, virtualKey, shiftState);
      return KeyCommand::None;
  }
}

void EmulatorSession::DefaultColors() {
  state_.PaletteEntries = kDefaultPalette;
}

void EmulatorSession::SetPaletteEntry(int entry, int cell) {
  if (entry < 0 || entry >= 4 || cell < 0 || cell >= kColorCellCount) return;
  state_.PaletteEntries[static_cast<std::size_t>(entry)] = kColorTable[static_cast<std::size_t>(cell)].Index;
}

std::string EmulatorSession::LoadPalette(const std::filesystem::path& path) {
  const PaletteReadResult result = ReadPaletteFile(path);
  if (result.Entries) state_.PaletteEntries = *result.Entries;
  return result.Error;
}

std::string EmulatorSession::SavePalette(const std::filesystem::path& path) const {
  return WritePaletteFile(path, state_.PaletteEntries);
}

std::string EmulatorSession::SaveRam(const std::filesystem::path& path) const {
  return SaveRamImage(path,
                      std::span<const uint8_t, kRamImageSize>(machine_.State().Memory.data(), kRamImageSize));
}

std::string EmulatorSession::LoadRam(const std::filesystem::path& path) {
  const std::string error =
      LoadRamImage(path, std::span<uint8_t, kRamImageSize>(machine_.State().Memory.data(), kRamImageSize));
  if (error.empty()) runLoop_.UpdateScreen();
  return error;
}

}  // namespace homemicro

namespace homemicro {

std::string EmulatorSession::SaveState(const std::filesystem::path& path) {
  return WriteSnapshotFile(path, CaptureSnapshot(machine_, state_.Pending, runLoop_, romChecksum_));
}

std::string EmulatorSession::LoadState(const std::filesystem::path& path) {
  const SnapshotDecodeResult read = ReadSnapshotFile(path);
  if (!read.Snapshot) return read.Error;
  RestoreSnapshot(*read.Snapshot, machine_, state_.Pending, runLoop_);
  romChecksum_ = read.Snapshot->RomChecksum;
  synth_.Restart(runLoop_.InstructionsExecuted(), (settings_.SpeakerPortValue & 2) != 0);
  runLoop_.UpdateScreen();
  return {};
}

}  // namespace homemicro

namespace homemicro {

std::string EmulatorSession::LoadProgram(const std::filesystem::path& path) {
  const TapeProgramRead read = ReadTapeProgram(path);
  if (!read.Ok) return read.Error;
  StartTapeProgram(machine_, read.Program);
  runLoop_.UpdateScreen();
  Play();
  return {};
}

void EmulatorSession::LoadProgramAfterTicks(const std::filesystem::path& path, int ticks) {
  queuedProgram_ = path;
  ticksBeforeProgram_ = ticks;
}

}  // namespace homemicro
