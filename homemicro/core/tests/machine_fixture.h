// A machine with a fake host, and helpers to place code and read back registers and flags.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "fake_host.h"
#include "homemicro/core/machine.h"

namespace homemicro::testing {

struct RegisterValue {
  int n;
  uint16_t value;
};
struct MemoryWord {
  uint16_t address;
  uint16_t value;
};

inline std::string FlagString(const MachineState& s) {
  return std::string{char('0' + s.FlagN), char('0' + s.FlagZ), char('0' + s.FlagV), char('0' + s.FlagC)};
}

class MachineTest : public ::testing::Test {
 protected:
  static constexpr uint16_t kCodeAddress = 01000;
  static constexpr uint16_t kStackTop = 0700;

  FrontEndSettings settings;
  FakeHost host;
  FakeFiles files;
  Machine machine{settings, host, files};
  MachineState& s = machine.State();

  void SetUp() override {
    s.R[kPC] = kCodeAddress;
    s.R[kSP] = kStackTop;
  }

  void Poke(uint16_t address, std::initializer_list<uint16_t> words) {
    for (uint16_t w : words) {
      s.Memory[address] = static_cast<uint8_t>(w);
      s.Memory[static_cast<uint16_t>(address + 1)] = static_cast<uint8_t>(w >> 8);
      address = static_cast<uint16_t>(address + 2);
    }
  }
  void Poke(uint16_t address, const std::vector<uint16_t>& words) {
    for (uint16_t w : words) {
      Poke(address, {w});
      address = static_cast<uint16_t>(address + 2);
    }
  }
  uint16_t Peek(uint16_t address) const {
    return static_cast<uint16_t>(s.Memory[address] | (s.Memory[static_cast<uint16_t>(address + 1)] << 8));
  }
  void SetFlags(const std::string& nzvc) {
    s.FlagN = nzvc[0] == '1';
    s.FlagZ = nzvc[1] == '1';
    s.FlagV = nzvc[2] == '1';
    s.FlagC = nzvc[3] == '1';
  }
  std::string Flags() const { return FlagString(s); }
  // Runs code placed at kCodeAddress for `steps` steps.
  void Run(std::initializer_list<uint16_t> code, int steps = 1) {
    Poke(kCodeAddress, code);
    for (int i = 0; i < steps; ++i) machine.Step();
  }
};

}  // namespace homemicro::testing
