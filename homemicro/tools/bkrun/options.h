// bkrun's command line.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "homemicro/frontend/typing.h"

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

// One step of --keys: a key press, or ticks with no key down.
struct KeyAction {
  std::optional<homemicro::KeyStroke> stroke;
  long long waitTicks = 0;
};

// One key of --tracer-keys. A key that opens the number box (D, G, 0..7) may carry its answer:
// "=TEXT" types TEXT and Enter, "=Esc" cancels; without one the box is refused.
struct TracerKeyPress {
  uint16_t virtualKey = 0;
  enum class Answer { None, Text, Cancel } answer = Answer::None;
  std::string text;
};

// Key names separated by blanks or commas: a letter or digit, Space, Enter, Esc, F1..F12
// (any case); "=..." after a key as above. Nothing on a bad name, with `error` saying which.
std::optional<std::vector<TracerKeyPress>> ParseTracerKeys(const std::string& text, std::string& error);

struct ProgramRequest {
  long long tick;  // started before this tick (decimal, 0 = before the first)
  std::string file;
};

struct Options {
  std::optional<std::string> configFile;
  std::optional<std::string> paletteFile;
  std::optional<std::string> romFile;
  std::optional<int32_t> startAddress;  // octal digits, as the emulator keeps it
  bool noRomProtect = false;
  std::vector<LoadRequest> loads;
  std::vector<RegisterAssignment> registers;
  std::optional<std::string> flags;  // letters among N, Z, V, C
  std::optional<long long> steps;
  std::optional<long long> ticks;
  std::optional<int32_t> speed;         // instructions per tick
  std::optional<int32_t> repaintCount;  // slices per tick
  std::optional<uint16_t> breakAddress;
  std::vector<KeyAction> keys;
  bool printRegisters = false;
  std::vector<DumpRequest> dumps;
  std::vector<DumpRequest> disassembly;
  std::optional<std::string> screenFile;
  std::optional<bool> oneBitMode;  // --one-bit / --two-bit
  std::optional<std::string> wavFile;
  bool overwrite = false;
  std::optional<std::string> openFile;
  std::optional<ProgramRequest> program;  // a tape file started as the monitor would
  std::optional<std::string> loadState;   // in place of the hard reset
  std::optional<std::string> saveState;   // after the run
  std::optional<std::vector<TracerKeyPress>> tracerKeys;
};

// Parses argv; on failure returns nothing and sets `error` to a one-line message.
std::optional<Options> ParseOptions(const std::vector<std::string>& args, std::string& error);

// The usage text printed by --help, made from the same option table as the parser.
const std::string& UsageText();

}  // namespace bkrun
