#include "support/directory_invariants.h"

#include "ods2/open_file.h"
#include "ods2/volume.h"

namespace test {

namespace {
using ods2::GetU16;
using ods2::kBlockSize;

// One block's records; false at a fault.
bool WalkBlock(std::span<const std::uint8_t> block, std::size_t index, std::string& last_name,
               DirectoryListing& out) {
  std::size_t at = 0;
  while (at + 2 <= kBlockSize) {
    std::uint16_t size = GetU16(block, at);
    if (size == 0xFFFF) return true;
    std::string where = "block " + std::to_string(index) + " offset " + std::to_string(at);
    if (size == 0 || size % 2 || at + 2 + size > kBlockSize) {
      out.faults.push_back(where + ": record size " + std::to_string(size) + " spans the block");
      return false;
    }
    std::size_t length = block[at + 5];
    std::string name(reinterpret_cast<const char*>(block.data() + at + 6), length);
    if (!last_name.empty() && !(last_name < name))
      out.faults.push_back(where + ": " + name + " after " + last_name);
    last_name = name;
    std::size_t entries = at + 6 + length + length % 2;
    int previous = 1 << 16;
    for (std::size_t e = entries; e + 8 <= at + 2 + size; e += 8) {
      int version = GetU16(block, e);
      if (version >= previous) out.faults.push_back(where + ": " + name + " versions not descending");
      previous = version;
      out.names.push_back(name + ";" + std::to_string(version));
    }
    at += 2 + size;
  }
  return true;
}
}  // namespace

DirectoryListing CheckDirectory(ods2::Volume& volume, const ods2::FileId& directory) {
  DirectoryListing out;
  ods2::DirectoryFile file;
  if (!file.Access(volume, ods2::kWholeFile, directory) || !file.window()) {
    out.faults.push_back("directory cannot be accessed");
    return out;
  }
  const ods2::FileHeader& header = file.first_header();
  const ods2::BlockWindow& w = *file.window();
  std::uint32_t used = header.UsedBlocks();
  if (header.first_free_byte() != 0) out.faults.push_back("end of file not at a block boundary");
  std::string last_name;
  for (std::size_t b = 0; b < w.count; ++b) {
    std::span<const std::uint8_t> block(w.data.data() + b * kBlockSize, kBlockSize);
    bool holds_records = GetU16(block, 0) != 0xFFFF && GetU16(block, 0) != 0;
    if (b >= used) {
      if (holds_records)
        out.faults.push_back("block " + std::to_string(b) + " holds records past the end of file");
      continue;
    }
    if (!WalkBlock(block, b, last_name, out)) break;
  }
  file.Deaccess();
  return out;
}

}  // namespace test
