// `get` and `put` of a binary file against `cp` of the same bytes on the same disk: 64 MB on a
// small volume, and 1 GiB on a sparse volume of more than 2 GiB (block numbers past 2^22). `put`
// puts everything on disk before it reports (fsync), so it is shown against `cp` followed by a
// sync of the copy as well as against plain `cp`. Compare the medians of each pair: get/cp and
// put/(cp + sync).
//
// get and cp start each run from the same state of their destination: an earlier copy that is on
// disk (written out, still cached), which each replaces; the 1 GiB pair also writes to a name
// that does not exist yet. A destination still dirty from the run before would make the two
// differ by the kernel's writeback, not by the copy.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>
#include <algorithm>
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

void Shell(const std::string& command);

// Before a timed run: `destination` exists as a copy of `source` and is written out.
void SettleDestination(const fs::path& source, const fs::path& destination) {
  std::error_code ec;
  if (!fs::exists(destination, ec)) fs::copy_file(source, destination, ec);
  Shell("sync '" + destination.string() + "'");
}

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
  for (auto _ : state) {
    state.PauseTiming();
    SettleDestination(Data().folder / "big.bin", Data().folder / "out" / "big.bin");
    state.ResumeTiming();
    shell.Run("get big.bin");
  }
  shell.Run("close");
  if (fs::file_size(Data().folder / "out" / "big.bin") != kBytes) state.SkipWithError("get incomplete");
  Report(state);
}
BENCHMARK(BM_GetCommand)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_CpOfTheSameBytes(benchmark::State& state) {
  fs::path copy = Data().folder / "out" / "copy.bin";
  std::string command = "cp '" + (Data().folder / "big.bin").string() + "' '" + copy.string() + "'";
  for (auto _ : state) {
    state.PauseTiming();
    SettleDestination(Data().folder / "big.bin", copy);
    state.ResumeTiming();
    Shell(command);
  }
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

constexpr std::uint64_t kLargeBytes = std::uint64_t{1} << 30;
constexpr std::uint32_t kLargeVolumeBlocks = 4'400'000;  // 2.1 GiB

// Writes only the blocks of `image` that hold anything; the rest stays a hole of the file.
void WriteSparse(const std::vector<std::uint8_t>& image, const fs::path& path) {
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  for (std::size_t at = 0; at < image.size(); at += 512) {
    auto block = image.begin() + static_cast<std::ptrdiff_t>(at);
    if (std::all_of(block, block + 512, [](std::uint8_t b) { return b == 0; })) continue;
    if (::pwrite(fd, image.data() + at, 512, static_cast<off_t>(at)) != 512)
      std::fprintf(stderr, "write failed\n");
  }
  if (::ftruncate(fd, static_cast<off_t>(image.size())) != 0) std::fprintf(stderr, "truncate failed\n");
  ::close(fd);
}

struct LargeFiles {
  LargeFiles() : folder(test::TempPath("bench-large")) {
    fs::create_directories(folder / "out");
    std::vector<std::uint64_t> chunk((std::size_t{1} << 20) / 8);
    std::mt19937_64 random(11);
    std::ofstream source(folder / "big1g.bin", std::ios::binary);
    for (std::uint64_t done = 0; done < kLargeBytes; done += chunk.size() * 8) {
      for (auto& word : chunk) word = random();
      source.write(reinterpret_cast<const char*>(chunk.data()),
                   static_cast<std::streamsize>(chunk.size() * 8));
    }
    source.close();
    WriteSparse(test::VolumeBuilder(kLargeVolumeBlocks, 1).Build(), folder / "empty-large.img");
  }
  ~LargeFiles() { fs::remove_all(folder); }
  fs::path folder;
};

LargeFiles& Large() {
  static LargeFiles files;
  return files;
}

void ReportLarge(benchmark::State& state) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(kLargeBytes));
}

// Each run starts from the empty volume; the last one leaves the file there for the get below.
void BM_PutCommandLarge(benchmark::State& state) {
  fs::path work = Large().folder / "work-large.img";
  for (auto _ : state) {
    state.PauseTiming();
    Shell("cp --sparse=always '" + (Large().folder / "empty-large.img").string() + "' '" + work.string() +
          "'");
    QuietShell shell;
    shell.Run("open " + work.string());
    shell.Run("lcd " + Large().folder.string());
    state.ResumeTiming();
    shell.Run("put big1g.bin");
    state.PauseTiming();
    shell.Run("close");
    state.ResumeTiming();
  }
  ReportLarge(state);
}
BENCHMARK(BM_PutCommandLarge)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1)->Repetitions(3);

void BM_CpThenSyncLarge(benchmark::State& state) {
  std::string copy = (Large().folder / "out" / "copy1g.bin").string();
  std::string command =
      "cp '" + (Large().folder / "big1g.bin").string() + "' '" + copy + "' && sync '" + copy + "'";
  for (auto _ : state) Shell(command);
  ReportLarge(state);
}
BENCHMARK(BM_CpThenSyncLarge)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1)->Repetitions(3);

// Before each run the destination is either settled (replace = true) or absent.
void PrepareDestination(const fs::path& destination, bool replace) {
  if (replace) {
    SettleDestination(Large().folder / "big1g.bin", destination);
  } else {
    fs::remove(destination);
    Shell("sync");  // the removed file's blocks are given back before the run, not during it
  }
}

void GetLarge(benchmark::State& state, bool replace) {
  QuietShell shell;
  shell.Run("open " + (Large().folder / "work-large.img").string() + " ro");
  shell.Run("lcd " + (Large().folder / "out").string());
  fs::path destination = Large().folder / "out" / "big1g.bin";
  for (auto _ : state) {
    state.PauseTiming();
    PrepareDestination(destination, replace);
    state.ResumeTiming();
    shell.Run("get big1g.bin");
  }
  shell.Run("close");
  std::error_code ec;
  if (fs::file_size(destination, ec) != kLargeBytes) state.SkipWithError("get incomplete");
  ReportLarge(state);
}

void CpLarge(benchmark::State& state, bool replace) {
  fs::path copy = Large().folder / "out" / "copy1g.bin";
  std::string command = "cp '" + (Large().folder / "big1g.bin").string() + "' '" + copy.string() + "'";
  for (auto _ : state) {
    state.PauseTiming();
    PrepareDestination(copy, replace);
    state.ResumeTiming();
    Shell(command);
  }
  ReportLarge(state);
}

void BM_GetCommandLarge(benchmark::State& state) {
  GetLarge(state, true);
}
BENCHMARK(BM_GetCommandLarge)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1)->Repetitions(3);
void BM_CpLarge(benchmark::State& state) {
  CpLarge(state, true);
}
BENCHMARK(BM_CpLarge)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1)->Repetitions(3);
void BM_GetCommandLargeNewName(benchmark::State& state) {
  GetLarge(state, false);
}
BENCHMARK(BM_GetCommandLargeNewName)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1)
    ->Repetitions(3);
void BM_CpLargeNewName(benchmark::State& state) {
  CpLarge(state, false);
}
BENCHMARK(BM_CpLargeNewName)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1)->Repetitions(3);

}  // namespace
