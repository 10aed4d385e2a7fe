// The engine's entry points that make and remove directory entries: mkdir and delete.
#include <algorithm>
#include <array>

#include "directory.h"
#include "directory_creation.h"
#include "engine.h"
#include "file_removal.h"

namespace ods2 {

int Engine::MakeDirectory(const char* name, FileId* created) {
  if (!volume_) return -1;
  SetError(ErrNone);
  if (!name) {
    SetError(ErrInvalidArgument);
    return -1;
  }
  FileId id;
  if (!CreateDirectory(*volume_, current_directory_->first_header().file_id(), name, id)) return -1;
  if (created) *created = id;
  return 0;
}

namespace {
// The files every ODS-2 volume keeps in its master directory, whatever numbers they carry.
constexpr std::array<std::string_view, 9> kReservedNames = {"INDEXF.SYS", "BITMAP.SYS", "BADBLK.SYS",
                                                            "000000.DIR", "CORIMG.SYS", "VOLSET.SYS",
                                                            "CONTIN.SYS", "BACKUP.SYS", "BADLOG.SYS"};

// The home block counts the reserved files by number (9 on volumes VMS initializes).
bool IsReserved(const Volume& volume, const FileId& directory, std::string_view name, const FileId& file) {
  if (file.FileNumber() <= volume.home_block().reserved_files()) return true;
  return directory == kMasterDirectoryId &&
         std::find(kReservedNames.begin(), kReservedNames.end(), name) != kReservedNames.end();
}
}  // namespace

int Engine::DeleteFiles(const char* specification, std::vector<Deletion>& deletions,
                        const std::vector<FileId>& in_use) {
  deletions.clear();
  if (!volume_) return -1;
  SetError(ErrNone);
  if (!specification) {
    SetError(ErrInvalidArgument);
    return -1;
  }
  if (volume_->read_only()) {
    SetError(ErrReadOnly);
    return -1;
  }
  // Every match is found before anything is removed: removal rewrites the directory.
  const FileId directory = current_directory_->first_header().file_id();
  std::vector<LookupResult> matches;
  std::uint32_t cursor = 0;
  while (auto found = Lookup(*volume_, true, directory, cursor, specification)) matches.push_back(*found);
  if (volume_->error() != ErrFileNotFound) return -1;  // a damaged directory is left alone
  if (matches.empty()) return -1;
  std::vector<FileId> keep = in_use;
  keep.push_back(directory);
  keep.insert(keep.end(), entered_from_.begin(), entered_from_.end());
  for (const LookupResult& match : matches) deletions.push_back(DeleteOne(match, keep));
  SetError(ErrNone);
  if (!volume_->Flush()) SetError(ErrDrive);
  return 0;
}

Engine::Deletion Engine::DeleteOne(const LookupResult& match, const std::vector<FileId>& in_use) {
  Deletion deletion{match.name};
  const FileId directory = current_directory_->first_header().file_id();
  FileSpecification spec = ParseSpecification(match.name);
  auto fail = [&](Kept why) {
    deletion.kept = why;
    deletion.code = volume_->error();
    return deletion;
  };
  if (IsReserved(*volume_, directory, spec.name, match.id)) return fail(Kept::kReserved);
  OpenFile file;
  if (!file.Access(*volume_, kNoWindow, match.id)) return fail(Kept::kFailed);
  bool is_directory = file.first_header().is_directory();
  file.Deaccess();
  if (is_directory) {
    if (std::find(in_use.begin(), in_use.end(), match.id) != in_use.end()) return fail(Kept::kDirectoryInUse);
    std::optional<bool> empty = DirectoryIsEmpty(*volume_, match.id);
    if (!empty) return fail(Kept::kFailed);
    if (!*empty) return fail(Kept::kDirectoryNotEmpty);
  }
  if (!RemoveFile(*volume_, directory, spec.name, static_cast<std::uint16_t>(spec.version), match.id))
    return fail(Kept::kFailed);
  return deletion;
}

}  // namespace ods2
