// Checks a directory's blocks as ODS-2 software expects them, by walking the raw blocks: names in
// ascending order, versions descending within a record, no record spanning a block, and the end
// of file covering every block that holds a record.
#pragma once

#include <string>
#include <vector>

#include "ods2/engine.h"

namespace test {

struct DirectoryListing {
  std::vector<std::string> names;  // NAME.TYPE;VERSION for every entry, in directory order
  std::vector<std::string> faults;
};

DirectoryListing CheckDirectory(ods2::Volume& volume, const ods2::FileId& directory);

}  // namespace test
