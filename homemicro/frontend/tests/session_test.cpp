#include "homemicro/frontend/emulator_session.h"

#include <gtest/gtest.h>

#include <memory>

#include "homemicro/frontend/ram_image.h"
#include "test_support.h"

namespace homemicro {
namespace {

using test::Poke;
using test::ReadBytes;
using test::ScratchDir;
using test::WriteBytes;

// A ROM whose program at 0100000 fills the first screen word and waits.
std::vector<uint8_t> ScreenFillingRom() {
  return test::RomWithProgram({
      0012737, 0177777, 0040000,  // MOV #177777,@#40000
      0000777,                    // BR .
  });
}

struct SessionRig {
  ScratchDir dir;
  test::RecordingHost window;
  std::unique_ptr<EmulatorSession> session = std::make_unique<EmulatorSession>(window, 44100);

  StartUpResult StartWithRom(bool audio = true) {
    WriteBytes(dir / "homemicro.rom", ScreenFillingRom());
    return session->StartUp(dir.Path(), audio);
  }
  FrontEndState& State() { return session->State(); }
  MachineState& M() { return session->GetMachine().State(); }
};

TEST(SessionStartUp, WithoutConfigurationTheDefaultsApplyAndCloseWritesThem) {
  SessionRig rig;
  ASSERT_TRUE(rig.StartWithRom().Ok);
  EXPECT_TRUE(rig.window.Messages.empty());
  EXPECT_EQ(rig.State().EmulationSpeed, 13750);
  EXPECT_EQ(rig.State().RepaintCount, 5);
  EXPECT_EQ(rig.State().PaletteEntries, kDefaultPalette);
  EXPECT_EQ(rig.State().BreakAddress, 0177600);
  EXPECT_TRUE(rig.State().OneBitMode);
  EXPECT_TRUE(rig.session->Settings().SoundOn);
  EXPECT_TRUE(rig.session->Settings().RomWriteControl);
  EXPECT_TRUE(rig.State().Run.TimerEnabled());
  EXPECT_TRUE(rig.window.TimerEnabled);
  EXPECT_EQ(rig.M().R[kPC], 0100000);
  EXPECT_EQ(test::PeekMemoryWord(rig.M(), 0100002), 0177777);  // the ROM is loaded

  // The first tick runs the ROM's program, and the picture shows its screen word.
  EXPECT_EQ(rig.session->Tick(), TickOutcome::Completed);
  for (int x = 0; x < 16; ++x) EXPECT_EQ(rig.session->GetDisplay().PicturePixel(x, 0), kWhiteIndex);
  // After them the RAM fill of the reset: 000401 in every word.
  EXPECT_EQ(rig.session->GetDisplay().PicturePixel(16, 0), kWhiteIndex);
  EXPECT_EQ(rig.session->GetDisplay().PicturePixel(17, 0), kBlackIndex);

  rig.session->Close();
  const ConfigReadResult written = ReadConfigFile(rig.dir / "homemicro.cfg");
  ASSERT_TRUE(written.Record);
  EXPECT_EQ(*written.Record, ConfigRecord{});
}

TEST(SessionStartUp, ConfigurationWithPlayByteZeroStartsStopped) {
  SessionRig rig;
  ConfigRecord record;
  record.Play = false;
  record.OneBitMode = false;
  record.EmulationSpeed = 5000;
  record.StartAddress = 100010;
  record.PaletteEntries = {255, 1, 2, 3};
  WriteBytes(rig.dir / "homemicro.cfg", [&] {
    const auto bytes = EncodeConfig(record);
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
  }());
  ASSERT_TRUE(rig.StartWithRom().Ok);
  EXPECT_FALSE(rig.State().Run.TimerEnabled());
  EXPECT_FALSE(rig.window.TimerEnabled);
  EXPECT_FALSE(rig.State().Run.PlayDown());
  EXPECT_FALSE(rig.State().OneBitMode);
  EXPECT_EQ(rig.State().EmulationSpeed, 5000);
  EXPECT_EQ(rig.State().PaletteEntries, (Palette{255, 1, 2, 3}));
  EXPECT_EQ(rig.M().R[kPC], 0100010);
  EXPECT_EQ(rig.session->Tick(), TickOutcome::NotRunning);
}

TEST(SessionStartUp, ShortConfigurationIsFatal) {
  SessionRig rig;
  WriteBytes(rig.dir / "homemicro.cfg", std::vector<uint8_t>(47, 3));
  const StartUpResult result = rig.StartWithRom();
  EXPECT_FALSE(result.Ok);
  EXPECT_EQ(result.FatalMessage, "Ошибка в файле конфигурации");
}

TEST(SessionStartUp, MissingRomIsReportedAndTheMachineStillStarts) {
  SessionRig rig;
  const StartUpResult result = rig.session->StartUp(rig.dir.Path(), true);
  EXPECT_TRUE(result.Ok);
  ASSERT_EQ(rig.window.Messages.size(), 1u);
  EXPECT_EQ(rig.window.Messages[0], "Не найден файл ПЗУ - " + (rig.dir / "homemicro.rom").string());
  // Start-up enables the timer after the reset whatever the ROM load did.
  EXPECT_TRUE(rig.State().Run.TimerEnabled());
  EXPECT_EQ(test::PeekMemoryWord(rig.M(), 0), 0000401);
}

TEST(SessionStartUp, UnreadableRomEndsTheProgram) {
  SessionRig rig;
  WriteBytes(rig.dir / "homemicro.rom", std::vector<uint8_t>(100, 0));
  const StartUpResult result = rig.session->StartUp(rig.dir.Path(), true);
  EXPECT_FALSE(result.Ok);
  EXPECT_TRUE(rig.window.EndRequested);
}

TEST(SessionStartUp, WithoutAudioOutputSoundIsOffButTheButtonStateIsKept) {
  SessionRig rig;
  ASSERT_TRUE(rig.StartWithRom(false).Ok);
  EXPECT_FALSE(rig.session->Settings().SoundOn);
  EXPECT_FALSE(rig.State().SoundAvailable);
  EXPECT_EQ(rig.session->KeyDown(vk::F4, 0), KeyCommand::None);
  EXPECT_FALSE(rig.session->Settings().SoundOn);
  EXPECT_TRUE(rig.session->CurrentConfig().Sound);
}

TEST(SessionCommands, HotKeysActOnTheRunState) {
  SessionRig rig;
  ASSERT_TRUE(rig.StartWithRom().Ok);
  rig.M().R[kPC] = 01234;

  EXPECT_EQ(rig.session->KeyDown(vk::F11, 0), KeyCommand::Stopped);
  EXPECT_FALSE(rig.State().Run.TimerEnabled());
  EXPECT_FALSE(rig.window.TimerEnabled);
  EXPECT_EQ(rig.session->LastPc(), 01232);

  // F12 while stopped: PC changes, the machine stays stopped.
  EXPECT_EQ(rig.session->KeyDown(vk::F12, 0), KeyCommand::SoftReset);
  EXPECT_EQ(rig.M().R[kPC], 0100000);
  EXPECT_FALSE(rig.State().Run.TimerEnabled());

  // ScrollLock while stopped changes the mode, not the picture.
  const int updates = rig.session->Loop().ScreenUpdates();
  EXPECT_EQ(rig.session->KeyDown(vk::ScrollLock, 0), KeyCommand::ScreenModeToggled);
  EXPECT_FALSE(rig.State().OneBitMode);
  EXPECT_EQ(rig.session->Loop().ScreenUpdates(), updates);

  rig.State().BreakAddress = 0100000;
  EXPECT_EQ(rig.session->KeyDown(vk::F11, 0), KeyCommand::Played);
  EXPECT_TRUE(rig.State().Run.TimerEnabled());
  EXPECT_EQ(rig.State().BreakAddress, 0177600);

  // ScrollLock while running redraws at once.
  rig.session->KeyDown(vk::ScrollLock, 0);
  EXPECT_TRUE(rig.State().OneBitMode);
  EXPECT_EQ(rig.session->Loop().ScreenUpdates(), updates + 1);

  EXPECT_EQ(rig.session->KeyDown(vk::F6, 0), KeyCommand::RomControlToggled);
  EXPECT_FALSE(rig.session->Settings().RomWriteControl);
  EXPECT_EQ(rig.session->KeyDown(vk::F4, 0), KeyCommand::SoundToggled);
  EXPECT_FALSE(rig.session->Settings().SoundOn);
  EXPECT_FALSE(rig.State().SoundDown);

  // Ctrl+F12: hard reset and a redraw.
  rig.M().Memory[0200] = 0;
  EXPECT_EQ(rig.session->KeyDown(vk::F12, kCtrlBit), KeyCommand::HardReset);
  EXPECT_EQ(test::PeekMemoryWord(rig.M(), 0200), 0000401);
  EXPECT_EQ(rig.session->Loop().ScreenUpdates(), updates + 2);

  for (uint16_t key : {vk::F1, vk::F7, vk::F10})
    EXPECT_FALSE(rig.session->KeyDown(key, 0) == KeyCommand::None);
  // A held key shows in bit 6 of the system register until any key is released.
  Machine& machine = rig.session->GetMachine();
  EXPECT_EQ(machine.ReadWord(0177716) & 0100, 0100);
  EXPECT_EQ(rig.session->KeyDown('Q', 0), KeyCommand::None);
  EXPECT_TRUE(rig.session->Settings().KeyPending);
  EXPECT_EQ(machine.ReadWord(0177716) & 0100, 0);
  rig.session->KeyUp();
  EXPECT_FALSE(rig.session->Settings().KeyHeld);
  EXPECT_EQ(machine.ReadWord(0177716) & 0100, 0100);
}

TEST(SessionCommands, HardResetThatFindsNoRomStopsTheMachineAsStopDoes) {
  SessionRig rig;
  ASSERT_TRUE(rig.StartWithRom().Ok);
  ASSERT_TRUE(rig.State().Run.TimerEnabled());
  std::filesystem::remove(rig.dir / "homemicro.rom");
  EXPECT_EQ(rig.session->KeyDown(vk::F12, kCtrlBit), KeyCommand::Stopped);
  EXPECT_FALSE(rig.State().Run.TimerEnabled());
  EXPECT_FALSE(rig.window.TimerEnabled);
  EXPECT_FALSE(rig.State().Run.PlayDown());
  EXPECT_EQ(rig.session->LastPc(), static_cast<uint16_t>(rig.M().R[kPC] - 2));
  ASSERT_EQ(rig.window.Messages.size(), 1u);
  // Stopped already: the reset changes no run state.
  EXPECT_EQ(rig.session->KeyDown(vk::F12, kCtrlBit), KeyCommand::HardReset);
  EXPECT_FALSE(rig.State().Run.TimerEnabled());
}

TEST(SessionCommands, ModalWindowsHoldTheTimerAndResumeAStoppedMachine) {
  SessionRig rig;
  ASSERT_TRUE(rig.StartWithRom().Ok);
  rig.session->Stop();
  rig.session->BeginModal();
  EXPECT_FALSE(rig.window.TimerEnabled);
  rig.session->EndModal();
  EXPECT_TRUE(rig.window.TimerEnabled);
  EXPECT_TRUE(rig.State().Run.TimerEnabled());
}

TEST(SessionColours, PaletteCommandsAndFiles) {
  SessionRig rig;
  ASSERT_TRUE(rig.StartWithRom().Ok);
  rig.session->SetPaletteEntry(0, 8);   // white
  rig.session->SetPaletteEntry(4, 8);   // no such entry
  rig.session->SetPaletteEntry(1, 16);  // no such cell
  EXPECT_EQ(rig.State().PaletteEntries, (Palette{255, 252, 250, 249}));
  EXPECT_EQ(rig.session->SavePalette(rig.dir / "white.bkp"), "");

  rig.session->DefaultColors();
  EXPECT_EQ(rig.State().PaletteEntries, kDefaultPalette);

  WriteBytes(rig.dir / "bad.bkp", {3, 'B', 'K', 'C', 255, 255, 255, 255});
  EXPECT_EQ(rig.session->LoadPalette(rig.dir / "bad.bkp"), "Это не файл палитры");
  EXPECT_EQ(rig.State().PaletteEntries, kDefaultPalette);

  EXPECT_EQ(rig.session->LoadPalette(rig.dir / "white.bkp"), "");
  EXPECT_EQ(rig.State().PaletteEntries, (Palette{255, 252, 250, 249}));
}

TEST(SessionRam, SavedImageLoadsBackAndShowsItsScreen) {
  SessionRig rig;
  ASSERT_TRUE(rig.StartWithRom().Ok);
  rig.session->Stop();
  for (uint32_t a = 0; a < kRamImageSize; ++a) rig.M().Memory[a] = static_cast<uint8_t>(a ^ (a >> 7));
  rig.M().Memory[040000] = 0001;
  std::vector<uint8_t> saved(rig.M().Memory.begin(), rig.M().Memory.begin() + kRamImageSize);
  ASSERT_EQ(rig.session->SaveRam(rig.dir / "ram.bin"), "");

  std::fill(rig.M().Memory.begin(), rig.M().Memory.begin() + kRamImageSize, 0);
  ASSERT_EQ(rig.session->LoadRam(rig.dir / "ram.bin"), "");
  EXPECT_TRUE(std::equal(saved.begin(), saved.end(), rig.M().Memory.begin()));
  EXPECT_EQ(rig.session->GetDisplay().PicturePixel(0, 0), kWhiteIndex);  // redrawn while stopped

  WriteBytes(rig.dir / "short.bin", std::vector<uint8_t>(10, 0xff));
  EXPECT_NE(rig.session->LoadRam(rig.dir / "short.bin"), "");
  EXPECT_TRUE(std::equal(saved.begin(), saved.end(), rig.M().Memory.begin()));
}

TEST(SessionClose, ConfigurationStoresTheFirst16CharactersOfTheSettingsRomName) {
  SessionRig rig;
  ASSERT_TRUE(rig.StartWithRom().Ok);
  rig.State().RepaintCount = 7;
  rig.session->Close("abcdefghijklmnopqrst");
  const ConfigReadResult written = ReadConfigFile(rig.dir / "homemicro.cfg");
  ASSERT_TRUE(written.Record);
  EXPECT_EQ(written.Record->RomFileName, "abcdefghijklmnop");
  EXPECT_EQ(written.Record->RepaintCount, 7);
}

}  // namespace
}  // namespace homemicro
