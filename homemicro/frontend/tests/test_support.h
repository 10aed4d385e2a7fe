// Helpers shared by the front-end tests: a scratch folder, a recording host, tiny programs.
#pragma once

#include <gtest/gtest.h>

#include <unistd.h>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <vector>

#include "homemicro/core/host_services.h"
#include "homemicro/core/machine.h"

namespace homemicro::test {

// A fresh folder per test, removed afterwards.
class ScratchDir {
 public:
  ScratchDir() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string("hm_frontend_") + info->test_suite_name() + "_" + info->name() + "_" +
                       std::to_string(::getpid());
    for (char& c : name) {
      if (c == '/') c = '_';
    }
    path_ = std::filesystem::temp_directory_path() / name;
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~ScratchDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  const std::filesystem::path& Path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

inline void WriteBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline std::vector<uint8_t> ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Records what the core and the session ask of the window.
class RecordingHost : public HostServices {
 public:
  void ShowMessage(std::string_view text, MessageIcon icon) override {
    Messages.emplace_back(text);
    Icons.push_back(icon);
  }
  bool AskYesNo(std::string_view) override { return true; }
  void StopRunTimer() override { TimerEnabled = false; }
  void StartRunTimer() override { TimerEnabled = true; }
  std::optional<std::string> OpenFileDialog(const OpenFileRequest&) override { return std::nullopt; }
  void EndProgram() override { EndRequested = true; }

  std::vector<std::string> Messages;
  std::vector<MessageIcon> Icons;
  bool TimerEnabled = false;
  bool EndRequested = false;
};

// Stores words from `address` on, without the bus rules (test set-up only).
inline void Poke(MachineState& state, uint16_t address, std::initializer_list<uint16_t> words) {
  for (uint16_t word : words) {
    state.Memory[address] = static_cast<uint8_t>(word);
    state.Memory[address + 1] = static_cast<uint8_t>(word >> 8);
    address = static_cast<uint16_t>(address + 2);
  }
}

inline uint16_t PeekMemoryWord(const MachineState& state, uint16_t address) {
  return static_cast<uint16_t>(state.Memory[address] | state.Memory[address + 1] << 8);
}

// Machine code used by several tests.
inline constexpr uint16_t kNop = 0000240;
inline constexpr uint16_t kIncR0 = 0005200;
inline constexpr uint16_t kBranchToSelf = 0000777;

// Fills [from, to) with INC R0, so R0 counts the instructions run from `from`.
inline void FillWithIncR0(MachineState& state, uint16_t from, uint16_t to) {
  for (uint32_t a = from; a < to; a += 2) Poke(state, static_cast<uint16_t>(a), {kIncR0});
}

}  // namespace homemicro::test

namespace homemicro::test {

// A program that sounds a square wave: the line goes high, 120 SOB iterations, low, 120 SOB
// iterations, and round again: 245 instructions per cycle.
inline constexpr int kToneInstructionsPerCycle = 245;
inline void PokeToneProgram(MachineState& state, uint16_t at) {
  Poke(state, at,
       {
           0012737, 0000100, 0177716,  // MOV #100,@#177716
           0012700, 0000170,           // MOV #120.,R0
           0077001,                    // SOB R0,.
           0012737, 0000000, 0177716,  // MOV #0,@#177716
           0012700, 0000170,           // MOV #120.,R0
           0077001,                    // SOB R0,.
           0000763,                    // BR back to the first MOV
       });
}

}  // namespace homemicro::test

namespace homemicro::test {

// A 32 KB ROM image whose first words, at 0100000, are `program`.
inline std::vector<uint8_t> RomWithProgram(std::initializer_list<uint16_t> program) {
  std::vector<uint8_t> rom(kRomImageSize, 0);
  size_t at = 0;
  for (uint16_t word : program) {
    rom[at++] = static_cast<uint8_t>(word);
    rom[at++] = static_cast<uint8_t>(word >> 8);
  }
  return rom;
}

}  // namespace homemicro::test
