// Listing and volume display commands: the dir family, ls, cd/cdup, pwd, show_def, show_dev,
// show_dev/full (status) and vi. The device is always shown as DKA100:.
#include <algorithm>
#include <cctype>
#include <cstdio>

#include "directory_visit.h"
#include "messages.h"
#include "output.h"
#include "shell.h"

namespace volxfer {

namespace {
constexpr const char* kMonths[] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                   "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
constexpr std::size_t kNameColumnWidth = 19;
constexpr std::size_t kDirectoryWordLimit = 83;

std::string DateText(const ods2::BrokenDownDate& d) {
  char text[64];
  const char* month = d.month >= 1 && d.month <= 12 ? kMonths[d.month - 1] : "";
  std::snprintf(text, sizeof text, msg::kDateText, d.day, month, d.century * 100 + d.year, d.hour, d.minute,
                d.second, d.hundredths);
  return text;
}

// R, W, E, D for each access a group grants, groups separated by commas.
std::string ProtectionText(const std::array<std::uint8_t, 4>& groups) {
  std::string text;
  for (std::size_t g = 0; g < groups.size(); ++g) {
    if (g > 0) text += ',';
    for (int bit = 0; bit < 4; ++bit)
      if (!(groups[g] & (1 << bit))) text += "RWED"[bit];
  }
  return text;
}

void PrintNameColumn(const std::string& name) {
  Print(msg::kNameColumn, name.c_str());
  Print("%s", name.size() > kNameColumnWidth ? msg::kNameColumnWrap : msg::kNameColumnGap);
}
}  // namespace

void Shell::PrintListingEntry(const ods2::FileInfo& info, ListingStyle style) {
  if (style == ListingStyle::kBrief) {
    Print("%s\n", info.name.c_str());
    return;
  }
  PrintNameColumn(info.name);
  switch (style) {
    case ListingStyle::kDate:
      Print("%s", DateText(info.creation).c_str());
      break;
    case ListingStyle::kFileId:
      Print(msg::kFileIdColumn, static_cast<unsigned long>(info.file_number),
            static_cast<unsigned>(info.sequence), static_cast<unsigned>(info.rvn));
      break;
    case ListingStyle::kProt:
      Print("(%s)", ProtectionText(info.protection).c_str());
      break;
    default:
      Print(msg::kSizeColumn, static_cast<unsigned long>(info.used_blocks),
            static_cast<unsigned long>(info.allocated_blocks));
      break;
  }
  Print("\n");
}

// The pattern of a listing's word within the directory its path names (entered by `visit`).
std::optional<std::string> Shell::ListingPattern(Words words, DirectoryVisit& visit) {
  if (words.empty()) return msg::kDefaultPattern;
  std::optional<VolumePath> path = SplitVolumePath(words[0]);
  if (!path) {
    ErrorMessage(msg::kBadDirectoryPart, words[0].c_str());
    return std::nullopt;
  }
  if (!visit.Enter(*path)) return std::nullopt;
  if (path->file.empty()) return msg::kDefaultPattern;
  return path->file;
}

void Shell::Listing(Words words, ListingStyle style) {
  ods2::FileInfo info;
  DirectoryVisit visit(engine_, state_);
  std::optional<std::string> wanted = ListingPattern(words, visit);
  if (!wanted) return;
  const std::string& pattern = *wanted;
  if (engine_.DirSearch(pattern.c_str(), &info) != 0) {
    if (engine_.LastError() == ods2::ErrFileNotFound)
      InfoMessage(msg::kNoFiles);
    else
      ErrorMessage(msg::kPlainText, ErrorText(engine_).c_str());
    return;
  }
  Print(msg::kDirectoryHeader, state_.CurrentDirectory.c_str());
  int count = 0;
  unsigned long used = 0, allocated = 0;
  do {
    // An entry whose header is damaged shows its name and why, and the listing goes on.
    bool damaged = engine_.LastError() != ods2::ErrNone;
    PrintListingEntry(info, damaged ? ListingStyle::kBrief : style);
    if (damaged) ErrorMessage(msg::kPlainText, ErrorText(engine_).c_str());
    ++count;
    used += info.used_blocks;
    allocated += info.allocated_blocks;
  } while (engine_.DirSearch(pattern.c_str(), &info) == 0);
  // A listing cut short by a damaged entry says so instead of passing for complete.
  if (engine_.LastError() != ods2::ErrFileNotFound) ErrorMessage(msg::kPlainText, ErrorText(engine_).c_str());
  if (style == ListingStyle::kSize)
    Print(msg::kTotalFilesBlocks, count, used, allocated);
  else
    Print(msg::kTotalFiles, count);
}

void Shell::Dir(Words words) {
  Listing(words, ListingStyle::kBrief);
}
void Shell::DirDate(Words words) {
  Listing(words, ListingStyle::kDate);
}
void Shell::DirFileId(Words words) {
  Listing(words, ListingStyle::kFileId);
}
void Shell::DirProt(Words words) {
  Listing(words, ListingStyle::kProt);
}
void Shell::DirSize(Words words) {
  Listing(words, ListingStyle::kSize);
}

void Shell::Ls(Words words) {
  DirectoryVisit visit(engine_, state_);
  std::optional<std::string> wanted = ListingPattern(words, visit);
  if (!wanted) return;
  const std::string& pattern = *wanted;
  Print(msg::kLsHeader, state_.CurrentDirectory.c_str());
  ods2::FileInfo info;
  int count = 0;
  while (engine_.DirSearch(pattern.c_str(), &info) == 0) {
    if (engine_.LastError() != ods2::ErrNone) {
      Print("%s\n", info.name.c_str());
      ErrorMessage(msg::kPlainText, ErrorText(engine_).c_str());
      ++count;
      continue;
    }
    Print(msg::kLsEntry, info.name.c_str(), info.owner_member, info.owner_group);
    // Files of 2 GiB and more: the byte count is taken and shown in 64 bits.
    std::uint64_t bytes = info.eof_vbn != 0 ? (info.eof_vbn - 1ull) * 512u + info.first_free_byte : 0;
    Print(msg::kLsSize, static_cast<unsigned long>(info.eof_vbn), static_cast<unsigned long long>(bytes));
    Print("%s", ProtectionText(info.protection).c_str());
    Print("%s%s", msg::kLsCreated, DateText(info.creation).c_str());
    Print("%s%s\n", msg::kLsRevised, DateText(info.revision).c_str());
    ++count;
  }
  if (engine_.LastError() != ods2::ErrFileNotFound) ErrorMessage(msg::kCantList, ErrorText(engine_).c_str());
  Print(msg::kLsTotal, count);
}

void Shell::Cd(Words words) {
  if (words.size() != 1) {
    ErrorMessage(msg::kCdUsage);
    return;
  }
  ChangeDirectory(words[0]);
}

void Shell::Cdup(Words) {
  ChangeDirectory("..");
}

void Shell::ChangeDirectory(std::string word) {
  if (word.size() > kDirectoryWordLimit) {
    ErrorMessage(msg::kCdTooLong);
    return;
  }
  std::transform(word.begin(), word.end(), word.begin(), [](unsigned char c) { return std::toupper(c); });
  std::size_t dot = word.find('.');
  std::string display = dot == std::string::npos ? word : word.substr(0, dot);
  std::string specification = dot == std::string::npos ? word + ".DIR;1" : word;
  if (specification.find("000000") != std::string::npos) return;
  std::string& current = state_.CurrentDirectory;
  if (word.starts_with('[') || word.starts_with('<')) {
    ChangeDirectoryByPath(word);
    return;
  }
  if (word == "..") {
    if (engine_.ChangeDirUp() != 0) {
      ErrorMessage(msg::kCantOpenDirectory, specification.c_str(), ErrorText(engine_).c_str());
      return;
    }
    if (std::size_t last = current.rfind('.'); last != std::string::npos)
      current = current.substr(0, last) + "]";
  } else {
    if (engine_.ChangeDir(specification.c_str()) != 0) {
      ErrorMessage(msg::kCantOpenDirectory, specification.c_str(), ErrorText(engine_).c_str());
      return;
    }
    if (!current.empty()) current.pop_back();
    current += "." + display + "]";
  }
  Print(msg::kWorkingDirectory, current.c_str());
}

void Shell::ChangeDirectoryByPath(const std::string& word) {
  std::optional<VolumePath> path = SplitVolumePath(word);
  if (!path || !path->file.empty()) {
    ErrorMessage(msg::kBadDirectoryPart, word.c_str());
    return;
  }
  DirectoryVisit visit(engine_, state_);
  if (state_.ConnectedHandle == -1) {
    ErrorMessage(msg::kCantOpenDirectory, word.c_str(), ErrorText(engine_).c_str());
    return;
  }
  if (!visit.Enter(*path)) return;
  visit.Keep();
  Print(msg::kWorkingDirectory, state_.CurrentDirectory.c_str());
}

void Shell::Pwd(Words) {
  Print(msg::kPwd, state_.CurrentDirectory.c_str());
}
void Shell::ShowDef(Words) {
  Print(msg::kShowDef, state_.CurrentDirectory.c_str());
}

void Shell::ShowDev(Words) {
  ods2::VolumeInfo info;
  bool mounted = engine_.VolumeQuery(&info) == 0;
  Print("%s", msg::kShowDevHeader);
  if (mounted)
    Print(msg::kShowDevMounted, info.label.c_str(), static_cast<unsigned long>(info.free_blocks));
  else
    Print("%s", msg::kShowDevOnline);
}

void Shell::ShowDevFull(Words) {
  ods2::VolumeInfo info;
  bool mounted = engine_.VolumeQuery(&info) == 0;
  Print("%s", msg::kFullDisk);
  if (mounted) Print("%s", msg::kFullMounted);
  Print("%s%s", msg::kFullFileOriented, msg::kFullErrorCount);
  Print(msg::kFullOwnerProcess, info.owner_name.c_str());
  Print("%s", msg::kFullProcessId);
  Print(msg::kFullTotalBlocks, static_cast<unsigned long>(info.total_blocks),
        static_cast<unsigned long>(info.sectors_per_track));
  Print(msg::kFullCylinders, static_cast<unsigned long>(info.cylinders),
        static_cast<unsigned long>(info.tracks_per_cylinder));
  if (!mounted) return;
  Print(msg::kFullLabel, info.label.c_str(), static_cast<unsigned>(info.volume_number));
  Print(msg::kFullCluster, static_cast<unsigned>(info.cluster_factor));
  Print(msg::kFullFreeBlocks, static_cast<unsigned long>(info.free_blocks),
        static_cast<unsigned long>(info.max_files));
  Print(msg::kFullExtend, static_cast<unsigned>(info.extend_quantity));
  Print("%s", msg::kFullFixed);
  Print(msg::kFullVolumeOwner, info.owner_name.c_str());
  Print("%s", msg::kFullStatus);
}

void Shell::VolumeInformation(Words) {
  ods2::VolumeInfo info;
  if (engine_.VolumeQuery(&info) != 0) {
    ErrorMessage(msg::kCannotQueryVolume, ErrorText(engine_).c_str());
    return;
  }
  Print(msg::kViImage, state_.VolumeName.c_str());
  Print(msg::kViLabel, info.label.c_str());
  Print(msg::kViOwner, info.owner_name.c_str());
  Print(msg::kViSize, static_cast<int>(info.total_blocks));
  Print(msg::kViSectors, static_cast<int>(info.sectors_per_track));
  Print(msg::kViCylinder, static_cast<int>(info.cylinders));
  Print(msg::kViTracks, static_cast<int>(info.tracks_per_cylinder));
  Print(msg::kViRvn, static_cast<int>(info.volume_number));
  Print(msg::kViCluster, static_cast<int>(info.cluster_factor));
  Print(msg::kViMaxFiles, static_cast<int>(info.max_files));
  Print(msg::kViExtend, static_cast<int>(info.extend_quantity));
  Print(msg::kViFreeBlocks, static_cast<int>(info.free_blocks));
}

}  // namespace volxfer
