// The transfer commands: get and recv copy a file of the current volume directory to a host file,
// put copies a host file into it, lcd moves the host's current directory. The engine's stream and
// the host file are closed on every path.
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>
#include <array>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <optional>

#include "directory_visit.h"
#include "host_file.h"
#include "messages.h"
#include "multi_transfer.h"
#include "output.h"
#include "progress_line.h"
#include "shell.h"
#include "transfer_names.h"

namespace volxfer {

namespace {
constexpr std::size_t kLocalNameLimit = 256;
constexpr std::size_t kChunk = 512;
// get writes here beside the host file and renames it when the copy is complete, so a failed get
// leaves nothing behind and an existing file of that name as it was.
constexpr char kPartialSuffix[] = ".volxfer-partial";

struct PartialHostFile {
  std::string path;  // cleared once the file took its own name
  ~PartialHostFile() {
    if (!path.empty()) ::unlink(path.c_str());
  }
};
// Blocks the 32-bit size fields of a file header describe.
constexpr std::uint64_t kLargestFileBlocks = UINT32_MAX - 1;

std::optional<VolumePath> ParsePath(const std::string& word) {
  std::optional<VolumePath> path = SplitVolumePath(word);
  if (!path) ErrorMessage(msg::kBadDirectoryPart, word.c_str());
  return path;
}

bool FitsLocalName(const std::string& local) {
  if (local.size() < kLocalNameLimit) return true;
  ErrorMessage(msg::kHostNameTooLong);
  return false;
}

// get REMOTE [LOCAL]: the host name is LOCAL, or the volume name up to its ";" as typed.
std::optional<TransferNames> NamesForGet(Words words) {
  std::optional<VolumePath> path = ParsePath(words[0]);
  if (!path) return std::nullopt;
  TransferNames names{words.size() > 1 ? words[1] : path->file.substr(0, path->file.find(';')),
                      UpperCase(words[0]), *path};
  names.path.file = UpperCase(names.path.file);
  if (!FitsLocalName(names.local)) return std::nullopt;
  return names;
}

// put LOCAL [REMOTE]: without REMOTE the volume name comes from the host name (up to its ";",
// with the version after it), made into one ODS-2 holds; a name changed so is shown.
std::optional<TransferNames> NamesForPut(Words words) {
  const std::string& word = words[0];
  if (words.size() > 1) {
    std::optional<VolumePath> path = ParsePath(words[1]);
    if (!path) return std::nullopt;
    TransferNames names{word, UpperCase(words[1]), *path};
    names.path.file = UpperCase(names.path.file);
    if (names.path.file.empty()) {  // a directory alone: the name comes from the host name
      names.path.file = Files11NameForHost(word);
      names.volume += names.path.file;
      names.renamed = names.path.file != UpperCase(word);
    }
    if (!FitsLocalName(names.local)) return std::nullopt;
    return names;
  }
  std::size_t semicolon = word.find(';');
  std::string local = word.substr(0, semicolon);
  if (!FitsLocalName(local)) return std::nullopt;
  std::string version = semicolon == std::string::npos ? "" : UpperCase(word.substr(semicolon));
  std::string volume = Files11NameForHost(local) + version;
  VolumePath path;
  path.file = volume;
  return TransferNames{local, volume, path, volume != UpperCase(word)};
}
}  // namespace

void Shell::Get(Words words) {
  if (words.empty()) {
    ErrorMessage(msg::kTransferUsage);
    return;
  }
  if (NamesSeveralFiles(words[0])) {
    GetSeveral(words);
    return;
  }
  std::optional<TransferNames> names = NamesForGet(words);
  if (!names) return;
  DirectoryVisit visit(engine_, state_);
  if (!visit.Enter(names->path)) return;
  std::uint64_t bytes = 0;
  GetOneFile(names->path.file, names->local, names->volume, bytes);
}

bool Shell::GetOneFile(const std::string& file, const std::string& local, const std::string& shown,
                       std::uint64_t& bytes) {
  if (engine_.StreamOpen(file.c_str(), state_.TransferMode == 1) != 0) {
    ErrorMessage(msg::kCantOpenFile, shown.c_str(), ErrorText(engine_).c_str());
    return false;
  }
  struct stat target {};
  bool folder = ::stat(local.c_str(), &target) == 0 && S_ISDIR(target.st_mode);
  if (folder) errno = EISDIR;
  PartialHostFile partial{local + kPartialSuffix};
  HostFile host;
  if (folder || !host.CreateForWriting(partial.path)) {
    ErrorMessage(msg::kCantOpenDestination, local.c_str(), SystemErrorText().c_str());
    engine_.StreamClose();
    return false;
  }
  Print(msg::kCopyingOut, shown.c_str(), local.c_str());
  bool copied = CopyOut(host, local, shown, bytes);
  if (copied) {
    KeepRevisionTime(partial.path);
    copied = ::rename(partial.path.c_str(), local.c_str()) == 0;
    if (copied) {
      partial.path.clear();
      Print(msg::kTransferComplete);
    } else {
      ErrorMessage(msg::kErrorWritingDestination, local.c_str(), SystemErrorText().c_str());
    }
  }
  host.Close();
  engine_.StreamClose();
  return copied;
}

// True when the whole file is in the host file and that is closed; `bytes` counts what was written.
bool Shell::CopyOut(HostFile& host, const std::string& local, const std::string& volume_name,
                    std::uint64_t& bytes) {
  std::array<std::uint8_t, kChunk> buffer{};
  const ods2::StreamFile* stream = engine_.stream();
  ProgressLine progress(progress_terminal_.get(), stream ? stream->first_header().FileSize() : 0);
  for (;;) {
    std::int64_t n =
        engine_.LastError() == ods2::ErrEof ? 0 : engine_.StreamRead(buffer.data(), buffer.size());
    if (n < 0) {
      progress.Clear();
      if (engine_.LastError() == ods2::ErrNone) return host.Close();
      ErrorMessage(msg::kErrorReadingSource, volume_name.c_str(), ErrorText(engine_).c_str());
      return false;
    }
    bool written = host.Write(std::span(buffer).first(static_cast<std::size_t>(n)));
    bytes += static_cast<std::uint64_t>(n);
    // The host file is complete on disk before the transfer is called complete.
    if (written && engine_.LastError() == ods2::ErrEof) written = host.Close();
    if (!written) {
      progress.Clear();
      ErrorMessage(msg::kErrorWritingDestination, local.c_str(), SystemErrorText().c_str());
      return false;
    }
    if (engine_.LastError() == ods2::ErrEof) return true;
    progress.Advance(stream->position);
  }
}

// The host copy carries the file's revision date as its modification time.
void Shell::KeepRevisionTime(const std::string& local) {
  std::int64_t seconds = 0;
  long nanoseconds = 0;
  if (!engine_.StreamRevisionTime(seconds, nanoseconds)) return;
  struct timespec times[2] = {{0, UTIME_NOW}, {static_cast<time_t>(seconds), nanoseconds}};
  ::utimensat(AT_FDCWD, local.c_str(), times, 0);  // a copy without its date is still the copy
}

void Shell::Put(Words words) {
  ods2::VolumeInfo info;
  if (engine_.VolumeQuery(&info) != 0) {
    ErrorMessage(msg::kVolumeNotMounted);
    return;
  }
  if (words.empty()) {
    ErrorMessage(msg::kTransferUsage);
    return;
  }
  if (PutNamesSeveralFiles(words[0])) {
    PutSeveral(words);
    return;
  }
  std::optional<TransferNames> names = NamesForPut(words);
  if (!names) return;
  DirectoryVisit visit(engine_, state_);
  if (!visit.Enter(names->path)) return;
  std::uint64_t bytes = 0;
  PutOneFile(*names, bytes);
}

bool Shell::PutOneFile(const TransferNames& names, std::uint64_t& bytes) {
  const char* local = names.local.c_str();
  const char* volume_name = names.volume.c_str();
  HostFile host;
  if (!host.OpenForReading(names.local)) {
    ErrorMessage(msg::kCantOpenSource, local, SystemErrorText().c_str());
    return false;
  }
  std::uint64_t size = 0;
  if (!host.Size(size)) return false;  // the host file closes with `host`
  if (names.renamed) InfoMessage(msg::kHostNameStoredAs, local, names.path.file.c_str());
  std::uint64_t blocks = size == 0 ? 1 : (size + kChunk - 1) / kChunk;
  if (blocks > kLargestFileBlocks) {
    ErrorMessage(msg::kSourceTooLarge, local);
    return false;
  }
  ods2::VolumeInfo info;
  engine_.VolumeQuery(&info);
  const ods2::Engine::BinaryFormat& format = engine_.binary_format();
  if (state_.TransferMode == 0 && format.whole_records && size % format.record_size != 0) {
    ErrorMessage(msg::kNotWholeRecords, local, static_cast<unsigned long long>(size),
                 static_cast<unsigned>(format.record_size));
    return false;
  }
  if (blocks >= info.free_blocks) {
    ErrorMessage(msg::kExceedsFreeSpace, static_cast<unsigned long long>(blocks),
                 static_cast<unsigned long>(info.free_blocks));
    return false;
  }
  if (engine_.StreamCreate(names.path.file.c_str(), state_.TransferMode == 1,
                           static_cast<std::uint32_t>(blocks)) != 0) {
    ErrorMessage(msg::kCantCreateDestination, volume_name, ErrorText(engine_).c_str());
    return false;
  }
  Print(msg::kCopyingIn, local, static_cast<unsigned long>(size), volume_name);
  return CopyIn(host, names.local, names.volume, size, bytes);
}

bool Shell::CopyIn(HostFile& host, const std::string& local, const std::string& volume_name,
                   std::uint64_t size, std::uint64_t& bytes) {
  std::array<std::uint8_t, kChunk> buffer{};
  ProgressLine progress(progress_terminal_.get(), size);
  std::uint64_t done = 0;
  for (;;) {
    std::int64_t n = host.Read(buffer);
    if (n < 0) {
      progress.Clear();
      ErrorMessage(msg::kErrorReadingSource, local.c_str(), SystemErrorText().c_str());
      break;
    }
    if (n == 0) {
      // Everything of the file is on disk before the transfer is called complete.
      host.Close();
      bool closed = engine_.StreamClose() == 0;
      progress.Clear();
      if (closed) {
        Print(msg::kTransferComplete);
        bytes += done;
      } else {
        ErrorMessage(msg::kErrorWritingDestination, volume_name.c_str(), ErrorText(engine_).c_str());
      }
      return closed;
    }
    std::int64_t written = engine_.StreamWrite(buffer.data(), static_cast<std::size_t>(n));
    if (written < n) {
      progress.Clear();
      ErrorMessage(msg::kErrorWritingDestination, volume_name.c_str(), ErrorText(engine_).c_str());
      break;
    }
    done += static_cast<std::uint64_t>(n);
    progress.Advance(done);
  }
  host.Close();
  // A transfer that failed leaves no part of the file on the volume.
  engine_.StreamDiscard();
  return false;
}

void Shell::Lcd(Words words) {
  if (words.empty()) {
    ErrorMessage(msg::kLcdUsage);
    return;
  }
  if (::chdir(words[0].c_str()) != 0) {
    ErrorMessage(msg::kLcdNotFound, words[0].c_str(), SystemErrorText().c_str());
    return;
  }
  std::array<char, PATH_MAX> directory{};
  if (!::getcwd(directory.data(), directory.size())) directory[0] = '\0';
  Print(msg::kLocalDirectory, directory.data());
}

}  // namespace volxfer
