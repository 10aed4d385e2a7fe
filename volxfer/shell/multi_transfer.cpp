// get and put of several files: every match of a volume pattern or a host pattern, and whole
// directory trees each way. Each file shows the lines a single transfer shows; a failure is
// reported and counted and the next file goes on; a summary line ends the command.
#include "multi_transfer.h"

#include <glob.h>
#include <sys/stat.h>
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <filesystem>
#include <vector>

#include "../ods2/directory.h"
#include "directory_visit.h"
#include "messages.h"
#include "output.h"
#include "shell.h"
#include "transfer_names.h"

namespace volxfer {

namespace {
constexpr std::string_view kTreeMark = "...";
constexpr char kEveryName[] = "*.*";
constexpr char kDirectories[] = "*.DIR;1";
constexpr char kVersionMark = '~';
constexpr std::uint8_t kDirectoryCharacteristic = 0x20;  // bit 13 of the characteristics

bool HasVolumeWildcards(std::string_view text) {
  return text.find_first_of("*%") != std::string_view::npos;
}

std::string LowerCase(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

std::string HostPath(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  return folder.back() == '/' ? folder + name : folder + "/" + name;
}

struct VolumeEntry {
  std::string name;  // NAME.TYPE;V
  bool directory = false;
  std::uint64_t key = 0;  // file number and sequence
};

std::uint64_t KeyOf(std::uint32_t file_number, std::uint16_t sequence) {
  return static_cast<std::uint64_t>(file_number) << 16 | sequence;
}

// Every entry of the current directory matching `specification`; false (message printed) when
// the directory could not be read to its end.
bool ListEntries(ods2::Engine& engine, const std::string& specification, std::vector<VolumeEntry>& entries) {
  ods2::FileInfo info;
  while (engine.DirSearch(specification.c_str(), &info) == 0) {
    // A damaged header has no attributes; its get reports why.
    bool readable = engine.LastError() == ods2::ErrNone;
    bool directory = readable && (info.characteristics[1] & kDirectoryCharacteristic);
    entries.push_back({info.name, directory, KeyOf(info.file_number, info.sequence)});
  }
  if (engine.LastError() == ods2::ErrFileNotFound) return true;
  ErrorMessage(msg::kPlainText, ErrorText(engine).c_str());
  return false;
}

std::string VersionOf(const std::string& entry) {
  std::size_t semicolon = entry.find(';');
  return semicolon == std::string::npos ? "" : entry.substr(semicolon + 1);
}

// A host folder made as needed; false (message printed) when there is a file of that name or it
// cannot be made.
bool MakeHostFolder(const std::string& folder) {
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (std::filesystem::is_directory(folder)) return true;
  errno = error ? error.value() : EEXIST;
  ErrorMessage(msg::kCantCreateLocalFolder, folder.c_str(), SystemErrorText().c_str());
  return false;
}

bool HasHostWildcards(std::string_view text) {
  return text.find_first_of("*?[") != std::string_view::npos;
}

bool IsHostFolder(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Host names matching `pattern`, sorted; empty when none.
std::vector<std::string> ExpandHostPattern(const std::string& pattern) {
  std::vector<std::string> matches;
  glob_t found{};
  if (::glob(pattern.c_str(), 0, nullptr, &found) == 0) {
    for (std::size_t i = 0; i < found.gl_pathc; ++i) matches.emplace_back(found.gl_pathv[i]);
  }
  ::globfree(&found);
  return matches;
}

// The entries of a host folder, files first, each group in name order.
std::vector<std::string> HostFolderEntries(const std::string& folder, bool& readable) {
  std::vector<std::string> files, folders;
  std::error_code error;
  for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    std::string path = HostPath(folder, it->path().filename().string());
    (IsHostFolder(path) ? folders : files).push_back(path);
  }
  readable = !error;
  if (error) errno = error.value();
  std::sort(files.begin(), files.end());
  std::sort(folders.begin(), folders.end());
  files.insert(files.end(), folders.begin(), folders.end());
  return files;
}
}  // namespace

bool NamesSeveralFiles(std::string_view volume_word) {
  std::optional<VolumeTreeRequest> request = ParseVolumeTree(volume_word);
  if (!request) return false;  // the single-file path names the fault
  // A name left out means every file only in a tree; "get [WORK]" alone stays a single get.
  return request->tree || HasVolumeWildcards(request->typed_name) ||
         HasVolumeWildcards(request->version_pattern);
}

std::optional<VolumeTreeRequest> ParseVolumeTree(std::string_view word) {
  VolumeTreeRequest request;
  std::string directory;
  std::string_view file = word;
  if (!word.empty() && (word[0] == '[' || word[0] == '<')) {
    std::size_t close = word.find(word[0] == '[' ? ']' : '>');
    if (close == std::string_view::npos) return std::nullopt;
    std::string_view inside = word.substr(1, close - 1);
    if (inside.ends_with(kTreeMark)) {
      request.tree = true;
      inside.remove_suffix(kTreeMark.size());
    }
    if (!inside.empty()) directory = "[" + UpperCase(std::string(inside)) + "]";
    file = word.substr(close + 1);
  }
  std::optional<VolumePath> path = SplitVolumePath(directory);
  if (!path) return std::nullopt;
  request.start = *path;
  request.shown = directory;
  std::string upper = UpperCase(std::string(file));
  std::size_t semicolon = upper.find(';');
  request.name_pattern = upper.substr(0, semicolon);
  request.typed_name = request.name_pattern;
  if (semicolon != std::string::npos) request.version_pattern = upper.substr(semicolon + 1);
  if (request.name_pattern.empty()) request.name_pattern = kEveryName;
  return request;
}

bool WantsEveryVersion(const VolumeTreeRequest& request) {
  return HasVolumeWildcards(request.version_pattern);
}

std::string HostNameForEntry(std::string_view entry, bool with_version) {
  std::size_t semicolon = entry.find(';');
  std::string name = LowerCase(entry.substr(0, semicolon));
  if (name.ends_with('.')) name.pop_back();
  if (with_version && semicolon != std::string_view::npos)
    name += kVersionMark + std::string(entry.substr(semicolon + 1));
  return name;
}

std::string ShownBelow(const std::string& shown, const std::string& name) {
  if (shown.empty()) return "[." + name + "]";
  return shown.substr(0, shown.size() - 1) + "." + name + "]";
}

bool PutNamesSeveralFiles(const std::string& host_word) {
  std::string host = host_word.substr(0, host_word.find(';'));
  if (IsHostFolder(host)) return true;
  struct stat st {};
  // A file whose name holds a pattern character is itself.
  return HasHostWildcards(host) && ::stat(host.c_str(), &st) != 0;
}

std::string Files11DirectoryForHost(const std::string& host_folder) {
  std::string trimmed = host_folder;
  while (trimmed.size() > 1 && trimmed.back() == '/') trimmed.pop_back();
  std::filesystem::path path(trimmed);
  std::error_code error;
  // "." and ".." are named by the folder they stand for.
  if (path.filename() == "." || path.filename() == "..") {
    std::filesystem::path canonical = std::filesystem::canonical(path, error);
    if (!error) path = canonical;
  }
  std::string name = Files11NameForHost(path.filename().string() + ".");
  name.pop_back();  // the dot that stood for an empty type
  return name;
}

void PrintSummary(const SeveralFiles& tally) {
  auto bytes = static_cast<unsigned long long>(tally.bytes);
  if (tally.failed == 0)
    InfoMessage(msg::kSeveralCopied, tally.copied, bytes);
  else
    InfoMessage(msg::kSeveralCopiedFailed, tally.copied, bytes, tally.failed);
}

void Shell::GetSeveral(Words words) {
  std::optional<VolumeTreeRequest> request = ParseVolumeTree(words[0]);
  if (!request) {
    ErrorMessage(msg::kBadDirectoryPart, words[0].c_str());
    return;
  }
  if (state_.ConnectedHandle == -1) {
    ErrorMessage(msg::kCantOpenFile, UpperCase(words[0]).c_str(), ErrorText(engine_).c_str());
    return;
  }
  std::string folder = words.size() > 1 ? words[1] : "";
  if (!folder.empty() && !MakeHostFolder(folder)) return;
  DirectoryVisit visit(engine_, state_);
  if (!visit.Enter(request->start)) return;
  SeveralFiles tally;
  ods2::FileId start = engine_.CurrentDirectoryId();
  std::set<std::uint64_t> walked{KeyOf(start.FileNumber(), start.sequence)};
  GetDirectory(*request, folder, request->shown, walked, tally);
  if (tally.copied == 0 && tally.failed == 0) {
    ErrorMessage(msg::kCantOpenFile, UpperCase(words[0]).c_str(),
                 ErrorTextForCode(ods2::ErrFileNotFound).c_str());
    return;
  }
  PrintSummary(tally);
}

// The matching files of the current directory into `host_folder`, then, for a tree, each
// directory below into a host folder of its name. A directory reached twice (the top lists
// itself, aliases) is walked once.
void Shell::GetDirectory(const VolumeTreeRequest& request, const std::string& host_folder,
                         const std::string& shown, std::set<std::uint64_t>& walked, SeveralFiles& tally) {
  bool every_version = WantsEveryVersion(request);
  std::string version = every_version ? "*" : request.version_pattern;
  std::vector<VolumeEntry> entries;
  if (!ListEntries(engine_, request.name_pattern + ";" + version, entries)) ++tally.failed;
  for (const VolumeEntry& entry : entries) {
    if (entry.directory) continue;  // a tree copies what directories hold, not their records
    if (every_version && !ods2::MatchName(request.version_pattern, VersionOf(entry.name))) continue;
    std::string local = HostPath(host_folder, HostNameForEntry(entry.name, every_version));
    bool copied = GetOneFile(entry.name, local, shown + entry.name, tally.bytes);
    ++(copied ? tally.copied : tally.failed);
  }
  if (!request.tree) return;
  std::vector<VolumeEntry> directories;
  if (!ListEntries(engine_, kDirectories, directories)) ++tally.failed;
  for (const VolumeEntry& directory : directories) {
    if (!directory.directory || !walked.insert(directory.key).second) continue;
    std::string name = directory.name.substr(0, directory.name.find('.'));
    std::string host_sub = HostPath(host_folder, LowerCase(name));
    if (!MakeHostFolder(host_sub)) {
      ++tally.failed;
      continue;
    }
    VolumePath below;
    below.has_directory = below.relative = true;
    below.components = {name};
    DirectoryVisit visit(engine_, state_);
    if (!visit.Enter(below)) {
      ++tally.failed;
      continue;
    }
    GetDirectory(request, host_sub, ShownBelow(shown, name), walked, tally);
  }
}

void Shell::PutSeveral(Words words) {
  std::size_t semicolon = words[0].find(';');
  std::string host = words[0].substr(0, semicolon);
  std::string version = semicolon == std::string::npos ? "" : UpperCase(words[0].substr(semicolon));
  VolumePath target;
  std::string shown;
  if (words.size() > 1) {
    std::optional<VolumePath> path = SplitVolumePath(words[1]);
    if (!path) {
      ErrorMessage(msg::kBadDirectoryPart, words[1].c_str());
      return;
    }
    if (!path->file.empty()) {
      ErrorMessage(msg::kSecondNameNotDirectory, words[1].c_str());
      return;
    }
    target = *path;
    shown = UpperCase(words[1]);
  }
  std::vector<std::string> matches = IsHostFolder(host) ? std::vector{host} : ExpandHostPattern(host);
  if (matches.empty()) {
    errno = ENOENT;
    ErrorMessage(msg::kCantOpenSource, host.c_str(), SystemErrorText().c_str());
    return;
  }
  DirectoryVisit visit(engine_, state_);
  if (!visit.Enter(target)) return;
  SeveralFiles tally;
  for (const std::string& match : matches) PutHostEntry(match, version, shown, tally);
  PrintSummary(tally);
}

// One host file into the current directory, or a host folder as a directory below it.
void Shell::PutHostEntry(const std::string& host_path, const std::string& version, const std::string& shown,
                         SeveralFiles& tally) {
  struct stat st {};
  if (::stat(host_path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
    if (tally.host_folders.insert({st.st_dev, st.st_ino}).second) PutHostFolder(host_path, shown, tally);
    return;
  }
  if (::stat(host_path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
    ErrorMessage(msg::kCantOpenSource, host_path.c_str(), msg::kNotRegularFile);
    ++tally.failed;
    return;
  }
  std::string base = std::filesystem::path(host_path).filename().string();
  TransferNames names;
  names.local = host_path;
  names.path.file = Files11NameForHost(base) + version;
  names.volume = shown + names.path.file;
  names.renamed = Files11NameForHost(base) != UpperCase(base);
  bool copied = PutOneFile(names, tally.bytes);
  ++(copied ? tally.copied : tally.failed);
}

// A host folder as directory NAME.DIR of the current one (made when missing, used when there),
// its files and then its folders copied into it.
void Shell::PutHostFolder(const std::string& host_path, const std::string& shown, SeveralFiles& tally) {
  std::string name = Files11DirectoryForHost(host_path);
  VolumePath below;
  below.has_directory = below.relative = true;
  below.components = {name};
  std::string shown_below = ShownBelow(shown, name);
  ods2::FileInfo info;
  if (engine_.DirSearch((name + ".DIR;1").c_str(), &info) != 0) {
    if (engine_.LastError() != ods2::ErrFileNotFound || engine_.MakeDirectory(name.c_str()) != 0) {
      ErrorMessage(msg::kCantCreateDirectory, shown_below.c_str(), ErrorText(engine_).c_str());
      ++tally.failed;
      return;
    }
    Print(msg::kDirectoryCreated, DirectoryText(below, state_.CurrentDirectory).c_str());
  }
  bool readable = false;
  std::vector<std::string> entries = HostFolderEntries(host_path, readable);
  if (!readable) {
    ErrorMessage(msg::kCantOpenSource, host_path.c_str(), SystemErrorText().c_str());
    ++tally.failed;
    return;
  }
  DirectoryVisit visit(engine_, state_);
  if (!visit.Enter(below)) {
    ++tally.failed;
    return;
  }
  for (const std::string& entry : entries) PutHostEntry(entry, "", shown_below, tally);
}

}  // namespace volxfer
