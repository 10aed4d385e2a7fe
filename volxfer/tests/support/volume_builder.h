// Writes small ODS-2 volumes for the tests: a chosen size and cluster factor, files with one or
// several extents (optionally spread over extension headers), subdirectories, and chosen damage.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ods2/file_id.h"

namespace test {

struct BuilderFile {
  std::string name{};  // NAME.TYPE
  int version = 1;
  std::string directory{};  // empty for the master directory, else a name given to AddDirectory
  std::vector<std::uint8_t> data{};
  // Blocks of each extent; empty means one extent holding the data (none for an empty file).
  std::vector<std::uint32_t> extents{};
  int pointer_format = 0;     // 0 picks the smallest format that holds each extent
  int extension_headers = 0;  // further headers the extents are spread over
  std::uint64_t creation_ticks = 0;
  std::uint64_t revision_ticks = 0;
  std::uint8_t record_type = 2;
  std::uint8_t record_attributes = 2;
  std::uint16_t owner_member = 1;
  std::uint16_t owner_group = 1;
  std::uint16_t protection = 0xFA00;  // S:RWED,O:RWED,G:RE,W:
  // Damage.
  bool bad_checksum = false;
  bool wrong_structure_level = false;
  std::uint16_t entry_sequence_offset = 0;  // the directory entry names another sequence number
  std::uint8_t entry_rvn = 0;
  std::optional<std::uint32_t> eof_vbn{};  // overrides the end of file the data gives
  std::optional<std::uint16_t> first_free_byte{};
  std::optional<std::uint32_t> allocated_vbn{};  // overrides the allocation the extents give
  bool marked_for_delete = false;
  bool contiguous = false;  // marks the header contiguous; give it no extents
  // Listed in a record of its own after the name-ordered ones (as software that appends does).
  bool own_record = false;
};

struct BuilderDirectory {
  std::string name{};    // without .DIR
  std::string parent{};  // empty for the master directory
  std::uint32_t blocks = 2;
  // Raw record bytes instead of records made from the files (records are written block by block).
  std::optional<std::vector<std::uint8_t>> raw_records{};
  std::optional<std::uint32_t> eof_vbn{};
  std::optional<std::uint16_t> first_free_byte{};
};

struct BuilderDamage {
  bool bad_primary_home_block = false;  // LBN 1 unusable, the copy at 1034 good
  bool wrong_second_checksum = false;   // both copies
  bool wrong_structure_level = false;   // both copies
  bool index_map_in_extension = false;  // the index file's header region described by its extension
  std::optional<std::uint32_t> max_files{};
  std::optional<std::uint16_t> reserved_files{};
};

struct BuiltFile {
  ods2::FileId id;
  std::vector<std::uint64_t> lbns{};  // every data block in VBN order
};

class VolumeBuilder {
 public:
  VolumeBuilder(std::uint32_t blocks, std::uint16_t cluster_factor);
  void AddFile(BuilderFile file) { files_.push_back(std::move(file)); }
  void AddDirectory(BuilderDirectory directory) { directories_.push_back(std::move(directory)); }
  BuilderDamage& damage() { return damage_; }
  std::string label = "TESTVOL";
  std::string owner = "BUILDER";
  std::uint32_t spare_headers = 4;  // index file blocks for headers beyond the files built

  std::vector<std::uint8_t> Build();
  // Builds and writes the image; true on success.
  bool WriteTo(const std::string& path);
  // After Build: where each file went, by "NAME.TYPE;VERSION" (directories as "NAME.DIR;1").
  const BuiltFile& built(const std::string& name_and_version) const;
  std::uint32_t free_clusters() const { return free_clusters_; }

 private:
  struct Layout;
  struct Run;
  std::uint32_t blocks_{};
  std::uint16_t cluster_{};
  std::vector<BuilderFile> files_{};
  std::vector<BuilderDirectory> directories_{};
  BuilderDamage damage_;
  std::vector<std::pair<std::string, BuiltFile>> built_;
  std::uint32_t free_clusters_ = 0;
};

// A date in the stored form from a Unix time.
std::uint64_t TicksFromUnix(std::int64_t unix_seconds, int hundredths = 0);

// A fresh path under the system's temporary folder (removed by the caller).
std::string TempPath(const std::string& stem);

}  // namespace test
