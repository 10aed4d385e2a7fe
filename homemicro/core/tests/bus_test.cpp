// The bus: register page decoding, the ROM write trap, extended addresses, the speaker, and the
// bus-error rule of instructions whose destination write is refused.
#include <gtest/gtest.h>

#include "machine_fixture.h"

namespace homemicro::testing {
namespace {

class BusTest : public MachineTest {
 protected:
  void SetUp() override {
    MachineTest::SetUp();
    machine.KeyboardReset();
    Poke(kBusErrorVector, {04000});
  }
};

TEST_F(BusTest, KeyboardDataWordReadClearsReadyBitButByteReadOfPartnerDoesNot) {
  machine.KeyboardInput(0101);
  ASSERT_EQ(s.KeyStatus, 0300);
  s.Memory[0177663] = 055;
  EXPECT_EQ(machine.ReadByte(0177663), 055);
  EXPECT_EQ(s.KeyStatus, 0300);
  EXPECT_EQ(machine.ReadWord(0177663), 0101);
  EXPECT_EQ(s.KeyStatus, 0100);
}

TEST_F(BusTest, KeyboardDataByteReadAtEvenAddressClearsReadyBit) {
  machine.KeyboardInput(0102);
  EXPECT_EQ(machine.ReadByte(0177662), 0102);
  EXPECT_EQ(s.KeyStatus, 0100);
}

TEST_F(BusTest, KeyStatusWriteChangesOnlyTheMask) {
  machine.WriteWord(0177660, 0);
  EXPECT_EQ(machine.ReadWord(0177660), 0100);
  EXPECT_EQ(s.KeyIntMask, 0);
  machine.WriteByte(0177660, 0100);  // byte writes are plain storage
  EXPECT_EQ(s.KeyIntMask, 0);
  EXPECT_EQ(s.Memory[0177660], 0100);
  machine.KeyboardInput(1);
  EXPECT_EQ(machine.ReadWord(0177660), 0200);
  EXPECT_EQ(s.R[kPC], Peek(060));  // interrupt taken
}

TEST_F(BusTest, ScrollRegisterMasksWordWritesOnly) {
  machine.WriteWord(0177664, 0177777);
  EXPECT_EQ(machine.ReadWord(0177664), 01377);
  machine.WriteByte(0177665, 0377);
  EXPECT_EQ(machine.ReadWord(0177664), 0177777);
}

TEST_F(BusTest, TimerRegisters) {
  s.TimerCounter = 0123;
  machine.WriteWord(0177710, 0777);
  EXPECT_EQ(machine.ReadWord(0177710), 0123);
  machine.WriteWord(0177712, 0177777);
  EXPECT_EQ(machine.ReadWord(0177712), 0377);
  EXPECT_EQ(s.TimerDiv4, 1);
  EXPECT_EQ(s.TimerDiv16, 1);
  machine.WriteWord(0177712, 040);
  EXPECT_EQ(s.TimerDiv4, 0);
  EXPECT_EQ(s.TimerDiv16, 1);
  machine.WriteByte(0177712, 0100);  // a byte write selects nothing
  EXPECT_EQ(s.TimerDiv4, 0);
  EXPECT_EQ(s.TimerDiv16, 1);
  EXPECT_EQ(machine.ReadByte(0177712), 040);
  machine.WriteWord(0177706, 0456);
  EXPECT_EQ(machine.ReadWord(0177706), 0456);
}

TEST_F(BusTest, ParallelPortReadsZeroAndIgnoresWordWrites) {
  Poke(0177714, {0777});
  EXPECT_EQ(machine.ReadWord(0177714), 0);
  machine.WriteWord(0177714, 0123);
  EXPECT_EQ(Peek(0177714), 0777);
}

TEST_F(BusTest, SystemRegisterReadShowsStartAddressAndKeyHeld) {
  EXPECT_EQ(machine.ReadWord(0177716), 0100100);
  EXPECT_EQ(machine.ReadByte(0177716), 0100);
  settings.KeyHeld = true;
  EXPECT_EQ(machine.ReadWord(0177716), 0100000);
  EXPECT_EQ(machine.ReadByte(0177716), 0);
  settings.StartAddress = 140123;
  EXPECT_EQ(machine.ReadWord(0177716), 0140000);
  s.Memory[0177717] = 0252;
  EXPECT_EQ(machine.ReadByte(0177717), 0252);  // odd partner: plain storage
}

TEST_F(BusTest, SpeakerFollowsBit6OfWordWrites) {
  settings.SpeakerPortValue = 0360;
  machine.WriteWord(0177716, 0100);
  machine.WriteWord(0177716, 0177677);
  const auto values = [this] {
    std::vector<uint16_t> out;
    for (const SpeakerEdge& edge : machine.Speaker().Pending()) out.push_back(edge.PortValue);
    return out;
  };
  EXPECT_EQ(values(), (std::vector<uint16_t>{0362, 0360}));
  machine.WriteByte(0177716, 0100);
  EXPECT_EQ(values().size(), 2u);
  EXPECT_EQ(settings.SpeakerPortValue, 0360);
  EXPECT_EQ(s.Memory[0177716], 0100);
  settings.SoundOn = false;
  machine.WriteWord(0177716, 0100);
  EXPECT_EQ(settings.SpeakerPortValue, 0362);
  EXPECT_EQ(values().size(), 2u);
}

// Edges carry the count of the instruction that wrote them; a full buffer keeps the last value.
TEST_F(BusTest, SpeakerEdgesAreStampedAndAFullBufferEndsOnTheLastWrite) {
  Run({0012737, 0000100, 0177716, 0000240, 0012737, 0000000, 0177716}, 3);
  const auto edges = machine.Speaker().Pending();
  ASSERT_EQ(edges.size(), 2u);
  EXPECT_EQ(edges[0].Instruction, 0u);
  EXPECT_EQ(edges[0].PortValue & 2, 2);
  EXPECT_EQ(edges[1].Instruction, 2u);
  EXPECT_EQ(edges[1].PortValue & 2, 0);
  machine.Speaker().Clear();
  for (size_t i = 0; i < SpeakerEdges::kCapacity + 3; ++i) machine.WriteWord(0177716, (i & 1) ? 0 : 0100);
  const auto full = machine.Speaker().Pending();
  ASSERT_EQ(full.size(), SpeakerEdges::kCapacity);
  EXPECT_EQ(full.back().PortValue & 2, 2);  // the last write, kCapacity + 2, set the line
  EXPECT_EQ(full[full.size() - 2].PortValue & 2, 2);
}

struct RomWriteCase {
  const char* name;
  uint32_t address;
  bool word;
  bool romWriteControl;
  bool traps;
  uint16_t storedAt;  // where a word lands when not trapped
};

class RomWriteTrap : public BusTest, public ::testing::WithParamInterface<RomWriteCase> {};

TEST_P(RomWriteTrap, ChecksTheUnroundedAddress) {
  const RomWriteCase& c = GetParam();
  settings.RomWriteControl = c.romWriteControl;
  const MachineState before = s;
  if (c.word) {
    machine.WriteWord(c.address, 0123456);
  } else {
    machine.WriteByte(c.address, 0345);
  }
  EXPECT_EQ(s.BusErrorRaised, c.traps ? 1 : 0);
  if (c.traps) {
    EXPECT_EQ(s.R[kPC], 04000);
    EXPECT_EQ(s.R[kSP], kStackTop - 4);
    EXPECT_TRUE(std::equal(s.Memory.begin() + 0100000, s.Memory.end(), before.Memory.begin() + 0100000));
  } else if (c.word) {
    EXPECT_EQ(Peek(c.storedAt), 0123456);
  } else {
    EXPECT_EQ(s.Memory[c.address], 0345);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Writes, RomWriteTrap,
    ::testing::Values(RomWriteCase{"TopOfPageStoresBelow", 0177777, true, true, false, 0177776},
                      RomWriteCase{"OddRomAddressTraps", 0100001, true, true, true, 0},
                      RomWriteCase{"RomWritableWhenControlOff", 0100001, true, false, false, 0100000},
                      RomWriteCase{"CheckBeforeRounding", 0077777, true, true, false, 0077776},
                      RomWriteCase{"LastRomByteTraps", 0177577, false, true, true, 0},
                      RomWriteCase{"FirstPageByteStores", 0177600, false, true, false, 0},
                      RomWriteCase{"RomByteTraps", 0100000, false, true, true, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(BusTest, ExtendedAddressesReachTheRegisters) {
  s.R[2] = 0177777;
  machine.WriteByte(RegisterAddress(2), 0123);
  EXPECT_EQ(s.R[2], 0177523);
  machine.WriteWord(RegisterAddress(kSP), 01234);
  EXPECT_EQ(s.R[kSP], 01234);
  s.R[0] = 0123456;
  EXPECT_EQ(machine.ReadWord(RegisterAddress(0)), 0123456);
  EXPECT_EQ(machine.ReadByte(RegisterAddress(0)), 0056);
  EXPECT_EQ(machine.ReadByte(RegisterAddress(0) + 1), 0247);
  settings.RomWriteControl = true;
  machine.WriteWord(RegisterAddress(kPC), 0100000);  // never checked against the ROM area
  EXPECT_EQ(s.R[kPC], 0100000);
  EXPECT_EQ(s.BusErrorRaised, 0);
}

TEST_F(BusTest, PokeWordSkipsRomCheckAndDecoding) {
  machine.PokeWord(0100001, 0123);
  machine.PokeWord(0177664, 0177777);
  EXPECT_EQ(Peek(0100000), 0123);
  EXPECT_EQ(Peek(0177664), 0177777);
  EXPECT_EQ(s.BusErrorRaised, 0);
}

TEST_F(BusTest, PeekHasNoSideEffects) {
  machine.KeyboardInput(0101);
  EXPECT_EQ(machine.PeekWord(0177662), 0101);
  EXPECT_EQ(machine.PeekByte(0177662), 0101);
  EXPECT_EQ(s.KeyStatus, 0300);
}

TEST_F(BusTest, PackAndUnpackStatusWord) {
  s.TraceTrapPending = 0;
  machine.UnpackPsw(0377);
  EXPECT_EQ(Flags(), "1111");
  EXPECT_EQ(s.TraceTrapPending, 0);
  EXPECT_EQ(machine.PackPsw(), 017);
  s.TraceTrapPending = 1;
  EXPECT_EQ(machine.PackPsw(), 037);
  machine.UnpackPsw(0177760);
  EXPECT_EQ(Flags(), "0000");
}

// Operand reads of the keyboard data register clear the ready bit even for write-only
// instructions, because every operand is read before it is written.
TEST_F(BusTest, OperandReadsOfKeyboardDataClearReadyBit) {
  for (uint16_t instruction : {005737, 010037, 005037, 006737}) {  // TST, MOV R0, CLR, SXT
    s.R[kPC] = kCodeAddress;
    machine.KeyboardInput(0101);
    ASSERT_EQ(s.KeyStatus & 0200, 0200);
    Run({instruction, 0177662});
    EXPECT_EQ(s.KeyStatus & 0200, 0) << std::oct << instruction;
  }
}

// A destination write into the protected ROM area: the destination, the condition codes and
// the computed result are lost, and the next instruction is the handler's first.
TEST_F(BusTest, RefusedDestinationWriteSetsNoConditionCodes) {
  Poke(0100000, {0777});
  Poke(04000, {000261});                                            // SEC in the handler
  for (uint16_t instruction : {010037, 005237, 0105037, 060037}) {  // MOV, INC, CLRB, ADD
    s.R[kPC] = kCodeAddress;
    s.R[kSP] = kStackTop;
    SetFlags("1010");
    Run({instruction, 0100000});
    EXPECT_EQ(Flags(), "1010") << std::oct << instruction;
    EXPECT_EQ(Peek(0100000), 0777);
    EXPECT_EQ(s.R[kPC], 04000);
    EXPECT_EQ(Peek(kStackTop - 4), kCodeAddress + 4);
    machine.Step();
    EXPECT_EQ(Flags(), "1011");
  }
}

}  // namespace
}  // namespace homemicro::testing
