// Claim: the image writer keeps up with the disk. It writes the rd54 image (160 MB) and
// `dd if=/dev/zero bs=1M` writes the same number of bytes into the same folder; the best of a
// few interleaved rounds of each are compared, and the program fails above 1.3 times dd's time.
//
// Usage: blankimg_write_vs_dd [folder] [rounds]   (folder defaults to the current one)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <sstream>
#include <string>
#include <string_view>

#include "DiskTable.h"
#include "ImageWriter.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr double kAllowedRatio = 1.3;

const blankimg::DiskType& rd54() {
  for (const auto& row : blankimg::diskRows())
    if (std::string_view(row.name) == "rd54") return row;
  std::abort();
}

double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

double timeWriter(const std::filesystem::path& file) {
  const auto& row = rd54();
  blankimg::RunControl control;
  std::ostringstream report;
  const auto start = Clock::now();
  const auto result = blankimg::createImage(file, blankimg::blockCount(row), row.sectors, row.sectorSize,
                                            row.badBlockKind, control, report);
  const double seconds = secondsSince(start);
  if (result != blankimg::WriteResult::Done) {
    std::cerr << "writer failed: " << report.str();
    std::exit(2);
  }
  return seconds;
}

double timeDd(const std::filesystem::path& file) {
  const std::string command =
      "dd if=/dev/zero of='" + file.string() +
      "' bs=1M iflag=count_bytes status=none count=" + std::to_string(blankimg::imageSizeBytes(rd54()));
  const auto start = Clock::now();
  if (std::system(command.c_str()) != 0) {
    std::cerr << "dd failed: " << command << '\n';
    std::exit(2);
  }
  return secondsSince(start);
}

}  // namespace

int main(int argc, char** argv) {
  const std::filesystem::path folder = argc > 1 ? argv[1] : ".";
  const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
  const auto image = folder / "bench-rd54.dsk";
  const auto zeros = folder / "bench-dd.bin";

  double bestWriter = 1e9, bestDd = 1e9;
  for (int round = 0; round < rounds; ++round) {
    bestWriter = std::min(bestWriter, timeWriter(image));
    bestDd = std::min(bestDd, timeDd(zeros));
    std::filesystem::remove(image);
    std::filesystem::remove(zeros);
  }
  const double megabytes = static_cast<double>(blankimg::imageSizeBytes(rd54())) / 1e6;
  const double ratio = bestWriter / bestDd;
  std::printf("rd54 image, %.1f MB, best of %d rounds\n", megabytes, rounds);
  std::printf("  blankimg writer  %8.3f s  %8.1f MB/s\n", bestWriter, megabytes / bestWriter);
  std::printf("  dd bs=1M         %8.3f s  %8.1f MB/s\n", bestDd, megabytes / bestDd);
  std::printf("  ratio            %8.2f   (allowed %.2f)\n", ratio, kAllowedRatio);
  return ratio <= kAllowedRatio ? 0 : 1;
}
