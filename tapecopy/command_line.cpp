#include "command_line.h"

#include <charconv>
#include <string_view>
#include <vector>

#include "messages.h"
#include "text_format.h"

namespace tapecopy {
namespace {

constexpr unsigned kLargestErrorLimit = 1000000;

std::optional<unsigned long> parseCount(std::string_view text, unsigned long lowest, unsigned long highest) {
  unsigned long value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value < lowest || value > highest) {
    return std::nullopt;
  }
  return value;
}

class Parser {
 public:
  explicit Parser(std::span<const std::string> arguments) : arguments_(arguments) {}
  CommandLine parse();

 private:
  // False (with the refusal set) on a bad option.
  bool option(std::string_view word);
  bool takeValue(std::string_view name, std::optional<std::string_view> attached, std::string& value);
  bool refuse(std::string text) {
    line_.action = Action::Refuse;
    line_.refusal = std::move(text);
    return false;
  }
  bool badValue(const std::string& value, std::string_view name, const char* accepted) {
    return refuse(formatText(msg::kBadOptionValue, value.c_str(), std::string(name).c_str(), accepted));
  }

  std::span<const std::string> arguments_;
  std::size_t next_ = 0;
  CommandLine line_;
  bool convert_ = false;
};

bool Parser::takeValue(std::string_view name, std::optional<std::string_view> attached, std::string& value) {
  if (attached) {
    value = std::string(*attached);
    return true;
  }
  if (next_ >= arguments_.size())
    return refuse(formatText(msg::kOptionValueMissing, std::string(name).c_str()));
  value = arguments_[next_++];
  return true;
}

bool Parser::option(std::string_view word) {
  const std::size_t equals = word.find('=');
  const std::string_view name = word.substr(0, equals);
  std::optional<std::string_view> attached;
  if (equals != std::string_view::npos) attached = word.substr(equals + 1);
  std::string value;
  if (name == "--convert" && !attached) {
    convert_ = true;
  } else if (name == "--skip-errors") {
    line_.options.skipErrors = true;
    if (attached) {
      const auto limit = parseCount(*attached, 1, kLargestErrorLimit);
      if (!limit) return badValue(std::string(*attached), name, "1 to 1000000");
      line_.options.errorLimit = static_cast<unsigned>(*limit);
    }
  } else if (name == "--max-block") {
    if (!takeValue(name, attached, value)) return false;
    const auto length = parseCount(value, 1, kLargestMaxBlock);
    if (!length) return badValue(value, name, "1 to 65535");
    line_.options.maxBlock = *length;
  } else if (name == "--format") {
    if (!takeValue(name, attached, value)) return false;
    if (value != "kit" && value != "simh") return badValue(value, name, "kit or simh");
    line_.format = value == "simh" ? ImageFormat::Simh : ImageFormat::Kit;
  } else {
    return refuse(formatText(msg::kUnknownOption, std::string(word).c_str()));
  }
  return true;
}

CommandLine Parser::parse() {
  std::vector<std::string> names;
  bool optionsOver = false;
  while (next_ < arguments_.size()) {
    const std::string& word = arguments_[next_++];
    if (!optionsOver && word == "--") {
      optionsOver = true;
    } else if (!optionsOver && word.size() > 2 && word.starts_with("--")) {
      if (!option(word)) return line_;
    } else {
      names.push_back(word);
    }
  }
  if (names.size() < 2) return line_;  // the usage text
  line_.action = convert_ ? Action::Convert : Action::Dump;
  line_.first = names[0];
  line_.second = names[1];
  line_.options.format = line_.outputFormat();
  return line_;
}

}  // namespace

CommandLine parseCommandLine(std::span<const std::string> arguments) {
  return Parser(arguments).parse();
}

}  // namespace tapecopy
