// The trace trap, the keyboard interrupt, the timer, and trap frames that cannot be pushed.
#include <gtest/gtest.h>

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
  for (uint16_t code : {070000, 073777, 075000, 076777, 0170000, 0177777, 000007, 000077, 000210, 000230, 000237,
                        006500, 006677, 007000, 0106500, 0106677, 0107000}) {
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
    EXPECT_TRUE(std::equal(s.Memory.begin() + 0100000, s.Memory.begin() + 0177600, before.Memory.begin() + 0100000));
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

}  // namespace
}  // namespace homemicro::testing
