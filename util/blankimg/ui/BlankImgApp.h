// The application object: runs the main dialog; when it returns, the program ends.
#pragma once

namespace blankimg {

int runDialogProgram(int argc, char** argv);

}  // namespace blankimg
