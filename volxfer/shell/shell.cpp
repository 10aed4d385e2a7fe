#include "shell.h"

#include <strings.h>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <optional>

#include "messages.h"
#include "output.h"

namespace volxfer {

namespace {
constexpr std::size_t kVolumeNameLimit = 517;

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n';
}
bool SameIgnoringCase(const std::string& a, const char* b) {
  return strcasecmp(a.c_str(), b) == 0;
}

struct NamedFormat {
  const char* word;  // what bin takes
  const char* name;  // what it shows
  std::uint8_t type;
};
constexpr NamedFormat kNamedFormats[] = {
    {"undefined", "undefined", ods2::StreamFile::kUndefinedFormat},
    {"stream", "stream", ods2::StreamFile::kStreamFormat},
    {"stream_lf", "Stream_LF", ods2::StreamFile::kStreamLfFormat},
    {"stream_cr", "Stream_CR", ods2::StreamFile::kStreamCrFormat},
};
// Fixed records on disk start on a word: an odd length would need a pad byte after each record,
// which would change the bytes put.
constexpr long kLongestFixedRecord = 32766;

const char* FormatName(std::uint8_t type) {
  for (const NamedFormat& f : kNamedFormats)
    if (f.type == type) return f.name;
  return "";
}

bool NamesRecordFormat(const std::string& word) {
  if (SameIgnoringCase(word, "fixed")) return true;
  for (const NamedFormat& f : kNamedFormats)
    if (SameIgnoringCase(word, f.word)) return true;
  return false;
}

// bin fixed LENGTH | undefined | stream | stream_lf | stream_cr; nullopt (with the error shown)
// for a length that is missing or unusable.
std::optional<ods2::Engine::BinaryFormat> ParseBinaryFormat(Words words) {
  if (SameIgnoringCase(words[0], "fixed")) {
    if (words.size() < 2) {
      ErrorMessage(msg::kBinUsage);
      return std::nullopt;
    }
    const std::string& text = words[1];
    char* end = nullptr;
    long length = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || !std::isdigit(static_cast<unsigned char>(text[0])) || length < 2 ||
        length > kLongestFixedRecord || length % 2 != 0) {
      ErrorMessage(msg::kBadRecordLength, text.c_str());
      return std::nullopt;
    }
    return ods2::Engine::BinaryFormat{ods2::StreamFile::kFixedFormat, static_cast<std::uint16_t>(length),
                                      true};
  }
  for (const NamedFormat& f : kNamedFormats)
    if (SameIgnoringCase(words[0], f.word)) return ods2::Engine::BinaryFormat{f.type, 0, false};
  return std::nullopt;  // no format word: the caller asks NamesRecordFormat first
}
}  // namespace

std::vector<std::string> SplitWords(std::string_view line) {
  std::vector<std::string> words;
  std::size_t at = 0;
  while (at < line.size()) {
    while (at < line.size() && IsBlank(line[at])) ++at;
    if (at == line.size()) break;
    // A double quote groups blanks into the word until the next one (or the line's end); the
    // quotes themselves are dropped, so "" is an empty word.
    std::string word;
    bool quoted = false;
    for (; at < line.size() && (quoted || !IsBlank(line[at])); ++at) {
      if (line[at] == '"') {
        quoted = !quoted;
      } else if (!quoted || line[at] != '\n') {
        word += line[at];
      }
    }
    words.push_back(std::move(word));
  }
  return words;
}

Shell::Shell() {
  state_.CurrentDirectory = msg::kNotConnected;
}

int Shell::Run(LineReader& reader) {
  std::string line;
  while (!state_.QuitRequested) {
    if (!reader.ReadLine(line)) {
      Bye({});
      break;
    }
    RunLine(line);
  }
  Print("\n");
  std::fflush(stdout);
  return 0;
}

void Shell::RunLine(const std::string& line) {
  if (line.empty()) return;
  std::size_t first = 0;
  while (first < line.size() && IsBlank(line[first])) ++first;
  if (first < line.size() && line[first] == '!') {
    std::string command = line.substr(first + 1);
    if (!command.empty() && command.back() == '\n') command.pop_back();
    std::fflush(stdout);
    [[maybe_unused]] int ignored = std::system(command.c_str());
    Print("\n");
    return;
  }
  std::vector<std::string> words = SplitWords(line);
  if (words.empty()) return;
  const CommandEntry* entry = FindCommand(words[0]);
  if (!entry) {
    ErrorMessage(msg::kInvalidCommand);
    return;
  }
  (this->*entry->handler)(Words(words).subspan(1));
}

void Shell::Help(Words) {
  Print("%s", msg::kHelp);
}

void Shell::Ascii(Words) {
  state_.TransferMode = 1;
  Print(msg::kTypeAscii);
}

void Shell::Bin(Words words) {
  // Words that name no record format are ignored, as they always were.
  if (words.empty() || !NamesRecordFormat(words[0])) {
    engine_.SetBinaryFormat({});
    state_.TransferMode = 0;
    Print(msg::kTypeImage);
    return;
  }
  std::optional<ods2::Engine::BinaryFormat> format = ParseBinaryFormat(words);
  if (!format) return;
  engine_.SetBinaryFormat(*format);
  state_.TransferMode = 0;
  if (format->type == ods2::StreamFile::kFixedFormat)
    Print(msg::kTypeImageFixed, static_cast<unsigned>(format->record_size));
  else
    Print(msg::kTypeImageFormat, FormatName(format->type));
}

void Shell::Bye(Words) {
  engine_.VolumeClose(state_.ConnectedHandle);
  state_.CurrentDirectory = msg::kNotConnected;
  state_.ConnectedHandle = -1;
  Print(msg::kGoodbye);
  state_.QuitRequested = true;
}

void Shell::Close(Words) {
  if (state_.ConnectedHandle == -1) {
    Print(msg::kNotConnectedLine);
    return;
  }
  engine_.VolumeClose(state_.ConnectedHandle);
  Print(msg::kDisconnected, state_.VolumeName.c_str());
  state_.CurrentDirectory = msg::kNotConnected;
  state_.ConnectedHandle = -1;
}

void Shell::Mode(Words words) {
  if (words.empty()) {
    ErrorMessage(msg::kModeUsage);
  } else if (SameIgnoringCase(words[0], "bin")) {
    engine_.SetBinaryFormat({});
    state_.TransferMode = 0;
  } else if (SameIgnoringCase(words[0], "ascii")) {
    state_.TransferMode = 1;
  } else {
    Print(msg::kInvalidMode, words[0].c_str());
  }
}

void Shell::Debug(Words words) {
  if (words.empty()) {
    ErrorMessage(msg::kDebugUsage);
  } else if (SameIgnoringCase(words[0], "on") || SameIgnoringCase(words[0], "off")) {
    Print(msg::kNoDebugSupport);
  } else {
    Print(msg::kInvalidDebugMode, words[0].c_str());
  }
}

void Shell::Open(Words words) {
  if (words.empty()) {
    ErrorMessage(msg::kOpenUsage);
    return;
  }
  bool read_only = false;
  if (words.size() > 1) {
    if (SameIgnoringCase(words[1], "ro")) {
      read_only = true;
    } else if (!SameIgnoringCase(words[1], "rw")) {
      Print(msg::kInvalidMode, words[1].c_str());
      return;
    }
  }
  if (state_.ConnectedHandle != -1) {
    Print(msg::kAlreadyConnected, state_.VolumeName.c_str());
    return;
  }
  const std::string& name = words[0];
  int handle = engine_.VolumeOpen(name.c_str(), read_only);
  if (handle < 0) {
    ErrorMessage(msg::kCannotOpenVolume, name.c_str(), ErrorText(engine_).c_str());
    return;
  }
  state_.VolumeName = name.substr(0, kVolumeNameLimit);
  Print(read_only ? msg::kConnectedReadOnly : msg::kConnectedReadWrite, state_.VolumeName.c_str());
  state_.ConnectedHandle = handle;
  state_.CurrentDirectory = msg::kTopDirectory;
}

}  // namespace volxfer
