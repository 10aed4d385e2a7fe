// Hard reset and ROM image loading, with the ROM file among the in-memory host files.
#include <gtest/gtest.h>

#include <algorithm>

#include "machine_fixture.h"

namespace homemicro::testing {
namespace {

constexpr const char* kRomPath = "/bk/homemicro.rom";

class ResetTest : public MachineTest {
 protected:
  void SetUp() override {
    MachineTest::SetUp();
    settings.StartDirectory = "/bk";
  }

  // A ROM image whose byte at offset i is (i * 7 + salt) & 0377.
  void WriteRom(size_t size, int salt) {
    std::vector<uint8_t>& rom = files.files[kRomPath];
    rom.resize(size);
    for (size_t i = 0; i < size; ++i) rom[i] = static_cast<uint8_t>((i * 7 + salt) & 0377);
  }
  bool RomAreaHolds(int salt) const {
    for (uint32_t i = 0; i < 077600; ++i)
      if (s.Memory[0100000 + i] != ((i * 7 + salt) & 0377)) return false;
    return true;
  }
};

TEST_F(ResetTest, HardResetSetsTheDocumentedState) {
  WriteRom(32768, 1);
  settings.StartAddress = 140000;
  s.TimerDiv16 = 1;
  s.R[3] = 0777;
  SetFlags("1111");
  s.Memory[0200] = 0;
  machine.HardReset();
  for (uint32_t a = 0; a < 0100000; a += 2)
    ASSERT_EQ(Peek(static_cast<uint16_t>(a)), 000401) << std::oct << a;
  EXPECT_TRUE(RomAreaHolds(1));
  EXPECT_EQ(s.Memory[0177600], (077600 * 7 + 1) & 0377);  // the image reaches under the register page
  EXPECT_EQ(machine.ReadWord(0177664), 01330);
  EXPECT_EQ(machine.ReadWord(0177660), 0100);
  EXPECT_EQ(machine.ReadWord(0177706), 0);
  EXPECT_EQ(machine.ReadWord(0177712), 0);
  for (int n = 0; n < 6; ++n) EXPECT_EQ(s.R[n], 0);
  EXPECT_EQ(s.R[kSP], 01000);
  EXPECT_EQ(s.R[kPC], 0140000);
  EXPECT_EQ(Flags(), "0000");
  EXPECT_TRUE(host.messages.empty());
  EXPECT_EQ(host.timerEvents, "");
  // The prescaler selection survives: one step per 160 instructions.
  for (int k = 0; k < 159; ++k) machine.TimerTick();
  EXPECT_EQ(s.TimerCounter, 0);
  machine.TimerTick();
  EXPECT_EQ(s.TimerCounter, 0177777);
}

TEST_F(ResetTest, MissingRomKeepsThePreviousImage) {
  WriteRom(32768, 3);
  machine.HardReset();
  files.files.erase(kRomPath);
  machine.HardReset();
  EXPECT_TRUE(RomAreaHolds(3));
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].text, std::string("Не найден файл ПЗУ - ") + kRomPath);
  EXPECT_EQ(host.messages[0].icon, MessageIcon::Error);
  EXPECT_EQ(host.timerEvents, "S");
  EXPECT_EQ(host.endProgramCalls, 0);
  EXPECT_EQ(s.R[kPC], 0100000);  // the reset still completes
  EXPECT_EQ(Peek(0), 000401);
}

TEST_F(ResetTest, MissingRomAtStartLeavesZeros) {
  machine.HardReset();
  EXPECT_TRUE(
      std::all_of(s.Memory.begin() + 0100000, s.Memory.begin() + 0177600, [](uint8_t b) { return b == 0; }));
  EXPECT_EQ(host.messages.size(), 1u);
}

TEST_F(ResetTest, UnreadableRomEndsTheProgramAndKeepsTheImage) {
  WriteRom(32768, 5);
  machine.HardReset();
  for (const bool asDirectory : {false, true}) {
    files.files.erase(kRomPath);
    if (asDirectory) {
      files.folders.insert(kRomPath);
    } else {
      WriteRom(32767, 9);
    }
    host.messages.clear();
    host.timerEvents.clear();
    host.endProgramCalls = 0;
    machine.HardReset();
    EXPECT_TRUE(RomAreaHolds(5)) << asDirectory;
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, "Ошибка при загрузке файла ПЗУ");
    EXPECT_EQ(host.timerEvents, "S");
    EXPECT_EQ(host.endProgramCalls, 1);
  }
}

TEST_F(ResetTest, LongerRomFileLoadsItsFirst32K) {
  WriteRom(40000, 2);
  machine.HardReset();
  EXPECT_TRUE(RomAreaHolds(2));
  EXPECT_TRUE(host.messages.empty());
}

}  // namespace
}  // namespace homemicro::testing
