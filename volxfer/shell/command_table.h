// The command table: name, minimum abbreviation and handler, in the order that decides which entry
// an abbreviation selects.
#pragma once

#include <array>
#include <span>
#include <string>
#include <string_view>

namespace volxfer {

class Shell;
using Words = std::span<const std::string>;
using CommandHandler = void (Shell::*)(Words);

struct CommandEntry {
  std::string_view name;
  unsigned minimum;
  CommandHandler handler;
};

// The first entry that `word` abbreviates (case-sensitively, at least `minimum` characters), or
// null.
const CommandEntry* FindCommand(std::string_view word);

// Every entry, in table order.
std::span<const CommandEntry> CommandTable();

}  // namespace volxfer
