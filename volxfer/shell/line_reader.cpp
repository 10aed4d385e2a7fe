#include "line_reader.h"

#include <unistd.h>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <editline/readline.h>

#include "messages.h"

namespace volxfer {

namespace {
constexpr std::size_t kInputBufferSize = 8192;

class EditLineReader : public LineReader {
 public:
  bool ReadLine(std::string& line) override {
    std::fflush(stdout);
    char* text = readline(msg::kPrompt);
    if (!text) return false;
    if (*text) add_history(text);
    line.assign(text);
    line += '\n';
    std::free(text);
    return true;
  }
};
}  // namespace

bool StreamLineReader::ReadLine(std::string& line) {
  std::array<char, kInputBufferSize> buffer{};
  std::fputs(msg::kPrompt, stdout);
  std::fflush(stdout);
  if (!std::fgets(buffer.data(), static_cast<int>(buffer.size()), stdin)) buffer[0] = '\0';
  // A read error ends the session like the end of input instead of prompting forever.
  if (std::feof(stdin) || std::ferror(stdin)) return false;
  line.assign(buffer.data(), std::strlen(buffer.data()));
  return true;
}

std::unique_ptr<LineReader> MakeLineReader() {
  if (isatty(STDIN_FILENO)) return std::make_unique<EditLineReader>();
  return std::make_unique<StreamLineReader>();
}

}  // namespace volxfer
