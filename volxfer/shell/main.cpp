// volxfer: an interactive shell that opens a Files-11 ODS-2 volume (an image file or raw disk),
// lists it and moves files between it and the host. Command-line arguments are ignored.
#include "line_reader.h"
#include "shell.h"

int main() {
  volxfer::Shell shell;
  auto reader = volxfer::MakeLineReader();
  return shell.Run(*reader);
}
