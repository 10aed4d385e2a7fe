// Growing a full directory. Directories stay contiguous, so a directory that needs more room moves
// whole to a larger run of free clusters.
#pragma once

#include <cstdint>

namespace ods2 {

class Volume;
class DirectoryFile;
struct PackedDirectory;

// Blocks a directory of `blocks` grows to: at least double, or larger by the extend quantity.
std::uint32_t GrownDirectoryBlocks(const Volume& volume, std::uint32_t blocks);

// Writes `packed` (GrownDirectoryBlocks long) to a new contiguous run, points the directory's
// header at it and frees the old run; releases `file`. With `dry_run` only tells whether a run
// can be had. Without one: code 17 and nothing changed. The order of the writes (bitmap taking
// the run, data, header, bitmap freeing the old run) keeps every block in at most one file.
bool MoveDirectory(Volume& volume, DirectoryFile& file, PackedDirectory packed, bool dry_run);

}  // namespace ods2
