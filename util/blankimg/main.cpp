// blankimg: with arguments the command line for scripts, without them the dialog (where built).
#include <iostream>
#include <string>
#include <vector>

#include "CommandLine.h"

#ifdef BLANKIMG_WITH_DIALOG
#include "ui/BlankImgApp.h"
#endif

int main(int argc, char** argv) {
  if (argc > 1) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    return blankimg::runCommandLine(args, std::cout, std::cerr, blankimg::standardErrorIsTerminal());
  }
#ifdef BLANKIMG_WITH_DIALOG
  return blankimg::runDialogProgram(argc, argv);
#else
  std::cerr << "blankimg: this build has no dialog window; use the command line\n" << blankimg::usageText();
  return blankimg::kExitBadArguments;
#endif
}
