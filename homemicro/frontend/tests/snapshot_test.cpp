#include "homemicro/frontend/machine_snapshot.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "homemicro/frontend/emulator_session.h"
#include "test_support.h"

namespace homemicro {
namespace {

using test::ReadBytes;
using test::ScratchDir;
using test::WriteBytes;

// A ROM that counts in R0 and writes the speaker each turn, so every tick changes the state.
std::vector<uint8_t> CountingRom() {
  return test::RomWithProgram({
      0005200,                    // INC R0
      0010037, 0177716,           // MOV R0,@#177716
      0012737, 0000100, 0177712,  // MOV #100,@#177712 (timer running, divide by 4)
      0000771,                    // BR to the INC
  });
}

// Each rig starts in a folder of its own under the test's scratch folder.
struct Rig {
  std::filesystem::path dir;
  test::RecordingHost window;
  std::unique_ptr<EmulatorSession> session = std::make_unique<EmulatorSession>(window, 44100);
  Rig(const ScratchDir& scratch, const std::string& name) : dir(scratch / name) {
    std::filesystem::create_directories(dir);
    WriteBytes(dir / "homemicro.rom", CountingRom());
    EXPECT_TRUE(session->StartUp(dir, true).Ok);
  }
  MachineState& M() { return session->GetMachine().State(); }
};

TEST(MachineSnapshot, LoadInAFreshSessionRestoresEveryFieldAndRunsOnAlike) {
  ScratchDir scratch;
  Rig a(scratch, "a");
  for (int i = 0; i < 3; ++i) a.session->Tick();
  // Values a plain run would not show: a pending key, a held key, odd latches.
  a.M().KeyStatus = 0200;
  a.M().KeyData = 0101;
  a.M().TraceArmed = 1;
  a.session->Settings().KeyHeld = true;
  a.session->Settings().KeyPending = true;
  a.session->State().Pending.Clear();
  a.session->State().Pending.Push({'Q', 1}, 0);
  a.session->Settings().RomWriteControl = false;
  a.session->Settings().StartAddress = 100020;
  ASSERT_EQ(a.session->SaveState(a.dir / "s.bks"), "");

  Rig b(scratch, "b");
  b.session->Settings().RomFileName = "other.rom";
  ASSERT_EQ(b.session->LoadState(a.dir / "s.bks"), "");
  EXPECT_EQ(std::memcmp(&a.M(), &b.M(), sizeof(MachineState)), 0);
  EXPECT_TRUE(b.session->Settings().KeyHeld);
  EXPECT_TRUE(b.session->Settings().KeyPending);
  ASSERT_EQ(b.session->State().Pending.Count, 1u);
  EXPECT_EQ(b.session->State().Pending.Front().VirtualKey, 'Q');
  EXPECT_EQ(b.session->State().Pending.Front().ShiftState, 1);
  EXPECT_FALSE(b.session->Settings().RomWriteControl);
  EXPECT_EQ(b.session->Settings().StartAddress, 100020);
  EXPECT_EQ(b.session->Settings().SpeakerPortValue, a.session->Settings().SpeakerPortValue);
  EXPECT_EQ(b.session->Settings().RomFileName, "homemicro.rom");
  EXPECT_EQ(b.session->RomChecksum(), a.session->RomChecksum());
  EXPECT_EQ(b.session->Loop().InstructionsExecuted(), a.session->Loop().InstructionsExecuted());

  for (int i = 0; i < 4; ++i) {
    a.session->Tick();
    b.session->Tick();
  }
  EXPECT_EQ(std::memcmp(&a.M(), &b.M(), sizeof(MachineState)), 0);
  const auto pictureA = a.session->GetDisplay().Picture(), pictureB = b.session->GetDisplay().Picture();
  EXPECT_TRUE(std::equal(pictureA.begin(), pictureA.end(), pictureB.begin(), pictureB.end()));
}

TEST(MachineSnapshot, RefusedFilesNameTheirFaultAndChangeNothing) {
  ScratchDir scratch;
  Rig source(scratch, "source");
  source.session->Tick();
  const std::vector<uint8_t> good = EncodeSnapshot(CaptureSnapshot(
      source.session->GetMachine(), source.session->State().Pending, source.session->Loop(), 7));
  const auto changed = [&](std::size_t offset, uint8_t value) {
    std::vector<uint8_t> bytes = good;
    bytes[offset] = value;
    return bytes;
  };
  // A flag byte of 2 under a correct checksum: the payload itself is bad.
  std::vector<uint8_t> badFlag = changed(20 + 65536 + 16, 2);
  const uint32_t crc = Crc32(std::span(badFlag).subspan(20));
  for (int i = 0; i < 4; ++i) badFlag[16 + i] = static_cast<uint8_t>(crc >> (8 * i));

  const struct {
    const char* label;
    std::vector<uint8_t> bytes;
    std::string message;
  } cases[] = {
      {"foreign", {'P', 'K', 3, 4, 0, 0, 0, 0, 0, 0}, std::string(kNotSnapshotMessage)},
      {"empty", {}, std::string(kNotSnapshotMessage)},
      {"header only", std::vector<uint8_t>(good.begin(), good.begin() + 12),
       std::string(kSnapshotDamagedMessage)},
      {"memory byte flipped", changed(100, good[100] ^ 0x40), std::string(kSnapshotDamagedMessage)},
      {"cut short", std::vector<uint8_t>(good.begin(), good.end() - 1), std::string(kSnapshotDamagedMessage)},
      {"newer version", changed(8, 2), std::string(kSnapshotVersionMessage) + "2"},
      {"flag byte 2", badFlag, std::string(kSnapshotDamagedMessage)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    Rig rig(scratch, c.label);
    rig.session->Tick();
    const auto before = std::make_unique<MachineState>(rig.M());
    const uint64_t counted = rig.session->Loop().InstructionsExecuted();
    WriteBytes(rig.dir / "bad.bks", c.bytes);
    EXPECT_EQ(rig.session->LoadState(rig.dir / "bad.bks"), c.message);
    EXPECT_EQ(std::memcmp(before.get(), &rig.M(), sizeof(MachineState)), 0);
    EXPECT_EQ(rig.session->Loop().InstructionsExecuted(), counted);
  }
  Rig rig(scratch, "missing");
  EXPECT_NE(rig.session->LoadState(rig.dir / "missing.bks"), "");
  EXPECT_NE(rig.session->SaveState(rig.dir / "no-such-folder" / "s.bks"), "");
}

}  // namespace
}  // namespace homemicro
