// bkrun's command line.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace bkrun {

struct LoadRequest {
  uint16_t address;
  std::string file;
};

struct RegisterAssignment {
  int reg;  // 0..7
  uint16_t value;
};

struct DumpRequest {
  uint16_t address;
  long count;  // words
};

struct Options {
  std::optional<std::string> romFile;
  int32_t startAddress = 100000;  // octal digits, as the emulator keeps it
  bool romProtect = true;
  std::vector<LoadRequest> loads;
  std::vector<RegisterAssignment> registers;
  std::optional<std::string> flags;  // letters among N, Z, V, C
  std::optional<long long> steps;
  std::optional<long long> ticks;
  long speed = 13750;
  std::optional<uint16_t> breakAddress;
  std::string keys;  // BK key codes, escapes already decoded; 0x1B is the STOP key
  bool printRegisters = false;
  std::vector<DumpRequest> dumps;
  std::vector<DumpRequest> disassembly;
  std::optional<std::string> screenFile;
  bool twoBit = false;
  bool overwrite = false;
  std::optional<std::string> openFile;
};

// Parses argv; on failure returns nothing and sets `error` to a one-line message.
std::optional<Options> ParseOptions(const std::vector<std::string>& args, std::string& error);

// The usage text printed by --help.
extern const char* const kUsage;

}  // namespace bkrun
