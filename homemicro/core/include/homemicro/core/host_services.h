// What the machine core needs from the program around it: the front-end settings it reads and
// writes, the host services it calls on rare host events (never per instruction), and the host's
// files, which the core reaches only through HostFiles.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace homemicro {

// One instance, owned by the front end; the core keeps a reference and reads it directly.
struct FrontEndSettings {
  int32_t StartAddress = 100000;  // decimal digits are the octal digits (see Oct)
  std::string RomFileName = "homemicro.rom";
  std::string StartDirectory;   // where the ROM is read; empty means the current directory
  bool RomWriteControl = true;  // writes into 0100000..0177577 take the bus-error trap
  bool SoundOn = true;
  uint16_t SpeakerPortValue = 0;  // bit 1 follows bit 6 of each word written to 0177716
  bool KeyHeld = false;           // 0177716 bit 6 reads 0 while set
  bool KeyPending = false;        // cleared by the tape call after its open dialog
};

enum class MessageIcon { Error, Information };

// The open dialog of the tape call's load with an empty name.
struct OpenFileRequest {
  std::string_view Title;
  std::string_view Filter;            // "Caption|patterns|Caption|patterns..."
  std::string_view DefaultExtension;  // without the dot
  std::string InitialDirectory;       // the host's current directory
};

class HostServices {
 public:
  virtual ~HostServices() = default;
  // Message box with the caption "Emul".
  virtual void ShowMessage(std::string_view text, MessageIcon icon) = 0;
  // Question box with the caption "Emul", warning icon, buttons Yes and No; true for Yes.
  virtual bool AskYesNo(std::string_view text) = 0;
  // The run timer that drives the run loop.
  virtual void StopRunTimer() = 0;
  virtual void StartRunTimer() = 0;
  // The open dialog; the chosen file's full name, or nothing when cancelled.
  virtual std::optional<std::string> OpenFileDialog(const OpenFileRequest& request) = 0;
  // A fatal condition (the ROM image cannot be read, after its message): the program must end
  // once control returns to the front end; the ROM area is left as it was.
  virtual void EndProgram() = 0;
};

enum class HostEntry { Missing, File, Other };  // Other: a folder or anything not a plain file

struct HostFileContents {
  bool Opened = false;         // false: there is something by that name, but it cannot be read
  uint64_t Size = 0;           // the whole file's size
  std::vector<uint8_t> Bytes;  // its first min(Size, limit) bytes; fewer when a read failed
};

// The host's files by name (relative names from the host's current folder): the ROM image and
// the tape call's files. The front end gives the disk; tests give an in-memory set.
class HostFiles {
 public:
  virtual ~HostFiles() = default;
  virtual HostEntry Find(const std::string& name) = 0;
  virtual HostFileContents Read(const std::string& name, std::size_t limit) = 0;
  // Creates or replaces the file with exactly `bytes`; a failed write leaves an existing file as
  // it was. The system's error text, or "" on success.
  virtual std::string Write(const std::string& name, std::span<const uint8_t> bytes) = 0;
  // The host's current folder, where the open dialog starts.
  virtual std::string CurrentDirectory() = 0;
};

}  // namespace homemicro
