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

TEST(SessionClose, ConfigurationKeepsALongSettingsRomNameWhole) {
  SessionRig rig;
  ASSERT_TRUE(rig.StartWithRom().Ok);
  rig.State().RepaintCount = 7;
  const std::string longName = (rig.dir / "a folder with a long name" / "firmware-1986.rom").string();
  rig.session->Close(longName);
  const ConfigReadResult written = ReadConfigFile(rig.dir / "homemicro.cfg");
  ASSERT_TRUE(written.Record);
  EXPECT_EQ(written.Record->RomFileName, longName);
  EXPECT_EQ(written.Record->RepaintCount, 7);

  // The next start reads the ROM from that path.
  std::filesystem::create_directories(rig.dir / "a folder with a long name");
  WriteBytes(longName, test::RomWithProgram({0012700, 0001234, 0000777}));  // MOV #1234,R0
  std::filesystem::remove(rig.dir / "homemicro.rom");
  test::RecordingHost window;
  auto next = std::make_unique<EmulatorSession>(window, 44100);
  ASSERT_TRUE(next->StartUp(rig.dir.Path(), true).Ok);
  EXPECT_TRUE(window.Messages.empty());
  EXPECT_EQ(next->Settings().RomFileName, longName);
  EXPECT_EQ(test::PeekMemoryWord(next->GetMachine().State(), 0100002), 01234);
}

TEST(SessionStartUp, TheKitRomStandsInForAMissingRomFile) {
  // The kit's ROM in a folder of its own (the test's scratch folder is one per test).
  const auto installKit = [](SessionRig& rig) {
    std::filesystem::create_directories(rig.dir / "share");
    WriteBytes(rig.dir / "share/homemicro.rom", test::RomWithProgram({0012700, 0004321, 0000777}));
    rig.session->SetKitRom(rig.dir / "share/homemicro.rom");
  };
  struct Case {
    const char* What;
    bool RomInFolder;
    bool KitKnown;
    bool UsingKit;
    uint16_t Word;  // at 0100002 after the start
    bool Message;   // "Не найден файл ПЗУ - "
  } const cases[] = {
      {"own ROM in the folder", true, true, false, 0177777, false},
      {"no ROM, kit ROM installed", false, true, true, 04321, false},
      {"no ROM anywhere", false, false, false, 0, true},
  };
  for (const Case& c : cases) {
    SessionRig rig;
    if (c.RomInFolder) WriteBytes(rig.dir / "homemicro.rom", ScreenFillingRom());
    if (c.KitKnown) installKit(rig);
    ASSERT_TRUE(rig.session->StartUp(rig.dir.Path(), true).Ok) << c.What;
    EXPECT_EQ(rig.session->UsingKitRom(), c.UsingKit) << c.What;
    EXPECT_EQ(test::PeekMemoryWord(rig.M(), 0100002), c.Word) << c.What;
    EXPECT_EQ(!rig.window.Messages.empty(), c.Message) << c.What;
    // The user's setting stays what it was, in the settings and in the saved configuration.
    EXPECT_EQ(rig.session->Settings().RomFileName, "homemicro.rom") << c.What;
    rig.session->Close();
    EXPECT_EQ(ReadConfigFile(rig.dir / "homemicro.cfg").Record->RomFileName, "homemicro.rom") << c.What;
  }
  // A ROM file put in place later is what the next hard reset reads.
  SessionRig rig;
  installKit(rig);
  ASSERT_TRUE(rig.session->StartUp(rig.dir.Path(), true).Ok);
  ASSERT_TRUE(rig.session->UsingKitRom());
  WriteBytes(rig.dir / "homemicro.rom", ScreenFillingRom());
  rig.session->HardReset();
  EXPECT_FALSE(rig.session->UsingKitRom());
  EXPECT_EQ(test::PeekMemoryWord(rig.M(), 0100002), 0177777);
}

}  // namespace
}  // namespace homemicro
