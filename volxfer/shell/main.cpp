// volxfer: an interactive shell that opens a Files-11 ODS-2 volume (an image file or raw disk),
// lists it and moves files between it and the host. `volxfer IMAGE [ro|rw]` opens the volume
// before the first prompt, as the open command would.
#include <unistd.h>
#include <cstdio>
#include <string>
#include <vector>

#include "line_reader.h"
#include "messages.h"
#include "output.h"
#include "shell.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  if (args.size() == 1 && args[0] == "--help") {
    volxfer::Print("%s", volxfer::msg::kCommandLineHelp);
    return 0;
  }
  if (args.size() == 1 && args[0] == "--version") {
    volxfer::Print(volxfer::msg::kVersion, VOLXFER_VERSION);
    return 0;
  }
  if (args.size() > 2 || (!args.empty() && args[0].starts_with("--"))) {
    volxfer::ErrorMessage(volxfer::msg::kCommandLineUsage);
    return 1;
  }
  volxfer::Shell shell;
  if (!args.empty()) shell.Open(args);
  auto reader = volxfer::MakeLineReader();
  int status = shell.Run(*reader);
  // A script learns from the status whether anything went wrong; at a terminal the user saw it.
  if (status == 0 && !isatty(STDIN_FILENO) && volxfer::ErrorMessagesPrinted() > 0) status = 1;
  return status;
}
