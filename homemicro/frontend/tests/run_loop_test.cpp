#include "homemicro/frontend/run_loop.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <stdexcept>

#include "test_support.h"
#include "tone_measure.h"

namespace homemicro {
namespace {

using test::Poke;

constexpr uint16_t kProgramStart = 01000;
constexpr uint16_t kKeyboardHandler = 0500;  // below the INC R0 run
constexpr uint16_t kBusErrorHandler = 0520;

// Host files whose every look-up runs `onFind` first: the tape call's way to make the host
// fail, or ask for the end of the program, in the middle of a tick.
struct ScriptedFiles : HostFiles {
  std::function<void()> onFind;
  HostEntry Find(const std::string&) override {
    if (onFind) onFind();
    return HostEntry::Missing;
  }
  HostFileContents Read(const std::string&, std::size_t) override { return {}; }
  std::string Write(const std::string&, std::span<const uint8_t>) override { return "read-only"; }
  std::string CurrentDirectory() override { return "/"; }
};

// A tape call loading the file "\200" (the block's name field holds INC R0 words).
constexpr uint16_t kTapeBlock = 02000;
void PokeTapeLoad(MachineState& m) {
  Poke(m, kProgramStart, {0104036});  // EMT 36
  Poke(m, kTapeBlock, {0000003});     // load
  m.R[1] = kTapeBlock;
}

// A machine with INC R0 from 01000 on (R0 counts the instructions run) and handlers that
// branch to themselves at the keyboard and bus-error vectors.
struct RunLoopRig {
  test::RecordingHost host;
  ScriptedFiles files;
  FrontEndSettings settings;
  FrontEndState state;
  std::unique_ptr<Machine> machine = std::make_unique<Machine>(settings, host, files);
  std::unique_ptr<Display> display = std::make_unique<Display>();
  SpeakerSynth synth{44100};
  RunLoop loop{*machine, state, *display, synth};

  RunLoopRig() {
    MachineState& m = machine->State();
    test::FillWithIncR0(m, kProgramStart, 0100000);
    Poke(m, kKeyboardHandler, {test::kBranchToSelf});
    Poke(m, kBusErrorHandler, {test::kBranchToSelf});
    Poke(m, kKeyboardVector, {kKeyboardHandler});
    Poke(m, kBusErrorVector, {kBusErrorHandler});
    m.R[kSP] = 0700;
    m.R[kPC] = kProgramStart;
    m.KeyIntMask = 0;  // keyboard interrupt enabled
    state.Run.Play();
  }
  MachineState& M() { return machine->State(); }
};

TEST(RunLoop, SlicesRunEmulationSpeedOverRepaintCountInstructions) {
  struct Case {
    int32_t Speed, Repaint;
    int Instructions, ScreenUpdates;
  } const cases[] = {
      {13750, 5, 13750, 5},
      {13750, 3, 13749, 3},  // 4583 per slice: one fewer than the setting
      {100, 20, 100, 20},
      {3, 5, 0, 5},      // fewer instructions than slices: none run, the screen still updates
      {13750, 0, 0, 0},  // no slices: the tick does nothing
      {13750, -4, 0, 0},
      {-100, 2, 0, 2},
  };
  for (const Case& c : cases) {
    RunLoopRig rig;
    rig.state.EmulationSpeed = c.Speed;
    rig.state.RepaintCount = c.Repaint;
    EXPECT_EQ(rig.loop.Tick(), TickOutcome::Completed);
    EXPECT_EQ(rig.M().R[0], c.Instructions) << c.Speed << "/" << c.Repaint;
    EXPECT_EQ(rig.loop.InstructionsExecuted(), static_cast<uint64_t>(c.Instructions));
    EXPECT_EQ(rig.loop.ScreenUpdates(), c.ScreenUpdates) << c.Speed << "/" << c.Repaint;
    EXPECT_TRUE(rig.state.Run.TimerEnabled());
  }
}

TEST(RunLoop, DisabledTimerRunsNothing) {
  RunLoopRig rig;
  rig.state.Run.Stop();
  EXPECT_EQ(rig.loop.Tick(), TickOutcome::NotRunning);
  EXPECT_EQ(rig.M().R[0], 0);
  EXPECT_EQ(rig.loop.ScreenUpdates(), 0);
}

TEST(RunLoop, BreakAddressStopsBeforeTheInstructionAndEndsTheTick) {
  struct Case {
    uint16_t Break;
    int Instructions;
  } const cases[] = {{kProgramStart, 0}, {kProgramStart + 2 * 3000, 3000}};
  for (const Case& c : cases) {
    RunLoopRig rig;
    rig.state.BreakAddress = c.Break;
    EXPECT_EQ(rig.loop.Tick(), TickOutcome::StoppedAtBreak);
    EXPECT_EQ(rig.M().R[0], c.Instructions);
    EXPECT_EQ(rig.M().R[kPC], c.Break);
    // 3000 instructions lie inside the second slice; the first one's update is the only one.
    EXPECT_EQ(rig.loop.ScreenUpdates(), c.Instructions / 2750);
    EXPECT_FALSE(rig.state.Run.TimerEnabled());
  }
}

TEST(RunLoop, PcAtTheNoBreakValueDoesNotStop) {
  RunLoopRig rig;
  Poke(rig.M(), 0177600, {test::kIncR0, test::kBranchToSelf});
  rig.M().R[kPC] = 0177600;
  EXPECT_EQ(rig.loop.Tick(), TickOutcome::Completed);
  EXPECT_EQ(rig.M().R[0], 1);
}

TEST(RunLoop, PendingKeyIsDeliveredAfterTheFirstInstruction) {
  struct Case {
    uint16_t Key;
    uint8_t Shift;
    uint16_t IntMask;
    uint16_t Pc;       // where the machine ends up
    uint16_t KeyData;  // what 0177662 holds afterwards
    uint16_t KeyStatus;
    int Instructions;  // INC R0 run
  } const cases[] = {
      {'A', 0, 0, kKeyboardHandler, 0101, 0200, 1},
      {'2', kShiftBit, 0, kKeyboardHandler, 0100, 0200, 1},
      {vk::Enter, kShiftBit, 0, kKeyboardHandler, 015, 0200, 1},
      {'A', 0, 0100, kProgramStart + 2 * 10, 0101, 0300, 10},  // interrupt disabled
      {vk::Escape, 0, 0, kBusErrorHandler, 055, 0100, 1},      // STOP: registers untouched
      {vk::Escape, kShiftBit, 0100, kBusErrorHandler, 055, 0100, 1},
  };
  for (const Case& c : cases) {
    RunLoopRig rig;
    rig.state.EmulationSpeed = 10;
    rig.state.RepaintCount = 1;
    rig.M().KeyIntMask = c.IntMask;
    rig.M().KeyStatus = 0100;
    rig.M().KeyData = 055;
    RecordKeyPress(rig.settings, rig.state.Pending, c.Key, c.Shift);
    EXPECT_EQ(rig.loop.Tick(), TickOutcome::Completed);
    EXPECT_EQ(rig.M().R[kPC], c.Pc) << "key " << c.Key;
    EXPECT_EQ(rig.M().KeyData, c.KeyData) << "key " << c.Key;
    EXPECT_EQ(rig.M().KeyStatus, c.KeyStatus) << "key " << c.Key;
    EXPECT_EQ(rig.M().R[0], c.Instructions) << "key " << c.Key;
    EXPECT_FALSE(rig.settings.KeyPending);
    EXPECT_TRUE(rig.settings.KeyHeld);
  }
}

// Keys typed faster than the program reads them wait in order: each goes in once the ready bit
// is clear, and a STOP goes in at once.
TEST(RunLoop, QueuedKeysWaitForTheProgramToReadThePreviousOne) {
  RunLoopRig rig;
  rig.state.EmulationSpeed = static_cast<int32_t>(kKeySettleInstructions) + 1;
  rig.state.RepaintCount = 1;
  rig.M().KeyIntMask = 0100;  // polled, no interrupt
  rig.M().KeyStatus = 0100;
  for (uint16_t key : {'H', 'I', 'J'}) {
    RecordKeyPress(rig.settings, rig.state.Pending, key, 0);
    EndKeyPress(rig.settings);
  }
  rig.loop.Tick();
  EXPECT_EQ(rig.M().KeyData, 'H');
  EXPECT_TRUE(rig.settings.KeyPending);
  rig.loop.Tick();  // nobody read H
  EXPECT_EQ(rig.M().KeyData, 'H');
  rig.machine->ReadWord(kKeyDataRegister);
  rig.loop.Tick();
  EXPECT_EQ(rig.M().KeyData, 'I');
  EXPECT_EQ(rig.M().KeyStatus, 0300);
  rig.machine->ReadWord(kKeyDataRegister);
  rig.loop.Tick();
  EXPECT_EQ(rig.M().KeyData, 'J');
  EXPECT_FALSE(rig.settings.KeyPending);
}

TEST(RunLoop, UnreadKeyIsReplacedAfterTheWaitLimit) {
  RunLoopRig rig;
  rig.state.EmulationSpeed = static_cast<int32_t>(kKeyWaitLimit);
  rig.state.RepaintCount = 1;
  rig.M().KeyIntMask = 0100;
  for (uint16_t key : {'A', 'B'}) {
    RecordKeyPress(rig.settings, rig.state.Pending, key, 0);
    EndKeyPress(rig.settings);
  }
  rig.loop.Tick();
  EXPECT_EQ(rig.M().KeyData, 'A');
  rig.loop.Tick();
  EXPECT_EQ(rig.M().KeyData, 'B');
}

TEST(RunLoop, Ar2KeysInterruptThrough274) {
  RunLoopRig rig;
  rig.state.EmulationSpeed = 1;
  rig.state.RepaintCount = 1;
  rig.M().KeyIntMask = 0;
  Poke(rig.M(), 0274, {kKeyboardHandler + 4, 0});
  RecordKeyPress(rig.settings, rig.state.Pending, 'A', kAltBit | kCtrlBit);
  rig.loop.Tick();
  EXPECT_EQ(rig.M().R[kPC], kKeyboardHandler + 4);
  EXPECT_EQ(rig.M().KeyData, 001);
}

TEST(RunLoop, SliceWithoutInstructionsKeepsTheKeyPending) {
  RunLoopRig rig;
  rig.state.EmulationSpeed = 2;
  rig.state.RepaintCount = 3;
  RecordKeyPress(rig.settings, rig.state.Pending, 'A', 0);
  rig.loop.Tick();
  EXPECT_TRUE(rig.settings.KeyPending);
  EXPECT_EQ(rig.M().KeyData, 0);
}

TEST(RunLoop, HostFailureInATickGivesTheRegisterDump) {
  RunLoopRig rig;
  rig.files.onFind = [] { throw std::runtime_error("host file failure"); };
  rig.M().R = {1, 010, 0177777, 0123456, 0, 07, 0700, kProgramStart};
  PokeTapeLoad(rig.M());
  EXPECT_EQ(rig.loop.Tick(), TickOutcome::Failed);
  // The call had entered like an EMT: its frame is on the stack.
  EXPECT_EQ(rig.loop.FailureMessage(),
            "Сбой в эмуляции. Содержимое регистров:\n\n"
            "R0=000001, R1=002000, R2=177777, R3=123456,\n"
            "R4=000000, R5=000007, SP=000674, PC=001002.");
  EXPECT_FALSE(rig.state.Run.TimerEnabled());
}

TEST(RunLoop, EndRequestedByTheCoreStopsTheTick) {
  RunLoopRig rig;
  rig.files.onFind = [&rig] { rig.loop.RequestEnd(); };
  PokeTapeLoad(rig.M());
  EXPECT_EQ(rig.loop.Tick(), TickOutcome::EndProgram);
  EXPECT_EQ(rig.loop.InstructionsExecuted(), 1u);
}

TEST(RunLoop, ScreenUpdateShowsVideoRamThroughTheScrollRegister) {
  RunLoopRig rig;
  rig.state.EmulationSpeed = 0;
  rig.M().Memory[040000 + 64 * 5] = 0001;   // video line 5
  Poke(rig.M(), kScrollRegister, {01335});  // scrolled five lines up
  rig.loop.Tick();
  EXPECT_EQ(rig.display->PicturePixel(0, 0), kWhiteIndex);
  EXPECT_EQ(rig.display->PicturePixel(1, 0), kBlackIndex);
}

// Every slice asks for a redraw; the picture is converted again only when its sources changed.
TEST(RunLoop, ScreenIsConvertedOnlyWhenItsSourcesChanged) {
  RunLoopRig rig;
  rig.loop.Tick();  // INC R0 never touches the screen
  EXPECT_EQ(rig.loop.ScreenUpdates(), 5);
  EXPECT_EQ(rig.loop.ScreenConversions(), 1);
  const std::function<void(RunLoopRig&)> changes[] = {
      [](RunLoopRig& r) { r.M().Memory[077777] ^= 1; },
      [](RunLoopRig& r) { Poke(r.M(), kScrollRegister, {01331}); },
      [](RunLoopRig& r) { r.state.OneBitMode = !r.state.OneBitMode; },
      [](RunLoopRig& r) { r.state.PaletteEntries[3] = 7; },
  };
  int conversions = 1;
  for (const auto& change : changes) {
    change(rig);
    rig.loop.Tick();
    EXPECT_EQ(rig.loop.ScreenConversions(), ++conversions);
  }
}

TEST(RunLoop, ToggledSpeakerLineSoundsAtTheProgramsFrequency) {
  struct Case {
    int32_t Speed;
    bool SoundOn;
  } const cases[] = {{13750, true}, {6875, true}, {13750, false}};
  for (const Case& c : cases) {
    RunLoopRig rig;
    rig.settings.SoundOn = c.SoundOn;
    rig.state.EmulationSpeed = c.Speed;
    test::PokeToneProgram(rig.M(), kProgramStart);
    for (int tick = 0; tick < 20; ++tick) ASSERT_EQ(rig.loop.Tick(), TickOutcome::Completed);
    const auto& samples = rig.synth.Samples();
    EXPECT_NEAR(static_cast<double>(samples.size()), 44100 * 1.1, 2.0);
    if (!c.SoundOn) {
      EXPECT_TRUE(std::all_of(samples.begin(), samples.end(), [](int16_t s) { return s == 0; }));
      continue;
    }
    const double expected = c.Speed / 0.055 / test::kToneInstructionsPerCycle;
    EXPECT_NEAR(test::MeasureFrequency(samples, 44100, 2000), expected, expected * 0.005) << c.Speed;
  }
}

}  // namespace
}  // namespace homemicro
