// The command line for scripts: --list, --type NAME [--row N] [--force] FILE, --help, --version.
#pragma once

#include <cstdio>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <variant>

#include "ImageRun.h"

namespace blankimg {

inline constexpr int kExitDone = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitBadArguments = 2;

inline constexpr const char* kVersionText = "blankimg 1.0\n";
// The file name that stands for standard output.
inline constexpr const char* kStandardOutputName = "-";

std::string usageText();

// --list: one numbered line per row (number, name, description, platforms, size in KB, tab
// separated), ended by the host's line end.
std::string numberedListText();

// The row of `rows` that --type `name` and --row `rowText` choose (a name matches in any case;
// rows of one name that write the same image need no --row), or the error message.
std::variant<const DiskType*, std::string> findRow(std::span<const DiskType> rows,
                                                   const std::optional<std::string>& name,
                                                   const std::optional<std::string>& rowText);

// Runs the arguments after the program name. `terminalProgress` draws a text progress bar on
// `err` while the image is written (for an interactive terminal); `spaceQuery` answers the
// free-space check; the FILE "-" goes to `imageOutput`.
int runCommandLine(std::span<const std::string> args, std::ostream& out, std::ostream& err,
                   bool terminalProgress, const SpaceQuery& spaceQuery = availableBytes,
                   std::FILE* imageOutput = stdout);

// True if the standard error stream is an interactive terminal.
bool standardErrorIsTerminal();

}  // namespace blankimg
