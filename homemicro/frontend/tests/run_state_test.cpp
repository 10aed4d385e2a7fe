// Every path that starts or stops the machine leaves the Play button, the run timer the window
// was told about and the tracer agreeing, because all three read the one run state.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <stdexcept>

#include "homemicro/frontend/emulator_session.h"
#include "homemicro/frontend/virtual_keys.h"
#include "test_support.h"

namespace homemicro {
namespace {

using test::Poke;

// A window whose open dialog runs a script (it may look at the run state, or fail).
struct ScriptedWindow : test::RecordingHost {
  std::function<std::optional<std::string>()> onOpen;
  std::optional<std::string> OpenFileDialog(const OpenFileRequest&) override {
    return onOpen ? onOpen() : std::nullopt;
  }
};

struct Seen {
  bool Timer, Play, Tracer;
};

struct RunRig {
  test::ScratchDir dir;
  ScriptedWindow window;
  std::unique_ptr<EmulatorSession> session = std::make_unique<EmulatorSession>(window, 44100);
  int changes = 0;

  RunRig() {
    test::WriteBytes(dir / "homemicro.rom", test::RomWithProgram({test::kBranchToSelf}));
    session->SetRunStateObserver([this] { ++changes; });
    EXPECT_TRUE(session->StartUp(dir.Path(), true).Ok);
  }
  RunState& Run() { return session->State().Run; }
  MachineState& M() { return session->GetMachine().State(); }
  Seen Now() { return {Run().TimerEnabled(), Run().PlayDown(), Run().TracerShown()}; }
  // The timer the window runs is the one the run state asks for.
  void ExpectAgreement(const Seen& expected, const char* path) {
    EXPECT_EQ(window.TimerEnabled, Run().TimerEnabled()) << path;
    EXPECT_EQ(Run().TimerEnabled(), expected.Timer) << path;
    EXPECT_EQ(Run().PlayDown(), expected.Play) << path;
    EXPECT_EQ(Run().TracerShown(), expected.Tracer) << path;
  }
  // A tape load with an empty name: the open dialog, at 01000.
  void PokeTapeLoadWithDialog() {
    Poke(M(), 02000, {3, 0, 0});
    for (uint16_t a = 02006; a < 02026; a += 2) Poke(M(), a, {0x2020});
    Poke(M(), 01000, {0104036, test::kBranchToSelf});
    M().R[1] = 02000;
    M().R[kSP] = 0700;
    M().R[kPC] = 01000;
  }
};

constexpr Seen kRunning{true, true, false};
constexpr Seen kStopped{false, false, true};
constexpr Seen kHeldWhileRunning{false, true, false};
constexpr Seen kEnded{false, true, false};

TEST(RunState, StartStopAndBreakPoint) {
  RunRig rig;
  rig.ExpectAgreement(kRunning, "start-up");
  rig.session->KeyDown(vk::F11, 0);
  rig.ExpectAgreement(kStopped, "F11 stops");
  EXPECT_EQ(rig.session->KeyDown(vk::F11, 0), KeyCommand::Played);
  rig.ExpectAgreement(kRunning, "F11 plays");
  rig.session->State().BreakAddress = static_cast<uint16_t>(rig.M().R[kPC]);
  EXPECT_EQ(rig.session->Tick(), TickOutcome::StoppedAtBreak);
  rig.ExpectAgreement(kStopped, "break point");
  EXPECT_GE(rig.changes, 3);
}

TEST(RunState, HardResetWithoutRomStopsARunningMachineOnly) {
  RunRig rig;
  std::filesystem::remove(rig.dir / "homemicro.rom");
  EXPECT_EQ(rig.session->KeyDown(vk::F12, kCtrlBit), KeyCommand::Stopped);
  rig.ExpectAgreement(kStopped, "running, ROM gone");
  EXPECT_EQ(rig.session->LastPc(), static_cast<uint16_t>(rig.M().R[kPC] - 2));
  EXPECT_EQ(rig.Run().Holds(), 0);
  EXPECT_EQ(rig.session->KeyDown(vk::F12, kCtrlBit), KeyCommand::HardReset);
  rig.ExpectAgreement(kStopped, "stopped, ROM gone");
  EXPECT_EQ(rig.window.Messages.size(), 2u);
  // With the ROM back a hard reset changes nothing of the run state.
  test::WriteBytes(rig.dir / "homemicro.rom", test::RomWithProgram({test::kBranchToSelf}));
  rig.session->Play();
  EXPECT_EQ(rig.session->KeyDown(vk::F12, kCtrlBit), KeyCommand::HardReset);
  rig.ExpectAgreement(kRunning, "ROM found");
}

TEST(RunState, StartWithoutRomRunsAsThePlayButtonSays) {
  for (bool play : {true, false}) {
    test::ScratchDir dir;
    ScriptedWindow window;
    ConfigRecord record;
    record.Play = play;
    const auto bytes = EncodeConfig(record);
    test::WriteBytes(dir / "homemicro.cfg", std::vector<uint8_t>(bytes.begin(), bytes.end()));
    EmulatorSession session(window, 44100);
    ASSERT_TRUE(session.StartUp(dir.Path(), true).Ok);
    EXPECT_EQ(session.State().Run.TimerEnabled(), play);
    EXPECT_EQ(window.TimerEnabled, play);
    EXPECT_EQ(session.State().Run.TracerShown(), !play);
  }
}

TEST(RunState, ModalCommandsHoldAndThenResume) {
  for (bool stoppedBefore : {false, true}) {
    RunRig rig;
    if (stoppedBefore) rig.session->Stop();
    rig.session->BeginModal();
    rig.ExpectAgreement(stoppedBefore ? Seen{false, false, false} : kHeldWhileRunning, "dialog open");
    rig.session->EndModal();
    rig.ExpectAgreement(kRunning, "dialog closed");
  }
}

TEST(RunState, TapeDialogHoldsAndGivesBackInATickAndInASingleStep) {
  RunRig rig;
  rig.PokeTapeLoadWithDialog();
  Seen during{};
  rig.window.onOpen = [&] {
    during = rig.Now();
    EXPECT_EQ(rig.window.TimerEnabled, false);
    return std::nullopt;
  };
  EXPECT_EQ(rig.session->Tick(), TickOutcome::Completed);
  EXPECT_EQ(during.Timer, false);
  EXPECT_EQ(during.Tracer, false);
  rig.ExpectAgreement(kRunning, "tape dialog in a tick");

  rig.PokeTapeLoadWithDialog();
  rig.session->Stop();
  rig.session->Tracer().KeyDown(vk::Space, 0);
  EXPECT_EQ(rig.M().R[kPC], 01002);
  EXPECT_FALSE(during.Tracer);  // the tracer stepped aside for the dialog
  rig.ExpectAgreement(kStopped, "tape dialog in a single step");
}

TEST(RunState, FailureInATickEndsEverything) {
  RunRig rig;
  rig.PokeTapeLoadWithDialog();
  rig.window.onOpen = []() -> std::optional<std::string> { throw std::runtime_error("dialog failed"); };
  EXPECT_EQ(rig.session->Tick(), TickOutcome::Failed);
  rig.ExpectAgreement(kEnded, "failure");
  EXPECT_TRUE(rig.Run().Ended());
  // Nothing brings it back.
  rig.session->Play();
  rig.session->Tracer().Leave();
  rig.ExpectAgreement(kEnded, "after the failure");
  EXPECT_EQ(rig.session->Tick(), TickOutcome::NotRunning);
}

TEST(RunState, TracerStepOverRunsAndStopsAtTheNextInstruction) {
  RunRig rig;
  Poke(rig.M(), 01000, {test::kNop, test::kNop, test::kBranchToSelf});
  rig.M().R[kPC] = 01000;
  rig.session->Stop();
  TracerSession& tracer = rig.session->Tracer();
  tracer.UpdateAll();
  tracer.KeyDown(vk::F8, 0);
  rig.ExpectAgreement(kRunning, "step over");
  EXPECT_EQ(rig.session->Tick(), TickOutcome::StoppedAtBreak);
  EXPECT_EQ(rig.M().R[kPC], 01002);
  rig.ExpectAgreement(kStopped, "back at the break point");
  tracer.Leave();
  rig.ExpectAgreement(kRunning, "left");
  EXPECT_EQ(rig.session->State().BreakAddress, kNoBreakAddress);
}

}  // namespace
}  // namespace homemicro
