#include "volume_path.h"

#include <cctype>

namespace volxfer {

namespace {
constexpr std::size_t kNamePartLimit = 39;
constexpr std::string_view kMasterComponent = "000000";
constexpr std::string_view kUp = "-";

char Upper(char c) {
  return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
}

std::string Files11Part(std::string_view part) {
  std::string out;
  for (char c : part.substr(0, kNamePartLimit)) {
    char u = Upper(c);
    bool kept = (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || u == '$' || u == '_' || u == '-';
    out += kept ? u : '_';
  }
  return out;
}
}  // namespace

std::optional<VolumePath> SplitVolumePath(std::string_view word) {
  VolumePath path;
  if (word.empty() || (word[0] != '[' && word[0] != '<')) {
    path.file = word;
    return path;
  }
  char close = word[0] == '[' ? ']' : '>';
  std::size_t end = word.find(close);
  if (end == std::string_view::npos) return std::nullopt;
  std::string_view inside = word.substr(1, end - 1);
  path.has_directory = true;
  path.file = word.substr(end + 1);
  if (!inside.empty() && inside[0] == '.') {
    path.relative = true;
    inside.remove_prefix(1);
  } else if (!inside.empty() && inside[0] == '-') {
    path.relative = true;  // [-] and [-.OTHER] start one level up
  }
  std::size_t at = 0;
  while (at <= inside.size()) {
    std::size_t dot = inside.find('.', at);
    if (dot == std::string_view::npos) dot = inside.size();
    std::string component;
    for (char c : inside.substr(at, dot - at)) component += Upper(c);
    bool only_ups_so_far = path.components.empty() || path.components.back() == kUp;
    if (component.empty() || (component == kUp && !(path.relative && only_ups_so_far))) return std::nullopt;
    // [000000] and [000000.WORK] name the top and what lies below it.
    if (!(component == kMasterComponent && !path.relative && path.components.empty()))
      path.components.push_back(component);
    at = dot + 1;
  }
  return path;
}

std::string DirectoryText(const VolumePath& path, const std::string& current) {
  std::string text = path.relative && !current.empty() ? current.substr(0, current.size() - 1) : "[000000";
  for (const std::string& component : path.components) {
    if (component != kUp) {
      text += "." + component;
    } else if (std::size_t last = text.rfind('.'); last != std::string::npos) {
      text.erase(last);
    }
  }
  return text + "]";
}

std::string Files11NameForHost(std::string_view host_name) {
  std::size_t slash = host_name.find_last_of('/');
  if (slash != std::string_view::npos) host_name.remove_prefix(slash + 1);
  std::size_t dot = host_name.find_last_of('.');
  if (dot == std::string_view::npos) return Files11Part(host_name) + ".";
  return Files11Part(host_name.substr(0, dot)) + "." + Files11Part(host_name.substr(dot + 1));
}

}  // namespace volxfer
