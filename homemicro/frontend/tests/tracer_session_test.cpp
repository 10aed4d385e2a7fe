#include "homemicro/frontend/tracer_session.h"

#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <stdexcept>

#include "homemicro/frontend/run_loop.h"
#include "homemicro/frontend/virtual_keys.h"
#include "test_support.h"

namespace homemicro {
namespace {

using test::Poke;
using Kind = PromptAnswer::Kind;

// Answers the number box from a script and records everything else the tracer hands out.
struct ScriptedTracerHost : TracerHost {
  std::deque<PromptAnswer> answers;  // an empty script cancels
  std::vector<std::string> captions;
  std::vector<uint16_t> shown;
  std::vector<uint16_t> keysDown, keysUp;
  int screenUpdates = 0;
  std::string failure;

  PromptAnswer AskNumber(std::string_view caption, uint16_t value) override {
    captions.emplace_back(caption);
    shown.push_back(value);
    if (answers.empty()) return {Kind::Cancelled, 0};
    const PromptAnswer answer = answers.front();
    answers.pop_front();
    return answer;
  }
  void PassKeyDown(uint16_t key, uint8_t) override { keysDown.push_back(key); }
  void PassKeyUp(uint16_t key, uint8_t) override { keysUp.push_back(key); }
  void ScreenChanged() override { ++screenUpdates; }
  void EmulationFailed(const std::string& message) override { failure = message; }
};

struct ThrowingFiles : HostFiles {
  HostEntry Find(const std::string&) override { throw std::runtime_error("disk gone"); }
  HostFileContents Read(const std::string&, std::size_t) override { return {}; }
  std::string Write(const std::string&, std::span<const uint8_t>) override { return "read-only"; }
  std::string CurrentDirectory() override { return "/"; }
};

// A machine stopped at 01000 with the tracer up, LastPc 0776, as Stop leaves it.
struct TracerRig {
  test::RecordingHost machineHost;
  ThrowingFiles files;
  FrontEndSettings settings;
  FrontEndState state;
  std::unique_ptr<Machine> machine = std::make_unique<Machine>(settings, machineHost, files);
  std::unique_ptr<Display> display = std::make_unique<Display>();
  SpeakerSynth synth{44100};
  RunLoop loop{*machine, state, *display, synth};
  ScriptedTracerHost host;
  TracerSession tracer{*machine, state};

  TracerRig() {
    MachineState& m = M();
    for (uint32_t a = 0; a < 040000; a += 2) Poke(m, static_cast<uint16_t>(a), {test::kNop});
    m.R[kSP] = 0700;
    m.R[kPC] = 01000;
    state.Run.Stop();
    tracer.SetHost(&host);
    tracer.LastPc = 0776;
    tracer.UpdateAll();
  }
  MachineState& M() { return machine->State(); }
  void Load(uint16_t address, std::initializer_list<uint16_t> words) {
    Poke(M(), address, words);
    tracer.UpdateAll();
  }
  void Press(uint16_t key) {
    tracer.KeyDown(key, 0);
    tracer.KeyUp(key, 0);
  }
  // Ticks until the break point stops the machine again; false when it never does.
  bool RunToBreak() {
    for (int tick = 0; tick < 20 && state.Run.TimerEnabled(); ++tick) loop.Tick();
    return !state.Run.TimerEnabled() && state.Run.TracerShown();
  }
};

TEST(TracerKeys, EveryKeyGoesWhereTheTableSaysDownAndUp) {
  struct Case {
    uint16_t Key;
    bool DownPassedOn, UpPassedOn;
  } const cases[] = {
      {vk::Space, false, false}, {vk::F7, false, false}, {vk::F8, false, false}, {vk::F9, false, false},
      {'G', false, false},       {'D', false, false},    {'0', false, false},    {'7', false, false},
      {'N', false, false},       {'Z', false, false},    {'V', false, false},    {'C', false, false},
      {'S', true, false},  // its release is dropped, its press is not
      {'A', true, true},         {'8', true, true},      {vk::F12, true, true},  {vk::Enter, true, true},
      {vk::F11, true, true},
  };
  for (const Case& c : cases) {
    TracerRig rig;
    rig.tracer.KeyDown(c.Key, 0);
    rig.tracer.KeyUp(c.Key, 0);
    EXPECT_EQ(rig.host.keysDown.size(), c.DownPassedOn ? 1u : 0u) << c.Key;
    EXPECT_EQ(rig.host.keysUp.size(), c.UpPassedOn ? 1u : 0u) << c.Key;
    const TracerKeyRow* row = FindTracerKey(c.Key);
    EXPECT_EQ(row == nullptr || row->Command == TracerCommand::PassOn, c.DownPassedOn) << c.Key;
  }
  // Every row of the table is a distinct key.
  for (const TracerKeyRow& row : TracerKeys()) EXPECT_EQ(FindTracerKey(row.VirtualKey), &row);
}

TEST(TracerKeys, TraceIntoRunsOneInstructionWithoutTimerOrKeys) {
  for (uint16_t key : {vk::Space, vk::F7}) {
    TracerRig rig;
    rig.Load(01000, {012700, 5, 005300});
    ASSERT_TRUE(RecordKeyPress(rig.settings, rig.state.Pending, 'A', 0));  // not delivered by a step
    const uint16_t timer = rig.M().TimerPrescaleCount;
    rig.Press(key);
    EXPECT_EQ(rig.M().R[0], 5);
    EXPECT_EQ(rig.M().R[kPC], 01004);
    EXPECT_EQ(rig.tracer.LastPc, 01000);
    EXPECT_EQ(rig.M().TimerPrescaleCount, timer);
    EXPECT_TRUE(rig.settings.KeyPending);
    EXPECT_EQ(rig.M().KeyStatus & 0200, 0);
    EXPECT_EQ(rig.host.screenUpdates, 1);
    EXPECT_TRUE(rig.state.Run.TracerShown());
    EXPECT_EQ(rig.tracer.Panes().Listing.substr(0, 27), "001000)    MOV #5,R0\n001004");
  }
  // With the trace trap pending the step goes on through vector 014.
  TracerRig rig;
  rig.Load(014, {02000, 0340});
  rig.M().TraceTrapPending = 1;
  rig.Press(vk::Space);
  EXPECT_EQ(rig.M().R[kPC], 02000);
}

TEST(TracerKeys, StepOverRunsTheLoopAndSkipJumpsTheCall) {
  TracerRig rig;
  rig.M().R[kPC] = 01006;
  rig.M().R[0] = 5;
  rig.Load(01000, {012700, 5, 005300, 001376, 000777});
  rig.Press(vk::F8);
  EXPECT_TRUE(rig.state.Run.TimerEnabled());
  EXPECT_EQ(rig.state.BreakAddress, 01010);
  ASSERT_TRUE(rig.RunToBreak());
  EXPECT_EQ(rig.M().R[kPC], 01010);
  EXPECT_EQ(rig.M().R[0], 0);
  EXPECT_EQ(rig.tracer.LastPc, 01006);

  TracerRig skip;
  skip.Load(01000, {004767, 000010, 000240});
  skip.Press(vk::F9);
  EXPECT_EQ(skip.M().R[kPC], 01004);
  EXPECT_EQ(skip.M().R[kSP], 0700);  // the subroutine was not called
  EXPECT_EQ(skip.tracer.LastPc, 01000);
  EXPECT_TRUE(skip.state.Run.TracerShown());
}

TEST(TracerPrompts, AnsweredCancelledAndRefused) {
  struct Case {
    const char* Name;
    uint16_t Key;
    PromptAnswer Answer;
    const char* Caption;
    uint16_t Shown;
    bool Runs;       // the machine runs afterwards (only an answered G)
    uint16_t Break;  // BreakAddress afterwards
    uint16_t Dump;   // DumpAddress afterwards
    int Reg;         // register to look at, and its value afterwards
    uint16_t RegValue;
  } const cases[] = {
      {"G answered",
       'G',
       {Kind::Answered, 01020},
       "Enter address of BreakPoint",
       01002,
       true,
       01020,
       0700,
       7,
       01000},
      {"G cancelled",
       'G',
       {Kind::Cancelled, 0},
       "Enter address of BreakPoint",
       01002,
       false,
       0177600,
       0700,
       7,
       01000},
      {"G refused",
       'G',
       {Kind::Refused, 0},
       "Enter address of BreakPoint",
       01002,
       false,
       0177600,
       0700,
       7,
       01000},
      {"G negative",
       'G',
       {Kind::Answered, -1},
       "Enter address of BreakPoint",
       01002,
       false,
       0177600,
       0700,
       7,
       01000},
      {"D answered",
       'D',
       {Kind::Answered, 0177760},
       "Enter dump address",
       0700,
       false,
       0177600,
       0177760,
       7,
       01000},
      {"D cancelled", 'D', {Kind::Cancelled, 0}, "Enter dump address", 0700, false, 0177600, 0700, 7, 01000},
      {"D refused", 'D', {Kind::Refused, 0}, "Enter dump address", 0700, false, 0177600, 0700, 7, 01000},
      {"PC made even",
       '7',
       {Kind::Answered, 01001},
       "Enter value for PC",
       01000,
       false,
       0177600,
       0700,
       7,
       01000},
      {"SP made even",
       '6',
       {Kind::Answered, 0777},
       "Enter value for SP",
       0700,
       false,
       0177600,
       0700,
       6,
       0776},
      {"R0 kept odd", '0', {Kind::Answered, 01001}, "Enter value for R0", 0, false, 0177600, 0700, 0, 01001},
      {"R5 low 16 bits", '5', {Kind::Answered, 0200003}, "Enter value for R5", 0, false, 0177600, 0700, 5, 3},
      {"R3 cancelled", '3', {Kind::Cancelled, 0}, "Enter value for R3", 0, false, 0177600, 0700, 3, 0},
      {"PC refused", '7', {Kind::Refused, 0}, "Enter value for PC", 01000, false, 0177600, 0700, 7, 01000},
  };
  for (const Case& c : cases) {
    TracerRig rig;
    rig.host.answers = {c.Answer};
    rig.Press(c.Key);
    ASSERT_EQ(rig.host.captions.size(), 1u) << c.Name;
    EXPECT_EQ(rig.host.captions[0], c.Caption) << c.Name;
    EXPECT_EQ(rig.host.shown[0], c.Shown) << c.Name;
    EXPECT_EQ(rig.state.Run.TimerEnabled(), c.Runs) << c.Name;
    EXPECT_EQ(rig.state.Run.TracerShown(), !c.Runs) << c.Name;
    EXPECT_EQ(rig.state.BreakAddress, c.Break) << c.Name;
    EXPECT_EQ(rig.tracer.DumpAddress, c.Dump) << c.Name;
    EXPECT_EQ(rig.M().R[static_cast<size_t>(c.Reg)], c.RegValue) << c.Name;
    EXPECT_TRUE(rig.host.keysDown.empty() && rig.host.keysUp.empty()) << c.Name;
  }
}

TEST(TracerPrompts, TwentyRoundsOfPromptsLeaveTheMachineStopped) {
  TracerRig rig;
  for (int round = 0; round < 20; ++round) {
    rig.host.answers = {{Kind::Answered, 0700 + 16 * round},
                        {Kind::Cancelled, 0},
                        {Kind::Refused, 0},
                        {Kind::Answered, round},
                        {Kind::Cancelled, 0}};
    for (uint16_t key : {'D', 'G', 'G', '2', '7'}) rig.Press(key);
    ASSERT_TRUE(rig.state.Run.TracerShown()) << round;
    ASSERT_EQ(rig.state.BreakAddress, kNoBreakAddress) << round;
  }
  EXPECT_EQ(rig.M().R[2], 19);
  EXPECT_EQ(rig.tracer.DumpAddress, 0700 + 16 * 19);
  // Without a window to ask, every prompt is refused.
  rig.tracer.SetHost(nullptr);
  rig.Press('G');
  EXPECT_TRUE(rig.state.Run.TracerShown());
}

TEST(TracerPanes, KnownProgram) {
  TracerRig rig;
  MachineState& m = rig.M();
  m.R = {0177777, 1, 2, 3, 4, 5, 0700, 01000};
  m.FlagZ = 1;
  m.FlagC = 1;
  rig.Load(0776, {000240, 012700, 5, 005300, 001376, 004767, 000004, 000777, 000240, 000207});
  rig.Load(0700, {0x4241, 0x0120, 0xFF7F, 0xE9A0});
  const TracerPanes& panes = rig.tracer.Panes();
  EXPECT_EQ(panes.Listing,
            "000776)    NOP\n"
            "001000) -> MOV #5,R0\n"
            "001004)    DEC R0\n"
            "001006)    BNE 1004\n"
            "001010)    CALL 1020\n"
            "001014)    BR 1014\n"
            "001016)    NOP\n"
            "001020)    RET\n"
            "001022)    NOP\n");
  EXPECT_EQ(rig.tracer.NextPc, 01004);
  EXPECT_EQ(panes.Registers,
            "R0: 177777\nR1: 000001\nR2: 000002\nR3: 000003\nR4: 000004\nR5: 000005\nSP: 000700\n"
            "PC: 001000\nPS: - -Z-C");
  EXPECT_EQ(panes.Dump.substr(0, panes.Dump.find('\n')),
            "000700) 041101 000440 177577 164640 000240 000240 000240 000240 AB "
            "..\u00FF\u00A0\u00E9\u00A0.\u00A0.\u00A0.\u00A0.");
  EXPECT_EQ(std::count(panes.Dump.begin(), panes.Dump.end(), '\n'), 4);

  // A branch whose condition holds is marked at PC only; the flag keys change the mark.
  rig.Load(01000, {001404, 001404});
  EXPECT_EQ(rig.tracer.Panes().Listing.substr(15, 40), "001000) -> BEQ 1012            TRUE\n0010");
  rig.Press('Z');
  EXPECT_EQ(rig.tracer.Panes().Listing.substr(15, 21), "001000) -> BEQ 1012\n0");
}

TEST(TracerPanes, FlagKeysToggleAndDumpWraps) {
  TracerRig rig;
  MachineState& m = rig.M();
  m.FlagN = 5;  // any value but 1 becomes 1
  m.FlagZ = 1;
  m.TraceTrapPending = 1;
  for (uint16_t key : {'N', 'Z', 'V'}) rig.Press(key);
  EXPECT_EQ(m.FlagN, 1);
  EXPECT_EQ(m.FlagZ, 0);
  const std::string& regs = rig.tracer.Panes().Registers;
  EXPECT_EQ(regs.substr(regs.rfind('\n') + 1), "PS: T N-V-");

  rig.host.answers = {{Kind::Answered, 0177760}};
  rig.Press('D');
  const std::string& dump = rig.tracer.Panes().Dump;
  for (const char* start : {"177760) ", "\n000000) ", "\n000020) ", "\n000040) "})
    EXPECT_NE(dump.find(start), std::string::npos) << start;
}

TEST(TracerLeaving, LeavePlaysAndAFailedStepEndsTheRun) {
  TracerRig rig;
  rig.state.BreakAddress = 01234;
  rig.tracer.Stepping = true;
  rig.tracer.Leave();  // not while a step runs
  EXPECT_TRUE(rig.state.Run.TracerShown());
  rig.tracer.Stepping = false;
  rig.tracer.Leave();
  EXPECT_TRUE(rig.state.Run.TimerEnabled());
  EXPECT_EQ(rig.state.BreakAddress, kNoBreakAddress);

  // A tape call whose host files fail inside a single step.
  TracerRig failing;
  failing.Load(02000, {3});
  failing.M().R[1] = 02000;
  failing.Load(01000, {0104036});
  failing.Press(vk::Space);
  EXPECT_EQ(failing.host.failure.rfind("Сбой в эмуляции. Содержимое регистров:", 0), 0u);
  EXPECT_TRUE(failing.state.Run.Ended());
  EXPECT_FALSE(failing.state.Run.TracerShown());
  EXPECT_FALSE(failing.state.Run.TimerEnabled());
}

TEST(NumberEntry, DecimalDigitsReadAsOctal) {
  struct Case {
    const char* Text;
    bool Octal;
    std::optional<int32_t> Value;
  } const cases[] = {
      {"1001", true, 01001},
      {" 177760 ", true, 0177760},
      {"18", true, 16},
      {"0", true, 0},
      {"1001", false, 1001},
      {"+7", true, 7},
      {"-5", true, -5},
      {"", true, std::nullopt},
      {"12x", true, std::nullopt},
      {"0x10", true, std::nullopt},
      {"99999999999", true, std::nullopt},
      {"  ", false, std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseNumberEntry(c.Text, c.Octal), c.Value) << c.Text;
}

}  // namespace
}  // namespace homemicro
