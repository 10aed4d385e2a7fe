// The front end's two hot paths: one screen conversion (up to 20 run per 55 ms tick; aim: well
// under 50 microseconds in either mode) and one whole tick at the default speed, 13750
// instructions in 5 slices with 5 screen updates (aim: well under 1 ms).
#include <benchmark/benchmark.h>

#include <memory>
#include <random>

#include "homemicro/frontend/disk_files.h"
#include "homemicro/frontend/display.h"
#include "homemicro/frontend/run_loop.h"

namespace {

using namespace homemicro;

class SilentHost : public HostServices {
 public:
  void ShowMessage(std::string_view, MessageIcon) override {}
  bool AskYesNo(std::string_view) override { return false; }
  void StopRunTimer() override {}
  void StartRunTimer() override {}
  std::optional<std::string> OpenFileDialog(const OpenFileRequest&) override { return std::nullopt; }
  void EndProgram() override {}
};

void UpdateScreen(benchmark::State& state) {
  const bool oneBit = state.range(0) == 1;
  std::array<uint8_t, kVideoRamSize> ram{};
  std::mt19937 random(7);
  for (uint8_t& byte : ram) byte = static_cast<uint8_t>(random());
  auto display = std::make_unique<Display>();
  uint16_t scroll = 01330;
  for (auto _ : state) {
    display->UpdateScreen(ram, scroll, oneBit, kDefaultPalette);
    benchmark::DoNotOptimize(display->Picture().data());
    scroll = static_cast<uint16_t>(01000 | ((scroll + 1) & 0377));
  }
  state.SetLabel(oneBit ? "one bit per pixel" : "two bits per pixel");
}
BENCHMARK(UpdateScreen)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

// A program that keeps the screen changing: fills it with a counting pattern, word by word.
constexpr uint16_t kScreenProgram[] = {
    0012701, 0040000,  // 01000 MOV #40000,R1
    0012702, 0020000,  // 01004 MOV #20000,R2
    0010021,           // 01010 MOV R0,(R1)+
    0005200,           // 01012 INC R0
    0077203,           // 01014 SOB R2,01010
    0000770,           // 01016 BR 01000
};

void TickAtDefaultSpeed(benchmark::State& state) {
  SilentHost host;
  FrontEndSettings settings;
  FrontEndState frontEnd;
  DiskFiles files;
  auto machine = std::make_unique<Machine>(settings, host, files);
  auto display = std::make_unique<Display>();
  SpeakerSynth synth(44100);
  RunLoop loop(*machine, frontEnd, *display, synth);
  MachineState& m = machine->State();
  uint16_t address = 01000;
  for (uint16_t word : kScreenProgram) {
    m.Memory[address] = static_cast<uint8_t>(word);
    m.Memory[address + 1] = static_cast<uint8_t>(word >> 8);
    address = static_cast<uint16_t>(address + 2);
  }
  m.R[kPC] = 01000;
  m.R[kSP] = 01000;
  m.Memory[kScrollRegister] = 0330;
  m.Memory[kScrollRegister + 1] = 02;
  frontEnd.Run.Play();
  frontEnd.OneBitMode = state.range(0) == 1;
  for (auto _ : state) {
    if (loop.Tick() != TickOutcome::Completed) state.SkipWithError("tick did not complete");
    synth.ClearSamples();
  }
  state.counters["instructions"] =
      benchmark::Counter(static_cast<double>(loop.InstructionsExecuted()), benchmark::Counter::kIsRate);
  state.SetLabel(frontEnd.OneBitMode ? "one bit per pixel" : "two bits per pixel");
}
BENCHMARK(TickAtDefaultSpeed)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
