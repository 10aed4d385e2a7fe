// Creating a directory the way VMS makes one: a contiguous file of one cluster, marked a
// directory, of variable records that never span a block, whose first block holds no records,
// linked back to its parent and entered there as NAME.DIR;1.
#pragma once

#include <optional>
#include <string_view>

#include "file_id.h"

namespace ods2 {

class Volume;

// Creates directory `name` (1 to 39 of A-Z, 0-9, $, _, -; no type) in directory `parent` and
// sets `created` to its file id. Nothing is left on the volume when it fails: code 19 when
// NAME.DIR exists in any version, 6 for an unusable name, 18 on a read-only volume, 17 when no
// file number, cluster or directory room is to be had, and the parent's own codes (15, 10).
bool CreateDirectory(Volume& volume, const FileId& parent, std::string_view name, FileId& created);

// Whether directory `directory` lists no file at all; nullopt (code set) when it cannot be read
// or its records are damaged.
std::optional<bool> DirectoryIsEmpty(Volume& volume, const FileId& directory);

}  // namespace ods2
