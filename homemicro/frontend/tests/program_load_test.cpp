#include <gtest/gtest.h>

#include <memory>

#include "homemicro/frontend/emulator_session.h"
#include "homemicro/frontend/tape_program.h"
#include "test_support.h"

namespace homemicro {
namespace {

using test::PeekMemoryWord;
using test::ScratchDir;
using test::WriteBytes;

// A tape file at `address` whose program counts in R0 forever.
std::vector<uint8_t> CountingTape(uint16_t address) {
  return {static_cast<uint8_t>(address),
          static_cast<uint8_t>(address >> 8),
          4,
          0,
          test::kIncR0 & 0xFF,
          test::kIncR0 >> 8,
          0376,
          0001};  // INC R0; BR .-2
}

struct Rig {
  ScratchDir dir;
  test::RecordingHost window;
  std::unique_ptr<EmulatorSession> session = std::make_unique<EmulatorSession>(window, 44100);
  Rig() {
    WriteBytes(dir / "homemicro.rom", test::RomWithProgram({test::kBranchToSelf}));
    EXPECT_TRUE(session->StartUp(dir.Path(), true).Ok);
  }
  MachineState& M() { return session->GetMachine().State(); }
};

TEST(LoadProgram, StartsAsTheMonitorWouldAndRuns) {
  Rig rig;
  rig.session->Stop();
  rig.session->Settings().KeyPending = true;
  WriteBytes(rig.dir / "count.bin", CountingTape(02000));
  ASSERT_EQ(rig.session->LoadProgram(rig.dir / "count.bin"), "");
  EXPECT_EQ(rig.M().R[kPC], 02000);
  EXPECT_EQ(rig.M().R[kSP], 0776);
  EXPECT_EQ(PeekMemoryWord(rig.M(), 0776), 0100000);  // RTS PC restarts the monitor
  EXPECT_EQ(PeekMemoryWord(rig.M(), 0264), 02000);
  EXPECT_EQ(PeekMemoryWord(rig.M(), 0266), 4);
  EXPECT_FALSE(rig.session->Settings().KeyPending);
  EXPECT_TRUE(rig.session->State().Run.TimerEnabled());
  rig.M().R[0] = 0;
  rig.session->Tick();
  EXPECT_EQ(rig.M().R[0], 13750 / 2);

  // Below the stack the program gets no return address: it would overwrite its own bytes.
  WriteBytes(rig.dir / "low.bin", CountingTape(0600));
  ASSERT_EQ(rig.session->LoadProgram(rig.dir / "low.bin"), "");
  EXPECT_EQ(rig.M().R[kSP], 01000);
  EXPECT_EQ(PeekMemoryWord(rig.M(), 0600), test::kIncR0);
}

TEST(LoadProgram, OnTheCommandLineWaitsForTheMonitorAndReportsABadFile) {
  Rig rig;
  WriteBytes(rig.dir / "count.bin", CountingTape(02000));
  rig.session->LoadProgramAfterTicks(rig.dir / "count.bin", 2);
  rig.session->Tick();
  rig.session->Tick();
  EXPECT_EQ(rig.M().R[kPC], 0100000);  // the ROM still has the machine
  rig.session->Tick();
  EXPECT_GE(rig.M().R[kPC], 02000);
  EXPECT_LE(rig.M().R[kPC], 02002);

  WriteBytes(rig.dir / "text.bin", {'H', 'e', 'l', 'l', 'o', '\n'});
  const auto before = std::make_unique<MachineState>(rig.M());
  rig.session->Stop();
  rig.session->LoadProgramAfterTicks(rig.dir / "text.bin", 0);
  rig.session->Play();
  rig.session->Tick();
  ASSERT_EQ(rig.window.Messages.size(), 1u);
  EXPECT_EQ(rig.window.Messages[0].rfind(kNotTapeFileMessage, 0), 0u) << rig.window.Messages[0];
  EXPECT_EQ(rig.M().Memory[0100], before->Memory[0100]);
  EXPECT_NE(rig.session->LoadProgram(rig.dir / "missing.bin"), "");
}

}  // namespace
}  // namespace homemicro
