// `get` and `put` of a 64 MB binary file against `cp` of the same bytes on the same disk. `put`
// puts everything on disk before it reports (fsync), so it is shown against `cp` followed by a
// sync of the copy as well as against plain `cp`.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>

#include "shell/shell.h"
#include "support/volume_builder.h"

namespace {

namespace fs = std::filesystem;
constexpr std::size_t kBytes = std::size_t{64} << 20;
constexpr std::uint32_t kVolumeBlocks = 140000;  // room for the file once

struct Files {
  Files() : folder(test::TempPath("bench-transfer")) {
    fs::create_directories(folder / "out");
    std::vector<std::uint8_t> data(kBytes);
    std::mt19937 random(7);
    for (auto& b : data) b = static_cast<std::uint8_t>(random());
    std::ofstream(folder / "big.bin", std::ios::binary)
        .write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
    test::VolumeBuilder empty(kVolumeBlocks, 1);
    empty.WriteTo((folder / "empty.img").string());
    test::VolumeBuilder full(kVolumeBlocks, 1);
    full.AddFile({.name = "BIG.BIN", .data = std::move(data)});
    full.WriteTo((folder / "full.img").string());
  }
  ~Files() { fs::remove_all(folder); }
  fs::path folder;
};

Files& Data() {
  static Files files;
  return files;
}

// Runs shell lines with their standard output thrown away.
class QuietShell {
 public:
  QuietShell() : saved_(::dup(STDOUT_FILENO)), null_(::open("/dev/null", O_WRONLY)) {}
  ~QuietShell() {
    ::close(null_);
    ::close(saved_);
  }
  void Run(const std::string& line) {
    std::fflush(stdout);
    ::dup2(null_, STDOUT_FILENO);
    shell_.RunLine(line + "\n");
    std::fflush(stdout);
    ::dup2(saved_, STDOUT_FILENO);
  }

 private:
  volxfer::Shell shell_;
  int saved_;
  int null_;
};

void Report(benchmark::State& state) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(kBytes));
}

void Shell(const std::string& command) {
  if (std::system(command.c_str()) != 0) std::fprintf(stderr, "failed: %s\n", command.c_str());
}

void BM_GetCommand(benchmark::State& state) {
  QuietShell shell;
  shell.Run("open " + (Data().folder / "full.img").string() + " ro");
  shell.Run("lcd " + (Data().folder / "out").string());
  for (auto _ : state) shell.Run("get big.bin");
  shell.Run("close");
  if (fs::file_size(Data().folder / "out" / "big.bin") != kBytes) state.SkipWithError("get incomplete");
  Report(state);
}
BENCHMARK(BM_GetCommand)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_CpOfTheSameBytes(benchmark::State& state) {
  std::string command = "cp '" + (Data().folder / "big.bin").string() + "' '" +
                        (Data().folder / "out" / "copy.bin").string() + "'";
  for (auto _ : state) Shell(command);
  Report(state);
}
BENCHMARK(BM_CpOfTheSameBytes)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_CpThenSyncOfTheCopy(benchmark::State& state) {
  std::string copy = (Data().folder / "out" / "copy.bin").string();
  std::string command =
      "cp '" + (Data().folder / "big.bin").string() + "' '" + copy + "' && sync '" + copy + "'";
  for (auto _ : state) Shell(command);
  Report(state);
}
BENCHMARK(BM_CpThenSyncOfTheCopy)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PutCommand(benchmark::State& state) {
  fs::path work = Data().folder / "work.img";
  for (auto _ : state) {
    state.PauseTiming();
    fs::copy_file(Data().folder / "empty.img", work, fs::copy_options::overwrite_existing);
    QuietShell shell;
    shell.Run("open " + work.string());
    shell.Run("lcd " + Data().folder.string());
    state.ResumeTiming();
    shell.Run("put big.bin");
    state.PauseTiming();
    shell.Run("close");
    state.ResumeTiming();
  }
  Report(state);
}
BENCHMARK(BM_PutCommand)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
