#include "output.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "messages.h"

namespace volxfer {

namespace {
int error_messages_printed = 0;

void PrefixedMessage(const char* prefix, const char* format, va_list args) {
  std::fflush(stdout);  // keeps a shared terminal in order
  std::fputs(prefix, stderr);
  std::vfprintf(stderr, format, args);
  std::fputc('\n', stderr);
  std::fflush(stderr);
}

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* format, ...) {
  char buffer[1024];
  va_list args;
  va_start(args, format);
  std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  return buffer;
}
}  // namespace

void ErrorMessage(const char* format, ...) {
  ++error_messages_printed;
  va_list args;
  va_start(args, format);
  PrefixedMessage(msg::kErrorPrefix, format, args);
  va_end(args);
}

int ErrorMessagesPrinted() {
  return error_messages_printed;
}

void InfoMessage(const char* format, ...) {
  va_list args;
  va_start(args, format);
  PrefixedMessage(msg::kInfoPrefix, format, args);
  va_end(args);
}

void Print(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::vprintf(format, args);
  va_end(args);
}

std::string SystemErrorText() {
  const char* text = std::strerror(errno);
  return text && *text ? text : msg::kNoSystemText;
}

std::string ErrorText(const ods2::Engine& engine) {
  return ErrorTextForCode(engine.LastError());
}

std::string ErrorTextForCode(int code) {
  if (code >= ods2::kErrorCodeCount || code < 0) return Format(msg::kUnknownErrorCode, code);
  std::string text(ods2::ErrorCodeText(code));
  if (code == ods2::ErrDrive) return text + " " + SystemErrorText();
  return text;
}

}  // namespace volxfer
