// The shell's state and the handlers of its commands. The loop reads a line, splits it into words
// and runs the command the first word selects, until a quit command or the end of the input.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "../ods2/engine.h"
#include "command_table.h"
#include "host_file.h"
#include "line_reader.h"
#include "progress_line.h"

namespace volxfer {

class DirectoryVisit;
struct TransferNames;
struct SeveralFiles;
struct VolumeTreeRequest;

struct ShellState {
  int ConnectedHandle = -1;
  std::string CurrentDirectory;
  std::string VolumeName;
  int TransferMode = 0;  // 0 binary ("I"), 1 ascii ("A")
  bool QuitRequested = false;
};

// Words separated by space, tab and line feed; double quotes group blanks into a word.
std::vector<std::string> SplitWords(std::string_view line);

class Shell {
 public:
  Shell();
  // Runs until a quit command or the end of input; the process exit status.
  int Run(LineReader& reader);
  // Runs one line as the loop would.
  void RunLine(const std::string& line);
  const ShellState& state() const { return state_; }
  // Where transfers draw their progress line (standard output unless a test gives another).
  void SetProgressTerminal(std::unique_ptr<ProgressTerminal> terminal) {
    progress_terminal_ = std::move(terminal);
  }

  // Command handlers (table entries).
  void Help(Words);
  void Ascii(Words);
  void Bin(Words);
  void Bye(Words);
  void Close(Words);
  void Debug(Words);
  void Mode(Words);
  void Open(Words);
  void Cd(Words);
  void Cdup(Words);
  void Dir(Words);
  void DirDate(Words);
  void DirFileId(Words);
  void DirProt(Words);
  void DirSize(Words);
  void Ls(Words);
  void Pwd(Words);
  void ShowDef(Words);
  void ShowDev(Words);
  void ShowDevFull(Words);
  void VolumeInformation(Words);
  void Get(Words);
  void Put(Words);
  void Lcd(Words);
  void MakeDirectory(Words);
  void Delete(Words);

 private:
  enum class ListingStyle { kBrief, kDate, kFileId, kProt, kSize };
  void Listing(Words words, ListingStyle style);
  void PrintListingEntry(const ods2::FileInfo& info, ListingStyle style);
  std::optional<std::string> ListingPattern(Words words, DirectoryVisit& visit);
  void ChangeDirectory(std::string word);
  void ChangeDirectoryByPath(const std::string& word);
  // One file each way, in the current volume directory, with the usual lines; true when it was
  // copied, the bytes that moved added to `bytes`.
  bool GetOneFile(const std::string& file, const std::string& local, const std::string& shown,
                  std::uint64_t& bytes);
  bool PutOneFile(const TransferNames& names, std::uint64_t& bytes);
  bool CopyOut(HostFile& host, const std::string& local, const std::string& volume_name,
               std::uint64_t& bytes);
  bool CopyIn(HostFile& host, const std::string& local, const std::string& volume_name, std::uint64_t size,
              std::uint64_t& bytes);
  void KeepRevisionTime(const std::string& local);
  bool MakeDirectoryLevel(const std::string& name, const std::string& text, bool last);
  void DeleteMatches(const std::string& word);
  // Several files (multi_transfer.cpp): patterns and trees, each way.
  void GetSeveral(Words words);
  void GetDirectory(const VolumeTreeRequest& request, const std::string& host_folder,
                    const std::string& shown, std::set<std::uint64_t>& walked, SeveralFiles& tally);
  void PutSeveral(Words words);
  void PutHostEntry(const std::string& host_path, const std::string& version, const std::string& shown,
                    SeveralFiles& tally);
  void PutHostFolder(const std::string& host_path, const std::string& shown, SeveralFiles& tally);

  ods2::Engine engine_;
  ShellState state_;
  std::unique_ptr<ProgressTerminal> progress_terminal_ = MakeStandardTerminal();
};

}  // namespace volxfer
