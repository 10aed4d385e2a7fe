// bkrun: the BK-0010.01 without a window, for tests, benchmarks and scripts.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "console_host.h"
#include "disassembler.h"
#include "homemicro/core/machine.h"
#include "homemicro/frontend/wav_file.h"
#include "options.h"
#include "png_writer.h"
#include "runner.h"
#include "screen_image.h"
#include "settings_setup.h"
#include "tracer_script.h"

namespace {

namespace fs = std::filesystem;
using homemicro::Machine;

constexpr int kExitError = 2;

int Fail(const std::string& message) {
  std::fprintf(stderr, "bkrun: %s\n", message.c_str());
  return kExitError;
}

bool IsReadableFile(const std::string& name) {
  std::error_code error;
  return fs::is_regular_file(name, error) && std::ifstream(name, std::ios::binary).good();
}

// Copies a file into memory as it is (no ROM check, no register-page decoding).
bool LoadFile(Machine& machine, const bkrun::LoadRequest& load, std::string& error) {
  std::ifstream in(load.file, std::ios::binary);
  std::vector<char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (!in.eof() && in.fail()) {
    error = "cannot read '" + load.file + "'";
    return false;
  }
  if (load.address + bytes.size() > homemicro::kMemorySize) {
    error = "'" + load.file + "' (" + std::to_string(bytes.size()) + " bytes) does not fit at " +
            homemicro::debugger::OctStr6(load.address);
    return false;
  }
  std::copy(bytes.begin(), bytes.end(), machine.State().Memory.begin() + load.address);
  return true;
}

void ApplyRegistersAndFlags(Machine& machine, const bkrun::Options& options) {
  homemicro::MachineState& s = machine.State();
  for (const auto& set : options.registers) s.R[static_cast<size_t>(set.reg)] = set.value;
  if (options.flags) {
    const auto has = [&](char c) {
      return options.flags->find(c) != std::string::npos ||
             options.flags->find(static_cast<char>(c + 32)) != std::string::npos;
    };
    s.FlagN = has('N');
    s.FlagZ = has('Z');
    s.FlagV = has('V');
    s.FlagC = has('C');
  }
}

void PrintRegisters(const Machine& machine) {
  const homemicro::MachineState& s = machine.State();
  std::printf("R0=%06o R1=%06o R2=%06o R3=%06o R4=%06o R5=%06o SP=%06o PC=%06o NZVC=%d%d%d%d\n", s.R[0],
              s.R[1], s.R[2], s.R[3], s.R[4], s.R[5], s.R[6], s.R[7], s.FlagN, s.FlagZ, s.FlagV, s.FlagC);
}

void PrintDump(const Machine& machine, const bkrun::DumpRequest& dump) {
  uint16_t address = dump.address & 0177776;
  for (long i = 0; i < dump.count; ++i, address = static_cast<uint16_t>(address + 2)) {
    if (i % 8 == 0) std::printf("%s%06o:", i == 0 ? "" : "\n", address);
    std::printf(" %06o", machine.PeekWord(address));
  }
  if (dump.count > 0) std::printf("\n");
}

void PrintDisassembly(Machine& machine, const bkrun::DumpRequest& request) {
  const homemicro::debugger::WordReader read = [&machine](uint16_t a) { return machine.ReadWord(a); };
  for (const std::string& line :
       homemicro::debugger::DisassembleListing(read, request.address, static_cast<unsigned>(request.count)))
    std::printf("%s\n", line.c_str());
}

bool WriteScreen(bkrun::HeadlessEmulator& emulator, const std::string& file, std::string& error) {
  const bool pgm = file.size() >= 4 && file.compare(file.size() - 4, 4, ".pgm") == 0;
  const bkrun::Image image = bkrun::RenderScreen(emulator.UpdatedScreen(), emulator.State().OneBitMode, pgm);
  const std::vector<uint8_t> bytes = pgm ? bkrun::EncodePgm(image) : bkrun::EncodePng(image);
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) error = "cannot write '" + file + "'";
  return static_cast<bool>(out);
}

bool WriteSound(const bkrun::HeadlessEmulator& emulator, const std::string& file, std::string& error) {
  const std::string failure = homemicro::WriteWavFile(file, emulator.Sound(), bkrun::kSoundSampleRate);
  if (!failure.empty()) error = failure;  // names the file and the system's reason
  return failure.empty();
}

int Run(const bkrun::Options& options) {
  if (options.romFile && !IsReadableFile(*options.romFile))
    return Fail("cannot read ROM file '" + *options.romFile + "'");
  for (const auto& load : options.loads)
    if (!IsReadableFile(load.file)) return Fail("cannot read '" + load.file + "'");

  const auto emulator = std::make_unique<bkrun::HeadlessEmulator>(options.overwrite, options.openFile,
                                                                  options.wavFile.has_value());
  if (const auto failure = bkrun::ApplySettings(options, *emulator)) {
    if (!failure->messageBox) return Fail(failure->text);
    bkrun::PrintMessageBox(failure->text);
    return kExitError;
  }
  Machine& machine = emulator->GetMachine();
  std::string error;
  if (options.loadState) {
    error = emulator->LoadState(*options.loadState);
    if (!error.empty()) return Fail(error);
    // The snapshot holds these settings; options given beside it still win.
    if (options.startAddress) emulator->Settings().StartAddress = *options.startAddress;
    if (options.noRomProtect) emulator->Settings().RomWriteControl = false;
  } else if (!emulator->HardReset()) {
    return kExitError;
  }
  for (const auto& load : options.loads)
    if (!LoadFile(machine, load, error)) return Fail(error);
  ApplyRegistersAndFlags(machine, options);

  bkrun::RunLimits limits{options.steps, options.ticks, options.keys, {}, 0};
  if (options.program) {
    const homemicro::TapeProgramRead program = homemicro::ReadTapeProgram(options.program->file);
    if (!program.Ok) return Fail(program.Error);
    limits.program = program.Program;
    limits.programTick = options.program->tick;
  }
  const bkrun::RunEnd end = emulator->Run(limits);
  if (end == bkrun::RunEnd::Failed) bkrun::PrintMessageBox(emulator->FailureMessage());
  bool tracerFailed = false;
  if (options.tracerKeys && (end == bkrun::RunEnd::LimitReached || end == bkrun::RunEnd::BreakReached))
    tracerFailed =
        !bkrun::RunTracerScript(*emulator, *options.tracerKeys, end == bkrun::RunEnd::BreakReached);

  if (options.saveState) {
    error = emulator->SaveState(*options.saveState);
    if (!error.empty()) return Fail(error);
  }
  if (options.printRegisters) PrintRegisters(machine);
  for (const auto& dump : options.dumps) PrintDump(machine, dump);
  for (const auto& request : options.disassembly) PrintDisassembly(machine, request);
  std::fflush(stdout);
  if (options.screenFile && !WriteScreen(*emulator, *options.screenFile, error)) return Fail(error);
  if (options.wavFile && !WriteSound(*emulator, *options.wavFile, error)) return Fail(error);
  return end == bkrun::RunEnd::Failed || end == bkrun::RunEnd::EndProgram || tracerFailed ? kExitError : 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
    std::fputs(bkrun::UsageText().c_str(), stdout);
    return 0;
  }
  std::string error;
  const auto options = bkrun::ParseOptions(args, error);
  if (!options) {
    std::fprintf(stderr, "bkrun: %s (bkrun --help lists the options)\n", error.c_str());
    return kExitError;
  }
  return Run(*options);
}
