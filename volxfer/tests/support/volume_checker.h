// An ODS-2 volume checker for the write tests, written from the on-disk layout and sharing no code
// with the engine: walks the index file, every header chain and its map, both bitmaps and every
// directory of a raw image.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace test {

struct VolumeReport {
  std::vector<std::string> faults;
  // Clusters marked in use that no file maps, and file numbers above the reserved ones marked in
  // use with no valid header: space lost, never shared. Some software leaves a few (a home block
  // copy outside every map); a write must not add to them.
  std::uint32_t leaked_clusters = 0;
  std::uint32_t leaked_numbers = 0;
  // Files whose maps hold more blocks than their primary header allocates: what a crash between
  // writing an extension header's map and the primary header leaves. The blocks are the file's
  // and marked in use; only the figure lags. (An allocation above the map is a fault.)
  std::uint32_t lagging_allocations = 0;
  std::uint32_t free_clusters = 0;
  std::uint32_t files = 0;
  // "DIRECTORY NAME.TYPE;VERSION" for every entry of every directory, in directory order.
  std::vector<std::string> entries;
};

VolumeReport CheckVolume(const std::vector<std::uint8_t>& image);

// The first fault, or "" (for test messages).
std::string FirstFault(const VolumeReport& report);

}  // namespace test
