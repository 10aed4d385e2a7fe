// volume_check IMAGE...: the volume checker for transcript tests. Prints every fault and the
// space no file holds; exits 1 when an image has a fault or cannot be read.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

#include "support/volume_checker.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: volume_check IMAGE...\n");
    return 2;
  }
  int status = 0;
  for (int i = 1; i < argc; ++i) {
    std::ifstream in(argv[i], std::ios::binary);
    std::vector<std::uint8_t> image{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (!in.is_open() || image.empty()) {
      std::fprintf(stderr, "%s: cannot be read\n", argv[i]);
      status = 1;
      continue;
    }
    test::VolumeReport report = test::CheckVolume(image);
    for (const std::string& fault : report.faults) std::fprintf(stderr, "%s: %s\n", argv[i], fault.c_str());
    if (!report.faults.empty()) status = 1;
    std::printf(
        "%s: %u files, %u clusters free, %u clusters and %u file numbers in use by no file, %u "
        "allocations behind their maps\n",
        argv[i], report.files, report.free_clusters, report.leaked_clusters, report.leaked_numbers,
        report.lagging_allocations);
  }
  return status;
}
