// `dir` on a directory of 2,000 files, against a plain sequential read of the directory's blocks
// and of those blocks plus the 2,000 file headers a listing has to read for the attributes.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>
#include <cstdio>
#include <filesystem>

#include "ods2/engine.h"
#include "shell/shell.h"
#include "support/volume_builder.h"

namespace {

constexpr int kFiles = 2000;

struct BigDirectory {
  BigDirectory() : path(test::TempPath("bench-dir")) {
    test::VolumeBuilder builder(20000, 1);
    builder.damage().max_files = 4096;
    builder.AddDirectory({.name = "BIG"});
    for (int i = 0; i < kFiles; ++i)
      builder.AddFile({.name = "FILE" + std::to_string(100000 + i) + ".DAT",
                       .directory = "BIG",
                       .data = std::vector<std::uint8_t>(100, 'x')});
    builder.WriteTo(path);
    directory_lbns = builder.built("BIG.DIR;1").lbns;
    ods2::Engine engine;
    engine.VolumeOpen(path.c_str(), true);
    for (int i = 0; i < kFiles; ++i)
      header_lbns.push_back(engine.volume()->HeaderLbn(
          builder.built("FILE" + std::to_string(100000 + i) + ".DAT;1").id.FileNumber()));
    engine.VolumeClose(engine.volume()->handle());
  }
  ~BigDirectory() { std::filesystem::remove(path); }
  std::string path;
  std::vector<std::uint64_t> directory_lbns;
  std::vector<std::uint64_t> header_lbns;
};

BigDirectory& Volume() {
  static BigDirectory volume;
  return volume;
}

void ReadBlocks(int fd, const std::vector<std::uint64_t>& lbns) {
  char block[512];
  for (std::uint64_t lbn : lbns)
    benchmark::DoNotOptimize(::pread(fd, block, sizeof block, static_cast<off_t>(lbn * 512)));
}

void BM_SequentialReadOfDirectory(benchmark::State& state) {
  int fd = ::open(Volume().path.c_str(), O_RDONLY);
  for (auto _ : state) ReadBlocks(fd, Volume().directory_lbns);
  ::close(fd);
}
BENCHMARK(BM_SequentialReadOfDirectory)->Unit(benchmark::kMillisecond);

void BM_SequentialReadOfDirectoryAndHeaders(benchmark::State& state) {
  int fd = ::open(Volume().path.c_str(), O_RDONLY);
  for (auto _ : state) {
    ReadBlocks(fd, Volume().directory_lbns);
    ReadBlocks(fd, Volume().header_lbns);
  }
  ::close(fd);
}
BENCHMARK(BM_SequentialReadOfDirectoryAndHeaders)->Unit(benchmark::kMillisecond);

void BM_DirSearchListing(benchmark::State& state) {
  ods2::Engine engine;
  engine.VolumeOpen(Volume().path.c_str(), true);
  engine.ChangeDir("BIG.DIR;1");
  for (auto _ : state) {
    ods2::FileInfo info;
    int found = 0;
    while (engine.DirSearch("*.*;*", &info) == 0) ++found;
    if (found != kFiles) state.SkipWithError("listing incomplete");
  }
}
BENCHMARK(BM_DirSearchListing)->Unit(benchmark::kMillisecond);

// The whole `dir` command, its output thrown away.
void BM_DirCommand(benchmark::State& state) {
  volxfer::Shell shell;
  int saved = ::dup(STDOUT_FILENO);
  int null = ::open("/dev/null", O_WRONLY);
  auto quiet = [&](const char* line) {
    std::fflush(stdout);
    ::dup2(null, STDOUT_FILENO);
    shell.RunLine(line);
    std::fflush(stdout);
    ::dup2(saved, STDOUT_FILENO);
  };
  quiet(("open " + Volume().path + " ro\n").c_str());
  quiet("cd big\n");
  for (auto _ : state) quiet("dir\n");
  quiet("close\n");
  ::close(null);
  ::close(saved);
}
BENCHMARK(BM_DirCommand)->Unit(benchmark::kMillisecond);

}  // namespace
