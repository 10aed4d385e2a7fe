// One program (mix.asm, a few hundred million instructions of moves, arithmetic, branches, byte
// operations and subroutine calls) run three ways: by the core alone in this process, by bkrun
// end to end as a process (`--steps N`, the count of instructions up to the program's HALT), and,
// when SIMH is installed (`pdp11`), by SIMH's PDP-11 simulator on the same words until that HALT.
// bkrun and SIMH run in turn, pair by pair; both must leave the same registers and memory, so
// they ran the same instructions. Prints the times, the medians and the ratio bkrun / SIMH.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "homemicro/core/machine.h"
#include "silent_host.h"

namespace {

namespace fs = std::filesystem;
using homemicro::Machine;

constexpr uint16_t kLoadAddress = 01000;
constexpr uint16_t kStackTop = 01000;
constexpr int kCoreRounds = 5;
constexpr int kPairs = 3;

using bench::NoFiles;
using bench::SilentHost;

// What a run leaves: R0..R5, SP, PC and the program's words.
struct Outcome {
  std::array<uint16_t, 8> registers{};
  std::vector<uint16_t> words;
};

struct Program {
  std::vector<uint8_t> bytes;
  std::size_t Words() const { return bytes.size() / 2; }
};

[[noreturn]] void Fail(const std::string& message) {
  std::fprintf(stderr, "bkrun_vs_simh: %s\n", message.c_str());
  std::exit(1);
}

Program ReadProgram(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) Fail("cannot open " + path);
  Program p{{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()}};
  if (p.bytes.empty() || p.bytes.size() % 2 != 0 || p.bytes.size() > 040000 - kLoadAddress)
    Fail("cannot read a program of whole words from " + path);
  return p;
}

struct CoreMachine {
  homemicro::FrontEndSettings settings;
  SilentHost host;
  NoFiles files;
  Machine machine{settings, host, files};

  explicit CoreMachine(const Program& p) {
    std::copy(p.bytes.begin(), p.bytes.end(), machine.State().Memory.begin() + kLoadAddress);
    machine.State().R[homemicro::kPC] = kLoadAddress;
    machine.State().R[homemicro::kSP] = kStackTop;
  }
  uint16_t Pc() const { return machine.State().R[homemicro::kPC]; }
  Outcome Result(std::size_t words) const {
    Outcome o;
    std::copy(machine.State().R.begin(), machine.State().R.end(), o.registers.begin());
    for (std::size_t i = 0; i < words; ++i) o.words.push_back(machine.PeekWord(kLoadAddress + 2 * i));
    return o;
  }
};

// The instructions before the first HALT: the count both runners are given.
uint64_t CountToHalt(const Program& p, uint16_t& haltAddress) {
  auto core = std::make_unique<CoreMachine>(p);
  uint64_t count = 0;
  while (core->machine.PeekWord(core->Pc()) != 0) {
    core->machine.Step();
    if (++count > 4'000'000'000ULL) Fail("the program does not reach its HALT");
  }
  haltAddress = core->Pc();
  return count;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// The core as the run loop drives it (Machine::Run), timed by processor time.
Outcome TimeCore(const Program& p, uint64_t count, uint16_t haltAddress) {
  std::vector<double> processor, wall;
  Outcome result;
  for (int round = 0; round < kCoreRounds; ++round) {
    auto core = std::make_unique<CoreMachine>(p);
    const std::clock_t start = std::clock();
    const auto wallStart = std::chrono::steady_clock::now();
    for (uint64_t left = count; left > 0;)
      left -= core->machine.Run(static_cast<uint32_t>(std::min<uint64_t>(left, 1u << 30)));
    processor.push_back(static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC);
    wall.push_back(Seconds(wallStart));
    if (core->Pc() != haltAddress) Fail("the core alone did not stop at the HALT");
    result = core->Result(p.Words());
  }
  const double seconds = Median(processor);
  std::printf(
      "core alone (Machine::Run): median of %d rounds %.3f s processor time (%.3f s wall) = %.1f million "
      "instructions per second\n",
      kCoreRounds, seconds, Median(wall), static_cast<double>(count) / seconds / 1e6);
  return result;
}

struct ProcessRun {
  std::string output;
  double wall = 0, cpu = 0;
  int status = 0;
};

double ChildrenCpu() {
  rusage usage{};
  getrusage(RUSAGE_CHILDREN, &usage);
  const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

ProcessRun RunProcess(const std::string& command) {
  ProcessRun run;
  const double cpuBefore = ChildrenCpu();
  const auto start = std::chrono::steady_clock::now();
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (!pipe) Fail("cannot start: " + command);
  std::array<char, 4096> buffer;
  for (std::size_t n; (n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0;)
    run.output.append(buffer.data(), n);
  run.status = pclose(pipe);
  run.wall = Seconds(start);
  run.cpu = ChildrenCpu() - cpuBefore;
  return run;
}

std::string Quoted(const std::string& text) {
  std::string q = "'";
  for (char c : text) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

std::optional<uint16_t> OctalAfter(const std::string& text, const std::string& label) {
  const std::size_t at = text.find(label);
  if (at == std::string::npos) return std::nullopt;
  char* end = nullptr;
  const unsigned long value = std::strtoul(text.c_str() + at + label.size(), &end, 8);
  if (end == text.c_str() + at + label.size() || value > 0177777) return std::nullopt;
  return static_cast<uint16_t>(value);
}

// bkrun --regs and --dump output: "R0=nnnnnn ... PC=nnnnnn NZVC=nnnn", then "aaaaaa: wwwwww ...".
std::optional<Outcome> ParseBkrun(const std::string& out, std::size_t words) {
  static const char* kNames[] = {"R0=", "R1=", "R2=", "R3=", "R4=", "R5=", "SP=", "PC="};
  Outcome o;
  for (int r = 0; r < 8; ++r) {
    const auto v = OctalAfter(out, kNames[r]);
    if (!v) return std::nullopt;
    o.registers[static_cast<std::size_t>(r)] = *v;
  }
  std::istringstream lines(out);
  for (std::string line; std::getline(lines, line) && o.words.size() < words;) {
    const std::size_t colon = line.find(": ");
    if (colon != 6 || line.find('=') != std::string::npos) continue;
    std::istringstream fields(line.substr(colon + 1));
    for (std::string w; fields >> w && o.words.size() < words;)
      o.words.push_back(static_cast<uint16_t>(std::stoul(w, nullptr, 8)));
  }
  if (o.words.size() != words) return std::nullopt;
  return o;
}

// SIMH's examine output: "R0:\tnnnnnn" and "1000:\tnnnnnn", one a line.
std::optional<Outcome> ParseSimh(const std::string& out, std::size_t words) {
  static const char* kNames[] = {"R0:", "R1:", "R2:", "R3:", "R4:", "R5:", "SP:", "PC:"};
  Outcome o;
  for (int r = 0; r < 8; ++r) {
    const auto v = OctalAfter(out, std::string("\n") + kNames[r]);
    if (!v) return std::nullopt;
    o.registers[static_cast<std::size_t>(r)] = *v;
  }
  for (std::size_t i = 0; i < words; ++i) {
    char label[16];
    std::snprintf(label, sizeof label, "\n%o:", static_cast<unsigned>(kLoadAddress + 2 * i));
    const auto v = OctalAfter(out, label);
    if (!v) return std::nullopt;
    o.words.push_back(*v);
  }
  return o;
}

std::string WriteSimhScript(const Program& p, const fs::path& folder) {
  const fs::path script = folder / "mix.sim";
  std::ofstream out(script);
  for (std::size_t i = 0; i < p.Words(); ++i)
    out << "deposit " << std::oct << kLoadAddress + 2 * i << ' ' << (p.bytes[2 * i] | p.bytes[2 * i + 1] << 8)
        << '\n';
  out << "deposit PC " << kLoadAddress << "\ndeposit SP " << kStackTop << "\ngo\n"
      << "examine R0,R1,R2,R3,R4,R5,SP,PC\nexamine " << kLoadAddress << '-'
      << kLoadAddress + 2 * (p.Words() - 1) << "\nquit\n";
  if (!out.flush()) Fail("cannot write " + script.string());
  return script.string();
}

void Check(const Outcome& expected, const std::optional<Outcome>& got, uint16_t pc, const std::string& who,
           const std::string& output) {
  Outcome want = expected;
  want.registers[homemicro::kPC] = pc;
  if (!got) Fail(who + " gave no registers or memory:\n" + output);
  if (got->registers != want.registers || got->words != want.words)
    Fail(who + " ended elsewhere than the core:\n" + output);
}

std::optional<std::string> FindOnPath(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::istringstream dirs(path ? path : "");
  for (std::string dir; std::getline(dirs, dir, ':');) {
    const fs::path candidate = fs::path(dir.empty() ? "." : dir) / name;
    if (access(candidate.c_str(), X_OK) == 0) return candidate.string();
  }
  return std::nullopt;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) Fail("usage: bkrun_vs_simh PROGRAM.bin BKRUN");
  const Program program = ReadProgram(argv[1]);
  uint16_t haltAddress = 0;
  const uint64_t count = CountToHalt(program, haltAddress);
  std::printf("program: %llu instructions before its HALT at %06o, %zu words at %06o\n",
              static_cast<unsigned long long>(count), haltAddress, program.Words(), kLoadAddress);
  const Outcome expected = TimeCore(program, count, haltAddress);

  char octal[16];
  std::snprintf(octal, sizeof octal, "%o", kLoadAddress);
  const std::string bkrun = Quoted(argv[2]) + " --load " + octal + ":" + Quoted(argv[1]) +
                            " --set PC=" + octal + " --set SP=" + octal + " --steps " +
                            std::to_string(count) + " --regs --dump " + octal + ":" +
                            std::to_string(program.Words());
  const std::optional<std::string> simh = FindOnPath("pdp11");
  const fs::path folder = fs::temp_directory_path() / ("bkrun_vs_simh." + std::to_string(getpid()));
  fs::create_directories(folder);
  const std::string simhCommand = simh ? Quoted(*simh) + " " + Quoted(WriteSimhScript(program, folder)) : "";
  if (!simh) std::printf("SIMH's pdp11 is not installed (scripts/install-deps --bench): bkrun runs alone\n");

  std::vector<double> bkrunWall, simhWall, ratios;
  for (int pair = 1; pair <= kPairs; ++pair) {
    const ProcessRun b = RunProcess(bkrun);
    Check(expected, ParseBkrun(b.output, program.Words()), haltAddress, "bkrun", b.output);
    bkrunWall.push_back(b.wall);
    std::printf("pair %d: bkrun %.3f s wall (%.3f s user+system)", pair, b.wall, b.cpu);
    if (simh) {
      const ProcessRun s = RunProcess(simhCommand);
      Check(expected, ParseSimh(s.output, program.Words()), static_cast<uint16_t>(haltAddress + 2), "SIMH",
            s.output);
      simhWall.push_back(s.wall);
      ratios.push_back(b.wall / s.wall);
      std::printf(", SIMH %.3f s wall (%.3f s user+system), bkrun/SIMH %.2f", s.wall, s.cpu, ratios.back());
    }
    std::printf("\n");
  }
  fs::remove_all(folder);
  const double bkrunMedian = Median(bkrunWall);
  std::printf("bkrun end to end: median %.3f s = %.1f million instructions per second\n", bkrunMedian,
              static_cast<double>(count) / bkrunMedian / 1e6);
  if (simh) {
    std::printf("SIMH pdp11: median %.3f s = %.1f million instructions per second\n", Median(simhWall),
                static_cast<double>(count) / Median(simhWall) / 1e6);
    std::printf("bkrun / SIMH: median of the pairs' ratios %.2f (the goal is 0.5 or less)\n", Median(ratios));
  }
  return 0;
}
