// Loading a program in one step: a BK tape file (address word, length word, then the bytes)
// placed in memory and started as the monitor's load-and-run does, without typing anything.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "homemicro/core/machine.h"

namespace homemicro {

inline constexpr std::string_view kNotTapeFileMessage = "Это не файл программы БК: ";
inline constexpr std::string_view kTapeFileFilter = "Программы БК (*.bin)|*.bin|Все файлы|*.*";
inline constexpr std::string_view kLoadProgramTitle = "Загрузить программу";

struct TapeProgram {
  uint16_t Address = 0;
  std::vector<uint8_t> Bytes;
};

struct TapeProgramRead {
  bool Ok = false;
  TapeProgram Program;
  std::string Error;  // kNotTapeFileMessage and the reason, or the system's text
};

// A tape file: its header names the length of exactly the data that follows and an area
// inside RAM (0..077777).
TapeProgramRead DecodeTapeProgram(std::span<const uint8_t> file);
TapeProgramRead ReadTapeProgram(const std::filesystem::path& path);

// Places the bytes, notes address and length in the monitor's cells 0264 and 0266, drops a
// key press not yet delivered, and starts the program at its address with SP at 01000; a
// program above the stack gets the start address as its return address, so RTS PC restarts
// the monitor.
void StartTapeProgram(Machine& machine, const TapeProgram& program);

}  // namespace homemicro
