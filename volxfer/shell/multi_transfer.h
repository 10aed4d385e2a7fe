// Copying several files with one command: volume patterns and trees for get, host patterns and
// folders for put.
#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>

#include "volume_path.h"

namespace volxfer {

// A get word naming several files: "*" or "%" in the name, type or version, or a directory part
// ending in "..." (that directory and every one below it).
struct VolumeTreeRequest {
  VolumePath start;             // where the copy starts
  bool tree = false;            // the directories below too
  std::string name_pattern;     // NAME.TYPE, upper case; "*.*" when the word has none
  std::string typed_name;       // the name as the word has it ("" when none)
  std::string version_pattern;  // after ";": "" the newest, a number, or a pattern of versions
  std::string shown;            // the directory part as the messages show it ("" for none)
};

bool NamesSeveralFiles(std::string_view volume_word);
// Null when the directory part is malformed.
std::optional<VolumeTreeRequest> ParseVolumeTree(std::string_view word);
// Whether each version goes to a host file of its own (the version is a pattern).
bool WantsEveryVersion(const VolumeTreeRequest& request);

// The host name a volume entry (NAME.TYPE;V) is copied to: lower case, the dot of an empty type
// dropped, and, with every version wanted, "~V" after it ("name.type~3"; ";" is no legal host
// name character everywhere).
std::string HostNameForEntry(std::string_view entry, bool with_version);

// A directory part one level further down: "" and SUB give [.SUB], [WORK] and SUB [WORK.SUB].
std::string ShownBelow(const std::string& shown, const std::string& name);

// A put word naming several host files: a host pattern (*, ? or [...]) or a host folder.
bool PutNamesSeveralFiles(const std::string& host_word);

// The volume directory name for a host folder: its last part, as a file name's name part.
std::string Files11DirectoryForHost(const std::string& host_folder);

// What a several-files command counts for its summary line.
struct SeveralFiles {
  int copied = 0;
  int failed = 0;
  std::uint64_t bytes = 0;
  std::set<std::pair<std::uint64_t, std::uint64_t>> host_folders;  // device and inode, walked once
};
void PrintSummary(const SeveralFiles& tally);

}  // namespace volxfer
