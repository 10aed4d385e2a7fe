// Creating files: a fresh header for a new file number, growth of a file's allocation and map,
// and an empty file entered in a directory.
#pragma once

#include <cstdint>
#include <string_view>

#include "file_id.h"

namespace ods2 {

class Volume;
class OpenFile;
class FileHeader;

// Seconds from the start of 17-Nov-1858, where VMS counts time from, to the start of 1970, and
// the 100 ns units its dates count in.
inline constexpr std::int64_t kVmsEpochToUnix = 3506716800;
inline constexpr std::int64_t kVmsTicksPerSecond = 10000000;

// Creation and revision dates of the moment, revision count 1.
void StampNewFile(FileHeader& header);

// Takes the lowest free file number and writes a new, empty header for it named `name`.
bool CreateHeader(Volume& volume, FileId& id, std::string_view name);

// Grows a non-contiguous file by at least `blocks` (whole clusters): the last extent when the
// clusters after it are free, else a new format 3 pointer. Writes the header and storage bitmap.
bool Extend(OpenFile& file, std::uint32_t blocks);

// Creates `specification` (NAME.TYPE[;VERSION]) empty in directory `directory` and accesses it
// in `file` with `window_request`. Nothing is written when the name exists (code 19), the
// directory has no room (17) or the file name given is unusable (6).
bool MakeFile(Volume& volume, OpenFile& file, const FileId& directory, std::string_view specification,
              int window_request);

}  // namespace ods2
