// The command line: tapecopy [options] <device-name> <file-name>, or tapecopy --convert [--format
// kit|simh] <input> <output>. Options may stand anywhere before "--"; as ever, arguments after
// the first two others are ignored, and fewer than two give the usage text.
#pragma once

#include <optional>
#include <span>
#include <string>

#include "tape_dump.h"

namespace tapecopy {

enum class Action { Usage, Dump, Convert, Refuse };

struct CommandLine {
  Action action = Action::Usage;
  std::string refusal;  // Refuse: the message to print
  std::string first;    // device name, or the conversion's input
  std::string second;   // dump file name, or the conversion's output
  std::optional<ImageFormat> format;
  DumpOptions options;  // with the output format settled

  // --format when given, else what the output file's name asks for.
  ImageFormat outputFormat() const { return format.value_or(formatForFileName(second)); }
};

// `arguments` without the program name.
CommandLine parseCommandLine(std::span<const std::string> arguments);

}  // namespace tapecopy
