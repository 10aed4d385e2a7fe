#include "homemicro/frontend/tape_program.h"

#include <algorithm>
#include <system_error>

#include "homemicro/core/oct.h"
#include "homemicro/frontend/host_file.h"

namespace homemicro {
namespace {

constexpr std::size_t kHeaderSize = 4;
constexpr uint16_t kStackTop = 01000;
constexpr uint16_t kLastFileAddressCell = 0264;
constexpr uint16_t kLastFileLengthCell = 0266;
// A tape file never holds more than the address space and its header.
constexpr std::uintmax_t kMaxTapeFile = kMemorySize + kHeaderSize;

std::string Octal(uint32_t value) {
  std::string text;
  do {
    text.insert(text.begin(), static_cast<char>('0' + (value & 7)));
    value >>= 3;
  } while (value != 0);
  return text;
}

TapeProgramRead Refuse(const std::string& reason) {
  return {false, {}, std::string(kNotTapeFileMessage) + reason};
}

}  // namespace

TapeProgramRead DecodeTapeProgram(std::span<const uint8_t> file) {
  if (file.size() < kHeaderSize) return Refuse("файл короче заголовка (4 байта)");
  const uint16_t address = static_cast<uint16_t>(file[0] | file[1] << 8);
  const uint16_t length = static_cast<uint16_t>(file[2] | file[3] << 8);
  const std::size_t data = file.size() - kHeaderSize;
  if (length == 0) return Refuse("длина в заголовке равна 0");
  // Tape files hold exactly the length their header names.
  if (length != data)
    return Refuse("длина в заголовке " + Octal(length) + ", а данных в файле " +
                  Octal(static_cast<uint32_t>(data)));
  if (static_cast<uint32_t>(address) + length > kRomStart)
    return Refuse("адрес " + Octal(address) + " и длина " + Octal(length) + " выходят за ОЗУ (0..077777)");
  TapeProgramRead read{true, {address, {}}, {}};
  read.Program.Bytes.assign(file.begin() + kHeaderSize, file.begin() + kHeaderSize + length);
  return read;
}

TapeProgramRead ReadTapeProgram(const std::filesystem::path& path) {
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(path, error);
  if (error) return {false, {}, path.string() + ": " + error.message()};
  if (size > kMaxTapeFile) return Refuse("файл больше памяти БК");
  std::vector<uint8_t> bytes(static_cast<std::size_t>(size));
  const FileReadResult read = ReadFilePrefix(path, bytes);
  if (read.Status != FileReadStatus::Ok) return {false, {}, read.Error};
  return DecodeTapeProgram(bytes);
}

void StartTapeProgram(Machine& machine, const TapeProgram& program) {
  MachineState& state = machine.State();
  // The cells first: a program loaded over them keeps its own bytes.
  machine.WriteWord(kLastFileAddressCell, program.Address);
  machine.WriteWord(kLastFileLengthCell, static_cast<uint16_t>(program.Bytes.size()));
  std::copy(program.Bytes.begin(), program.Bytes.end(), state.Memory.begin() + program.Address);
  machine.Settings().KeyPending = false;
  state.TraceTrapPending = 0;
  state.TraceArmed = 0;
  state.R[kSP] = kStackTop;
  if (program.Address >= kStackTop) {
    state.R[kSP] = kStackTop - 2;
    machine.WriteWord(kStackTop - 2, static_cast<uint16_t>(Oct(machine.Settings().StartAddress)));
  }
  state.R[kPC] = program.Address;
}

}  // namespace homemicro
