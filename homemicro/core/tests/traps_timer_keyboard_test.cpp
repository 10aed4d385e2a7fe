// The trace trap, the keyboard interrupt, the timer, and trap frames that cannot be pushed.
#include <gtest/gtest.h>

#include <vector>

#include "machine_fixture.h"

namespace homemicro::testing {
namespace {

class TrapTest : public MachineTest {
 protected:
  void SetUp() override {
    MachineTest::SetUp();
    for (uint16_t v : {004, 010, 014, 020, 030, 034, 060}) Poke(v, {static_cast<uint16_t>(04000 + v)});
  }
};

TEST_F(TrapTest, RttTracesTheNextInstruction) {
  Poke(kStackTop, {02000, 0});
  Poke(02000, {000240});
  Run({000006});  // RTT
  EXPECT_EQ(s.R[kPC], 02000);
  EXPECT_EQ(s.TraceTrapPending, 1);
  EXPECT_EQ(machine.PackPsw() & 020, 020);
  machine.Step();  // the NOP, then the trace trap
  EXPECT_EQ(s.R[kPC], 04014);
  EXPECT_EQ(s.R[kSP], kStackTop);
  EXPECT_EQ(Peek(kStackTop), 02002);
  EXPECT_EQ(Peek(kStackTop + 2), 020);
  EXPECT_EQ(s.TraceTrapPending, 0);
}

TEST_F(TrapTest, RtiNeverTraces) {
  Poke(kStackTop, {02000, 020});
  Poke(02000, {000240});
  Run({000002}, 2);
  EXPECT_EQ(s.R[kPC], 02002);
  EXPECT_EQ(s.TraceTrapPending, 0);
}

TEST_F(TrapTest, KeyWithInterruptDisabledSetsReadyOnly) {
  machine.KeyboardReset();
  machine.KeyboardInput(0101);
  EXPECT_EQ(machine.ReadWord(0177660), 0300);
  EXPECT_EQ(s.R[kPC], kCodeAddress);
  machine.WriteWord(0177660, 0);  // enabling later raises nothing for the waiting key
  EXPECT_EQ(s.R[kPC], kCodeAddress);
  EXPECT_EQ(machine.ReadWord(0177662), 0101);
}

TEST_F(TrapTest, KeyWithInterruptEnabledTrapsThrough060) {
  SetFlags("0101");
  s.KeyIntMask = 0;
  machine.KeyboardInput(0377);
  EXPECT_EQ(machine.ReadWord(0177660), 0200);
  EXPECT_EQ(s.KeyData, 0177);
  EXPECT_EQ(s.R[kPC], 04060);
  EXPECT_EQ(Peek(kStackTop - 4), kCodeAddress);
  EXPECT_EQ(Peek(kStackTop - 2), 05);
}

TEST_F(TrapTest, ResetInstructionResetsOnlyTheKeyboard) {
  s.KeyIntMask = 0;
  s.KeyStatus = 0200;
  s.KeyData = 0123;
  s.R[3] = 0777;
  s.TimerCounter = 5;
  Run({000005});
  EXPECT_EQ(s.KeyIntMask, 0100);
  EXPECT_EQ(s.KeyStatus, 0100);
  EXPECT_EQ(s.KeyData, 0);
  EXPECT_EQ(s.R[3], 0777);
  EXPECT_EQ(s.TimerCounter, 5);
}

TEST_F(TrapTest, ReservedCodesTrapThrough010) {
  for (uint16_t code : {070000, 073777, 075000, 076777, 0170000, 0177777, 000007, 000077, 000210, 000230,
                        000237, 006500, 006677, 007000, 0106500, 0106677, 0107000}) {
    s.R[kPC] = kCodeAddress;
    s.R[kSP] = kStackTop;
    SetFlags("1010");
    Run({code});
    EXPECT_EQ(s.R[kPC], 04010) << std::oct << code;
    EXPECT_EQ(Peek(kStackTop - 4), kCodeAddress + 2);
    EXPECT_EQ(Peek(kStackTop - 2), 012);
    EXPECT_EQ(Flags(), "1010");
  }
}

// A trap whose frame would go into the protected ROM area ends at the bus-error handler without
// pushing anything, instead of trapping again for every refused push.
TEST_F(TrapTest, FramePushIntoProtectedRomIsGivenUp) {
  for (uint16_t sp : {0100004, 0100002, 0177600}) {
    s.R[kPC] = kCodeAddress;
    s.R[kSP] = sp;
    const MachineState before = s;
    Run({000004});  // IOT
    EXPECT_EQ(s.R[kPC], 04004) << std::oct << sp;
    EXPECT_EQ(s.R[kSP], sp);
    EXPECT_EQ(s.BusErrorRaised, 1);
    EXPECT_TRUE(
        std::equal(s.Memory.begin() + 0100000, s.Memory.begin() + 0177600, before.Memory.begin() + 0100000));
  }
}

TEST_F(TrapTest, JsrWhosePushIsRefusedLeavesTheLinkRegister) {
  s.R[kSP] = 0100002;
  s.R[5] = 0123;
  Run({004537, 02000});
  EXPECT_EQ(s.R[5], 0123);
  EXPECT_EQ(s.R[kPC], 04004);
  EXPECT_EQ(s.R[kSP], 0100002);
}

TEST_F(TrapTest, FrameWithWritableStackIsPushedWhenRomIsUnprotected) {
  settings.RomWriteControl = false;
  s.R[kSP] = 0100004;
  Run({000004});
  EXPECT_EQ(s.R[kPC], 04020);
  EXPECT_EQ(s.R[kSP], 0100000);
}

class TimerTest : public MachineTest {
 protected:
  // Runs ticks and returns the counter value after each `period`-th tick.
  std::vector<uint16_t> CounterAtEachStep(int period, int count) {
    std::vector<uint16_t> values;
    for (int i = 0; i < count; ++i) {
      for (int k = 0; k < period - 1; ++k) machine.TimerTick();
      const uint16_t before = s.TimerCounter;
      machine.TimerTick();
      if (s.TimerCounter == before) ADD_FAILURE() << "no step at tick " << period;
      values.push_back(s.TimerCounter);
    }
    return values;
  }
};

TEST_F(TimerTest, SlowestPrescalerReloadsFromTheReloadRegister) {
  machine.WriteWord(0177712, 0140);
  machine.WriteWord(0177706, 3);
  for (int k = 0; k < 639; ++k) machine.TimerTick();
  EXPECT_EQ(s.TimerCounter, 0);
  machine.TimerTick();
  EXPECT_EQ(s.TimerCounter, 2);
  EXPECT_EQ(CounterAtEachStep(640, 5), (std::vector<uint16_t>{1, 0, 2, 1, 0}));
}

TEST_F(TimerTest, PeriodsFollowThePrescalerBits) {
  const struct {
    uint16_t control;
    int period;
  } cases[] = {{0, 10}, {0100, 40}, {040, 160}, {0140, 640}};
  for (const auto& c : cases) {
    s.TimerPrescaleCount = 0;
    s.TimerCountdown = 0;
    machine.WriteWord(0177712, c.control);
    machine.WriteWord(0177706, 0);
    EXPECT_EQ(CounterAtEachStep(c.period, 2), (std::vector<uint16_t>{0177777, 0177776})) << c.period;
  }
}

TEST_F(TimerTest, ShorteningThePeriodBelowTheCountRunsTheCountRound) {
  machine.WriteWord(0177712, 040);  // period 160
  for (int k = 0; k < 100; ++k) machine.TimerTick();
  machine.WriteWord(0177712, 0);  // period 10, already passed
  for (int k = 0; k < 0200000 - 100 + 10 - 1; ++k) machine.TimerTick();
  EXPECT_EQ(s.TimerCounter, 0);
  machine.TimerTick();
  EXPECT_EQ(s.TimerCounter, 0177777);
}

// Run(budget) against Step then TimerTick one by one, on a program that polls the timer counter,
// rewrites the prescaler selection (periods 10, 40, 160, 640 and back) and the reload value.
TEST(RunBudget, MatchesStepAndTimerTickOneByOne) {
  const std::vector<uint16_t> program = {
      0012737, 0000003, 0177706,  // 01000 MOV #3,@#177706   ; reload value
      0013700, 0177710,           // 01006 MOV @#177710,R0
      0060001,                    // 01012 ADD R0,R1         ; what the program saw
      0062704, 0000040,           // 01014 ADD #40,R4        ; the next period each time round
      0010403,                    // 01020 MOV R4,R3
      0042703, 0177637,           // 01022 BIC #177637,R3
      0010337, 0177712,           // 01026 MOV R3,@#177712
      0077213,                    // 01032 SOB R2,01006
      0000761,                    // 01034 BR 01000
  };
  FrontEndSettings settings;
  FakeHost host;
  FakeFiles files;
  Machine stepped(settings, host, files), budgeted(settings, host, files);
  for (Machine* m : {&stepped, &budgeted}) {
    for (size_t i = 0; i < program.size(); ++i) m->PokeWord(static_cast<uint16_t>(01000 + 2 * i), program[i]);
    m->State().R[kPC] = 01000;
    m->State().R[kSP] = 0700;
    m->State().R[2] = 0300;
  }
  for (const uint32_t budget : {1u, 7u, 10u, 11u, 640u, 5000u, 12345u}) {
    for (uint32_t i = 0; i < budget; ++i) {
      stepped.Step();
      stepped.TimerTick();
    }
    ASSERT_EQ(budgeted.Run(budget), budget);
    const MachineState &a = stepped.State(), &b = budgeted.State();
    ASSERT_EQ(a.R, b.R) << budget;
    ASSERT_EQ(a.TimerCounter, b.TimerCounter) << budget;
    ASSERT_EQ(a.TimerPrescaleCount, b.TimerPrescaleCount) << budget;
    ASSERT_EQ(a.TimerCountdown, b.TimerCountdown) << budget;
    ASSERT_EQ(a.TimerControl, b.TimerControl) << budget;
    ASSERT_EQ(FlagString(a), FlagString(b)) << budget;
    ASSERT_EQ(stepped.InstructionCount(), budgeted.InstructionCount());
  }
}

// Run brings the timer up to date only when the program touches it: byte reads of the counter,
// byte writes of the reload value, a word write of the control register, and runs long enough for
// whole countdown cycles (reload 0 counts 0200000 steps) must all see what step-by-step sees.
TEST(RunBudget, TimerSeenThroughEveryAccessMatchesStepByStep) {
  struct Case {
    const char* name;
    uint16_t reload;
    std::vector<uint16_t> program;
  };
  const Case cases[] = {
      {"byte reads and byte reload writes",
       0,
       {
           0105000,           // 01000 CLRB R0
           0105237, 0177706,  // 01002 INCB @#177706     ; reload low byte
           0012702, 0000003,  // 01006 MOV #3,R2
           0113701, 0177710,  // 01012 MOVB @#177710,R1
           0060103,           // 01016 ADD R1,R3
           0105037, 0177707,  // 01020 CLRB @#177707     ; reload high byte
           0077206,           // 01024 SOB R2,01012
           0000765,           // 01026 BR 01002
       }},
      {"reload 0 rewritten, counter polled",
       0,
       {
           0005037, 0177706,  // 01000 CLR @#177706
           0005037, 0177712,  // 01004 CLR @#177712  ; period 10
           0000240,           // 01010 NOP
           0077202,           // 01012 SOB R2,01010
           0013704, 0177710,  // 01014 MOV @#177710,R4
           0000771,           // 01020 BR 01004
       }},
      {"RTT traces the next instruction inside a run",
       0,
       {
           0005046,           // 01000 CLR -(SP)        ; status word
           0012746, 0001012,  // 01002 MOV #1012,-(SP)  ; PC
           0000006,           // 01006 RTT
           0000240,           // 01010 NOP
           0005201,           // 01012 INC R1            ; traced: 014 enters 02000
           0000771,           // 01014 BR 01000
       }},
      {"whole countdown cycles between two looks", 3, {0000777}},  // 01000 BR 01000
      {"reload 0 goes round 0200000 steps", 0, {0000777}},
  };
  for (const Case& c : cases) {
    FrontEndSettings settings;
    FakeHost host;
    FakeFiles files;
    Machine stepped(settings, host, files), budgeted(settings, host, files);
    for (Machine* m : {&stepped, &budgeted}) {
      for (size_t i = 0; i < c.program.size(); ++i)
        m->PokeWord(static_cast<uint16_t>(01000 + 2 * i), c.program[i]);
      m->PokeWord(0177706, c.reload);
      m->PokeWord(014, 02000);  // trace trap: INC R3, RTI
      m->PokeWord(02000, 0005203);
      m->PokeWord(02002, 0000002);
      m->State().R[kPC] = 01000;
      m->State().R[kSP] = 0700;
    }
    for (const uint32_t budget : {3u, 641u, 100000u, 900000u}) {
      for (uint32_t i = 0; i < budget; ++i) {
        stepped.Step();
        stepped.TimerTick();
      }
      ASSERT_EQ(budgeted.Run(budget), budget);
      const MachineState &a = stepped.State(), &b = budgeted.State();
      ASSERT_EQ(a.R, b.R) << c.name << ", " << budget;
      ASSERT_EQ(a.TimerCounter, b.TimerCounter) << c.name << ", " << budget;
      ASSERT_EQ(a.TimerPrescaleCount, b.TimerPrescaleCount) << c.name << ", " << budget;
      ASSERT_EQ(a.TimerCountdown, b.TimerCountdown) << c.name << ", " << budget;
    }
    ASSERT_NE(stepped.State().R[kPC], 0) << c.name << ": the program ran away";
  }
}

// The tape call ends a run: the host may have asked for something the run loop must see.
TEST(RunBudget, TapeCallEndsTheChunkAfterIt) {
  FrontEndSettings settings;
  FakeHost host;
  FakeFiles files;
  Machine m(settings, host, files);
  m.PokeWord(01000, 0005200);  // INC R0
  m.PokeWord(01002, 0104036);  // EMT 36, block at R1 = 0: command 0, nothing to do
  m.PokeWord(01004, 0005200);
  m.State().R[kPC] = 01000;
  m.State().R[kSP] = 0700;
  m.State().R[1] = 02000;
  EXPECT_EQ(m.Run(5), 2u);
  EXPECT_EQ(m.State().R[kPC], 01004);
  EXPECT_EQ(m.Run(1), 1u);
  EXPECT_EQ(m.State().R[0], 2);
}

}  // namespace
}  // namespace homemicro::testing
