// Taking a file off the volume: its directory entry, its chain of headers, its clusters and its
// file numbers.
#pragma once

#include <cstdint>
#include <string_view>

#include "file_id.h"

namespace ods2 {

class Volume;

// Removes the file `file`, entered in directory `directory` as `name` (NAME.TYPE) with version
// `version`. Nothing changes when the entry is missing (code 14), the directory is damaged (15),
// the header chain is damaged (10) or `file` is one of the volume's reserved files (6).
// Each step leaves a consistent volume, so a crash between them loses nothing but free space:
// the directory goes first (no name leads to the file), then the headers are cleared (no map holds
// the clusters), then the storage bitmap and the index file bitmap give clusters and numbers back.
bool RemoveFile(Volume& volume, const FileId& directory, std::string_view name, std::uint16_t version,
                const FileId& file);

// The second half of RemoveFile for a file no directory lists: headers, clusters, numbers.
bool ReleaseFile(Volume& volume, const FileId& file);

}  // namespace ods2
