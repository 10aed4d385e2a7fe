// The names one transfer works with, shared by the single-file and the several-files commands.
#pragma once

#include <cctype>
#include <string>

#include "volume_path.h"

namespace volxfer {

struct TransferNames {
  std::string local;     // the host name
  std::string volume;    // what the messages show: the whole word in upper case
  VolumePath path;       // the directory part and the name within it (upper case)
  bool renamed = false;  // the volume name was made from a host name ODS-2 cannot hold
};

inline std::string UpperCase(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

}  // namespace volxfer
