// Message printers: error and information lines go to standard error, flushed at once.
#pragma once

#include <string>

#include "../ods2/engine.h"

namespace volxfer {

void ErrorMessage(const char* format, ...) __attribute__((format(printf, 1, 2)));
void InfoMessage(const char* format, ...) __attribute__((format(printf, 1, 2)));
// How many error messages have been printed so far; a script's exit status rests on it.
int ErrorMessagesPrinted();
// Formatted printing to standard output.
void Print(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The text of the engine's last code; for a drive error the host's own text follows.
std::string ErrorText(const ods2::Engine& engine);
std::string ErrorTextForCode(int code);
std::string SystemErrorText();

}  // namespace volxfer
