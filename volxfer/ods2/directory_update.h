// Entering a new file into a directory. Records stay in ascending name order, a new version of an
// existing name joins that name's record (versions descending), and no record spans a block: the
// directory is packed again block by block and its end of file covers the last block in use.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "file_id.h"

namespace ods2 {

class Volume;

struct DirectoryEntryToAdd {
  std::string_view name;  // NAME.TYPE, without version
  std::uint16_t version = 1;
  FileId id;
};

struct PackedDirectory {
  std::vector<std::uint8_t> data;  // as many blocks as were allocated
  std::uint32_t used_blocks = 0;
};

// The directory data `data` (of `size` bytes in use) with `entry` added, packed into the
// `allocated_blocks` blocks the directory owns. Nullopt with `code` set when the records are damaged
// (15), the version is already entered (19) or the blocks cannot hold the result (17).
std::optional<PackedDirectory> AddDirectoryEntry(std::span<const std::uint8_t> data, std::uint64_t size,
                                                 std::uint32_t allocated_blocks,
                                                 const DirectoryEntryToAdd& entry, int& code);

// The directory data with the entry of `entry`'s name, version and file id taken out (the whole
// record when it was its only entry). Nullopt with `code` 14 when there is no such entry, 15 when
// the records are damaged.
std::optional<PackedDirectory> RemoveDirectoryEntry(std::span<const std::uint8_t> data, std::uint64_t size,
                                                    std::uint32_t allocated_blocks,
                                                    const DirectoryEntryToAdd& entry, int& code);

// Enters `entry` into directory `directory` and writes the directory back; with `dry_run` only
// tells whether it would succeed, writing nothing. On success `name_text` (when given) receives
// "NAME.TYPE;VERSION".
bool EnterName(Volume& volume, const FileId& directory, const DirectoryEntryToAdd& entry,
               std::string* name_text = nullptr, bool dry_run = false);

// Takes `entry` out of directory `directory` and writes the directory back.
bool RemoveName(Volume& volume, const FileId& directory, const DirectoryEntryToAdd& entry);

}  // namespace ods2
