// Everything the main window does that is not drawing: start-up and close, the run timer's
// tick, the tool bar and hot-key commands, the key latch, palettes and RAM images. The window
// (or a headless runner) supplies the host services and acts on what these calls return.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "homemicro/core/host_services.h"
#include "homemicro/core/machine.h"
#include "homemicro/frontend/config_file.h"
#include "homemicro/frontend/disk_files.h"
#include "homemicro/frontend/display.h"
#include "homemicro/frontend/frontend_state.h"
#include "homemicro/frontend/run_loop.h"
#include "homemicro/frontend/speaker_synth.h"
#include "homemicro/frontend/tracer_session.h"

namespace homemicro {

inline constexpr std::string_view kNoSoundHint = "Нет устройства вывода звука: звук выключен";

struct StartUpResult {
  bool Ok = true;
  // Shown (caption "Emul", error icon) before the program ends; empty when the core has
  // already shown its own message.
  std::string FatalMessage;
};

// What a key press asks of the window after the session has done its part.
enum class KeyCommand {
  None,                  // a machine key (recorded or ignored)
  ShowAbout,             // F1: modal About box
  ShowDirectoryChooser,  // F7: modal directory chooser
  ShowSettings,          // F10: modal settings dialog
  SoundToggled,          // F4: buttons to refresh
  RomControlToggled,     // F6
  Stopped,               // F11 while running: show the tracer at LastPc()
  Played,                // F11 while stopped: hide the tracer
  SoftReset,             // F12
  HardReset,             // Ctrl+F12 (the screen is already updated)
  ScreenModeToggled,     // ScrollLock (the screen is updated when running)
  SaveState,             // F2: snapshot of the whole machine to a file the user names
  LoadState,             // F3: snapshot from a file
};

// Holds the whole machine and the display picture (a few hundred KB): allocate it on the heap.
class EmulatorSession final : private HostServices {
 public:
  // `window` must outlive the session; its StopRunTimer/StartRunTimer follow the run state.
  EmulatorSession(HostServices& window, int sampleRate);
  EmulatorSession(const EmulatorSession&) = delete;
  EmulatorSession& operator=(const EmulatorSession&) = delete;

  // Called after every change of the run state (State().Run): the window sets its buttons and
  // shows or hides the tracer from it.
  void SetRunStateObserver(std::function<void()> observer) { runStateObserver_ = std::move(observer); }

  // Start-up steps 1 to 10: configuration from `startDirectory`, the defaults otherwise, the
  // speaker probe (`audioAvailable`), the machine's first hard reset, the run state.
  StartUpResult StartUp(const std::filesystem::path& startDirectory, bool audioAvailable);

  // Writes the configuration to StartDirectory; `romNameInSettings` is the settings dialog's
  // ROM name field when there is one (kept whole). Failures are ignored.
  void Close(std::optional<std::string_view> romNameInSettings = std::nullopt);

  // The run timer's event.
  TickOutcome Tick();

  // Tool bar commands.
  void Play();
  void Stop();
  void SoftReset();
  // A hard reset that finds no ROM file stops a running machine as Stop does: true then.
  bool HardReset();
  void ToggleSound();  // no effect while no audio output exists
  void ToggleRomWriteControl();
  void SetOneBitMode(bool oneBit);  // sbBpp1 / sbBpp2: the picture changes at the next slice
  void ToggleOneBitMode();          // ScrollLock: redraws at once while running
  // Around every modal window opened from the main window; the timer is enabled afterwards
  // whatever its state before.
  void BeginModal();
  void EndModal();

  KeyCommand KeyDown(uint16_t virtualKey, uint8_t shiftState);
  void KeyUp() { EndKeyPress(settings_); }

  // Colours: the default palette, one entry from a colour table cell (0..15).
  void DefaultColors();
  void SetPaletteEntry(int entry, int cell);
  // Palette files: the error message, or an empty string on success.
  std::string LoadPalette(const std::filesystem::path& path);
  std::string SavePalette(const std::filesystem::path& path) const;
  // RAM images (addresses 0..077777): the error text, or an empty string on success. A load
  // that succeeds redraws the screen; one that fails leaves memory as it was.
  std::string SaveRam(const std::filesystem::path& path) const;
  std::string LoadRam(const std::filesystem::path& path);

  // Snapshots of the whole machine: the error text, or an empty string on success. A load
  // that fails changes nothing; one that succeeds redraws the screen.
  std::string SaveState(const std::filesystem::path& path);
  std::string LoadState(const std::filesystem::path& path);
  // A BK tape file started at once (the machine runs afterwards): the error text, or an empty
  // string. The later form waits `ticks` run-loop ticks, so the firmware has started its
  // monitor first (the program given on the command line); its error is shown as a message.
  std::string LoadProgram(const std::filesystem::path& path);
  void LoadProgramAfterTicks(const std::filesystem::path& path, int ticks);

  // The kit's own ROM, read by every hard reset that finds no file under the configured name.
  void SetKitRom(std::optional<std::filesystem::path> kitRom) { kitRom_ = std::move(kitRom); }
  // The last hard reset placed the kit's ROM (the window shows kKitRomNote).
  bool UsingKitRom() const { return usingKitRom_; }

  // The checksum of the ROM image placed by the last hard reset.
  uint32_t RomChecksum() const { return romChecksum_; }

  // The tracer's LastPc (PC - 2 after Stop).
  uint16_t LastPc() const { return tracer_.LastPc; }
  TracerSession& Tracer() { return tracer_; }

  Machine& GetMachine() { return machine_; }
  FrontEndSettings& Settings() { return settings_; }
  FrontEndState& State() { return state_; }
  const FrontEndState& State() const { return state_; }
  Display& GetDisplay() { return display_; }
  SpeakerSynth& Synth() { return synth_; }
  RunLoop& Loop() { return runLoop_; }

  // The configuration record for the current state.
  ConfigRecord CurrentConfig(std::optional<std::string_view> romNameInSettings = std::nullopt) const;

 private:
  void ApplyConfig(const ConfigRecord& record);
  void RunStateChanged();
  // The core's hard reset, with the kit's ROM standing in for a missing configured file.
  void ResetMachine();

  // HostServices, as the core sees them: the run timer is handled here, the rest goes to the
  // window.
  void ShowMessage(std::string_view text, MessageIcon icon) override { window_.ShowMessage(text, icon); }
  bool AskYesNo(std::string_view text) override { return window_.AskYesNo(text); }
  // The core stops the timer around its dialogs: they hold the machine and give it back.
  void StopRunTimer() override { state_.Run.Hold(); }
  void StartRunTimer() override { state_.Run.Release(); }
  std::optional<std::string> OpenFileDialog(const OpenFileRequest& request) override {
    return window_.OpenFileDialog(request);
  }
  void EndProgram() override;

  HostServices& window_;
  FrontEndSettings settings_;
  FrontEndState state_;
  DiskFiles files_;
  Machine machine_;
  Display display_;
  SpeakerSynth synth_;
  RunLoop runLoop_;
  TracerSession tracer_;
  std::function<void()> runStateObserver_;
  bool timerShown_ = false;  // what the window's timer was last told
  uint32_t romChecksum_ = 0;
  std::optional<std::filesystem::path> kitRom_;
  bool usingKitRom_ = false;
  std::filesystem::path queuedProgram_;
  int ticksBeforeProgram_ = 0;
};

}  // namespace homemicro
