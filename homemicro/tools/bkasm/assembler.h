// Assembles a whole BK program: labels, symbols, directives and instructions, in two passes (the
// first finds every label's address, the second produces the bytes).
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "memory_image.h"

namespace homemicro::bkasm {

struct Diagnostic {
  int line;  // 1-based
  std::string message;
};

// One source line as assembled, for the listing.
struct ListingEntry {
  int line;
  uint16_t address;
  bool showAddress;  // the line emitted bytes or defined a label
  std::vector<uint8_t> bytes;
  std::string source;
};

struct Program {
  MemoryImage image;
  std::vector<Diagnostic> errors;  // empty when the program assembled cleanly
  std::vector<ListingEntry> listing;
  std::map<std::string, uint16_t> symbols;
};

Program AssembleProgram(std::string_view source);

}  // namespace homemicro::bkasm
