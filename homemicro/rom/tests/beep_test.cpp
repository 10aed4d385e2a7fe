// The boot ROM's beep key, heard the way the emulator's sound output hears it: speaker levels
// time-stamped by the count of executed instructions.
#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "homemicro/core/machine.h"
#include "homemicro/frontend/disk_files.h"

namespace {

using homemicro::Machine;

// The emulator's default speed: 13750 instructions in each 55 ms tick.
constexpr long kInstructionsPerSecond = 13750 * 1000 / 55;
constexpr uint16_t kF5 = 016;
constexpr long kToneHz = 1000;
constexpr size_t kPeriods = 200;  // 0.2 s

struct SpeakerWrite {
  long instruction;
  bool level;
};

class QuietHost : public homemicro::HostServices {
 public:
  void ShowMessage(std::string_view, homemicro::MessageIcon) override { ++messages; }
  bool AskYesNo(std::string_view) override { return false; }
  void StopRunTimer() override {}
  void StartRunTimer() override {}
  std::optional<std::string> OpenFileDialog(const homemicro::OpenFileRequest&) override {
    return std::nullopt;
  }
  void EndProgram() override { ++messages; }

  int messages = 0;
};

// Runs as the run loop does, collecting the speaker's edges after every thousand instructions.
void RunInstructions(Machine& machine, std::vector<SpeakerWrite>& writes, long instructions) {
  for (long i = 0; i < instructions; ++i) {
    machine.Step();
    machine.TimerTick();
    if (i % 1000 != 999 && i != instructions - 1) continue;
    for (const homemicro::SpeakerEdge& edge : machine.Speaker().Pending())
      writes.push_back({static_cast<long>(edge.Instruction), (edge.PortValue & 2) != 0});
    machine.Speaker().Clear();
  }
}

TEST(BootRomBeep, F5PlaysAnEvenOneKilohertzToneForAFifthOfASecond) {
  homemicro::FrontEndSettings settings;
  settings.StartDirectory = HOMEMICRO_ROM_DIR;
  QuietHost host;
  homemicro::DiskFiles files;
  Machine machine(settings, host, files);
  std::vector<SpeakerWrite> writes;
  machine.HardReset();
  ASSERT_EQ(host.messages, 0) << "homemicro.rom not found in " HOMEMICRO_ROM_DIR;

  RunInstructions(machine, writes, kInstructionsPerSecond / 2);  // boot and draw the menu
  EXPECT_TRUE(writes.empty()) << "the speaker sounds before any key";
  machine.KeyboardInput(kF5);
  RunInstructions(machine, writes, kInstructionsPerSecond);

  // Each period is a write of the speaker bit on, then one of it off, half a period apart.
  ASSERT_EQ(writes.size(), 2 * kPeriods);
  for (size_t i = 0; i < writes.size(); ++i) {
    EXPECT_EQ(writes[i].level, i % 2 == 0) << "write " << i;
    if (i > 0) {
      EXPECT_EQ(writes[i].instruction - writes[i - 1].instruction, kInstructionsPerSecond / (2 * kToneHz))
          << "half period before write " << i;
    }
  }
}

}  // namespace
