// The command line for scripts: --list, --type NAME [--row N] FILE, --help, --version.
#pragma once

#include <ostream>
#include <span>
#include <string>

#include "ImageRun.h"

namespace blankimg {

inline constexpr int kExitDone = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitBadArguments = 2;

inline constexpr const char* kVersionText = "blankimg 1.0\n";

std::string usageText();

// Runs the arguments after the program name. `terminalProgress` draws a text progress bar on
// `err` while the image is written (for an interactive terminal); `spaceQuery` answers the
// free-space check.
int runCommandLine(std::span<const std::string> args, std::ostream& out, std::ostream& err,
                   bool terminalProgress, const SpaceQuery& spaceQuery = availableBytes);

// True if the standard error stream is an interactive terminal.
bool standardErrorIsTerminal();

}  // namespace blankimg
