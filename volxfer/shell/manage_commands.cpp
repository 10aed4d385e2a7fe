// Commands that change a volume's tree: mkdir makes directories (with the parents a path needs),
// del and delete take files off the volume.
#include <cctype>
#include <optional>

#include "directory_visit.h"
#include "messages.h"
#include "output.h"
#include "shell.h"

namespace volxfer {

namespace {
constexpr std::string_view kDirectoryType = ".DIR";

std::string UpperCase(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

// A directory's own name from NAME, NAME.DIR or NAME.DIR;1 (the only version a directory has).
std::string DirectoryName(std::string word) {
  word = UpperCase(std::move(word));
  for (std::string_view ending : {";1", ";"})
    if (word.ends_with(ending)) word.erase(word.size() - ending.size());
  if (word.ends_with(kDirectoryType)) word.erase(word.size() - kDirectoryType.size());
  return word;
}

// The directory levels a mkdir word names: [.A.B] and [A.B] as paths, NAME or NAME.DIR alone,
// and [A]B as B inside [A].
std::optional<VolumePath> DirectoryLevels(const std::string& word) {
  std::optional<VolumePath> path = SplitVolumePath(word);
  if (!path) {
    ErrorMessage(msg::kBadDirectoryPart, word.c_str());
    return std::nullopt;
  }
  if (!path->file.empty()) path->components.push_back(DirectoryName(path->file));
  if (!path->has_directory) path->relative = true;
  path->has_directory = true;
  path->file.clear();
  return path;
}
}  // namespace

void Shell::MakeDirectory(Words words) {
  if (words.empty()) {
    ErrorMessage(msg::kMkdirUsage);
    return;
  }
  std::optional<VolumePath> levels = DirectoryLevels(words[0]);
  if (!levels) return;
  if (state_.ConnectedHandle == -1) {
    ErrorMessage(msg::kCantCreateDirectory, UpperCase(words[0]).c_str(), ErrorText(engine_).c_str());
    return;
  }
  const std::string current = state_.CurrentDirectory;
  if (levels->components.empty()) {
    ErrorMessage(msg::kDirectoryExists, DirectoryText(*levels, current).c_str());
    return;
  }
  // The walk starts where the path does and the current directory is as it was afterwards.
  VolumePath start = *levels;
  start.components.clear();
  DirectoryVisit visit(engine_, state_);
  if (!visit.Enter(start)) return;
  VolumePath so_far = start;
  for (std::size_t i = 0; i < levels->components.size(); ++i) {
    const std::string& name = levels->components[i];
    so_far.components.push_back(name);
    std::string text = DirectoryText(so_far, current);
    if (name == "-") {
      if (engine_.ChangeDirUp() == 0) continue;
      ErrorMessage(msg::kCantOpenDirectory, text.c_str(), ErrorText(engine_).c_str());
      return;
    }
    if (!MakeDirectoryLevel(name, text, i + 1 == levels->components.size())) return;
  }
}

// Enters directory `name` of the current one, making it first when it is missing; the last level
// of a path must be new.
bool Shell::MakeDirectoryLevel(const std::string& name, const std::string& text, bool last) {
  const std::string entry = name + std::string(kDirectoryType) + ";1";
  bool exists = engine_.ChangeDir(entry.c_str()) == 0;
  if (exists && last) {
    ErrorMessage(msg::kDirectoryExists, text.c_str());
    return false;
  }
  if (exists) return true;
  if (engine_.LastError() != ods2::ErrFileNotFound) {
    // Found but no directory: ChangeDir leaves no code for that.
    int code = engine_.LastError() == ods2::ErrNone ? ods2::ErrNotDirectory : engine_.LastError();
    ErrorMessage(msg::kCantCreateDirectory, text.c_str(), ErrorTextForCode(code).c_str());
    return false;
  }
  if (engine_.MakeDirectory(name.c_str()) != 0) {
    if (engine_.LastError() == ods2::ErrInvalidArgument)
      ErrorMessage(msg::kBadDirectoryName, name.c_str());
    else
      ErrorMessage(msg::kCantCreateDirectory, text.c_str(), ErrorText(engine_).c_str());
    return false;
  }
  Print(msg::kDirectoryCreated, text.c_str());
  if (last || engine_.ChangeDir(entry.c_str()) == 0) return true;
  ErrorMessage(msg::kCantOpenDirectory, text.c_str(), ErrorText(engine_).c_str());
  return false;
}

void Shell::Delete(Words words) {
  if (words.empty()) {
    ErrorMessage(msg::kDeleteUsage);
    return;
  }
  for (const std::string& word : words) DeleteMatches(word);
}

// Deletes what one word matches, each file with a line of its own.
void Shell::DeleteMatches(const std::string& word) {
  std::optional<VolumePath> path = SplitVolumePath(word);
  if (!path) {
    ErrorMessage(msg::kBadDirectoryPart, word.c_str());
    return;
  }
  if (path->file.empty()) {
    ErrorMessage(msg::kDeleteUsage);
    return;
  }
  DirectoryVisit visit(engine_, state_);
  if (!visit.Enter(*path)) return;
  std::vector<ods2::Engine::Deletion> deletions;
  if (engine_.DeleteFiles(UpperCase(path->file).c_str(), deletions, visit.SavedDirectories()) != 0) {
    ErrorMessage(msg::kCantDelete, UpperCase(word).c_str(), ErrorText(engine_).c_str());
    return;
  }
  for (const ods2::Engine::Deletion& d : deletions) {
    const char* name = d.name.c_str();
    switch (d.kept) {
      case ods2::Engine::Kept::kNothing:
        Print(msg::kDeleted, state_.CurrentDirectory.c_str(), name);
        break;
      case ods2::Engine::Kept::kReserved:
        ErrorMessage(msg::kCantDeleteReserved, name);
        break;
      case ods2::Engine::Kept::kDirectoryNotEmpty:
        ErrorMessage(msg::kCantDeleteNotEmpty, name);
        break;
      case ods2::Engine::Kept::kDirectoryInUse:
        ErrorMessage(msg::kCantDeleteInUse, name);
        break;
      case ods2::Engine::Kept::kFailed:
        ErrorMessage(msg::kCantDelete, name, ErrorTextForCode(d.code).c_str());
        break;
    }
  }
}

}  // namespace volxfer
