// Volume file specifications with a directory part ([DIR.SUB]NAME.TYPE;V, [.SUB]NAME, [-.DIR],
// <DIR>NAME)
// and the rule that turns a host file name into a name ODS-2 can hold.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace volxfer {

struct VolumePath {
  bool has_directory = false;
  bool relative = false;                // [.SUB]: below the current directory
  std::vector<std::string> components;  // upper case, "-" for one level up; [000000] has none
  std::string file;                     // what follows the directory part, as typed
};

// Null when the directory part is not closed or holds an empty component.
std::optional<VolumePath> SplitVolumePath(std::string_view word);

// The directory text a listing shows for `path` seen from `current` (like [000000.WORK]).
std::string DirectoryText(const VolumePath& path, const std::string& current);

// The last part of a host path turned into NAME.TYPE (upper case; every character ODS-2 names
// do not hold, and every dot but the last, becomes "_"; each part cut to 39 characters).
std::string Files11NameForHost(std::string_view host_name);

}  // namespace volxfer
