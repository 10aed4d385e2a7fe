// The boot ROM's beep key, heard the way the emulator's sound output hears it: speaker levels
// time-stamped by the count of executed instructions.
#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "homemicro/core/machine.h"

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

class SpeakerRecorder : public homemicro::HostServices {
 public:
  void ShowMessage(std::string_view, homemicro::MessageIcon) override { ++messages; }
  bool AskYesNo(std::string_view) override { return false; }
  void StopRunTimer() override {}
  void StartRunTimer() override {}
  void SpeakerOutput(uint16_t portValue) override { writes.push_back({now, (portValue & 2) != 0}); }
  std::optional<std::string> OpenFileDialog(const homemicro::OpenFileRequest&) override {
    return std::nullopt;
  }
  void EndProgram() override { ++messages; }

  long now = 0;
  int messages = 0;
  std::vector<SpeakerWrite> writes;
};

void RunInstructions(Machine& machine, SpeakerRecorder& host, long instructions) {
  for (long i = 0; i < instructions; ++i, ++host.now) {
    machine.Step();
    machine.TimerTick();
  }
}

TEST(BootRomBeep, F5PlaysAnEvenOneKilohertzToneForAFifthOfASecond) {
  homemicro::FrontEndSettings settings;
  settings.StartDirectory = HOMEMICRO_ROM_DIR;
  SpeakerRecorder host;
  Machine machine(settings, host);
  machine.HardReset();
  ASSERT_EQ(host.messages, 0) << "homemicro.rom not found in " HOMEMICRO_ROM_DIR;

  RunInstructions(machine, host, kInstructionsPerSecond / 2);  // boot and draw the menu
  EXPECT_TRUE(host.writes.empty()) << "the speaker sounds before any key";
  machine.KeyboardInput(kF5);
  RunInstructions(machine, host, kInstructionsPerSecond);

  // Each period is a write of the speaker bit on, then one of it off, half a period apart.
  ASSERT_EQ(host.writes.size(), 2 * kPeriods);
  for (size_t i = 0; i < host.writes.size(); ++i) {
    EXPECT_EQ(host.writes[i].level, i % 2 == 0) << "write " << i;
    if (i > 0) {
      EXPECT_EQ(host.writes[i].instruction - host.writes[i - 1].instruction,
                kInstructionsPerSecond / (2 * kToneHz))
          << "half period before write " << i;
    }
  }
}

}  // namespace
