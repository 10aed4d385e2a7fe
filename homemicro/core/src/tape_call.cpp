// EMT 36, the tape call, served from host files in place of the cassette: the parameter block
// at R1 says save (2) or load (3), the file name and the memory area; the answer fields are
// filled as the machine's ROM would fill them.
//
// Addresses inside the parameter block and the data area are taken modulo 0200000: a block or
// an area that runs past 0177777 wraps to 0, so nothing outside the machine's memory is touched.
#include <string>
#include <vector>

#include "homemicro/core/machine.h"

namespace homemicro {
namespace {

constexpr uint16_t kLastFileAddressCell = 0264;
constexpr uint16_t kLastFileLengthCell = 0266;

enum : uint8_t { kCommandSave = 2, kCommandLoad = 3 };
enum : uint8_t { kAnswerDone = 0, kAnswerFailed = 2, kAnswerDeclined = 4 };

// Parameter block offsets.
constexpr uint16_t kAnswerOffset = 1, kAddressOffset = 2, kLengthOffset = 4, kNameOffset = 6;
constexpr uint16_t kAnswerAddressOffset = 026, kAnswerLengthOffset = 030, kAnswerNameOffset = 032;
constexpr int kNameBytes = 16;

constexpr std::string_view kOverwriteQuestion = " - файл уже есть. Переписать?";
constexpr std::string_view kOpenFailedMessage = "Ошибка при открытии файла - ";
constexpr std::string_view kTooLargeMessage = "Файл слишком велик для загрузки в ОЗУ БК";
constexpr std::string_view kWriteFailedMessage = "Ошибка при записи файла - ";
constexpr std::string_view kOpenDialogTitle = "Выберите файл для загрузки";
constexpr std::string_view kOpenDialogFilter =
    "Исполняемые файлы БК (bin)|*.bin|Файлы БК (bin,ovl,scr)|*.bin;*.ov*;*.scr|Файлы подгрузок (ovl)|*.ov*|"
    "Файлы экранов БК (scr)|*.scr|Все файлы|*.*";

constexpr size_t kMaxLoadSize = 65536;

class TapeCall {
 public:
  explicit TapeCall(Machine& m) : m_(m), block_(m.State().R[1]) {}

  void Serve() {
    const uint8_t command = m_.ReadByte(block_);
    address_ = m_.ReadWord(At(kAddressOffset));
    length_ = m_.ReadWord(At(kLengthOffset));
    answerAddress_ = address_;
    ReadName();
    if (command == kCommandSave && !Save()) return;
    if (command == kCommandLoad && !Load()) return;
    Complete();
  }

 private:
  uint16_t At(uint16_t offset) const { return static_cast<uint16_t>(block_ + offset); }

  // Name rules: at most 16 bytes, ended early by 012 or by a zero byte (the machine's BASIC
  // pads its names with zeros, and no host name can hold one); trailing blanks dropped; a
  // leading "|" means a file without header and is not part of the name.
  void ReadName() {
    for (int i = 0; i < kNameBytes; ++i) {
      const auto c = static_cast<char>(m_.ReadByte(At(static_cast<uint16_t>(kNameOffset + i))));
      if (c == '\012' || c == '\0') break;
      name_ += c;
    }
    while (!name_.empty() && name_.back() == ' ') name_.pop_back();
    if (!name_.empty() && name_.front() == '|') {
      withHeader_ = false;
      name_.erase(0, 1);
    }
  }

  // Ends the call with an answer other than success: the answer fields stay as they were.
  void Refuse(uint8_t answer) {
    m_.WriteByte(At(kAnswerOffset), answer);
    m_.ReturnFromTrap();
  }

  bool Fail(uint8_t answer) {
    Refuse(answer);
    return false;
  }

  void ShowError(const std::string& text) {
    m_.Host().StopRunTimer();
    m_.Host().ShowMessage(text, MessageIcon::Error);
    m_.Host().StartRunTimer();
  }

  bool Save() {
    HostServices& host = m_.Host();
    host.StopRunTimer();
    // There is no file to create for an empty name: the save is declined, as if refused.
    const bool refused = name_.empty() || (m_.Files().Find(name_) != HostEntry::Missing &&
                                           !host.AskYesNo(name_ + std::string(kOverwriteQuestion)));
    if (refused) {
      Refuse(kAnswerDeclined);
      host.StartRunTimer();
      return false;
    }
    host.StartRunTimer();
    const std::string systemError = m_.Files().Write(name_, FileBytes());
    if (!systemError.empty()) {
      // The program must learn that nothing was saved.
      ShowError(std::string(kWriteFailedMessage) + name_ + ": " + systemError);
      Refuse(kAnswerFailed);
      return false;
    }
    return true;
  }

  // The header (address, length) unless the name asked for none, then the memory area.
  std::vector<uint8_t> FileBytes() const {
    std::vector<uint8_t> bytes;
    if (withHeader_) {
      for (uint16_t word : {address_, length_}) {
        bytes.push_back(static_cast<uint8_t>(word & 0377));
        bytes.push_back(static_cast<uint8_t>(word >> 8));
      }
    }
    const auto& memory = m_.State().Memory;
    for (uint32_t i = 0; i < length_; ++i) bytes.push_back(memory[(address_ + i) & 0177777]);
    return bytes;
  }

  // The open dialog for an empty name; false when cancelled (the call is then finished).
  bool AskForFile() {
    HostServices& host = m_.Host();
    FrontEndSettings& settings = m_.Settings();
    host.StopRunTimer();
    const OpenFileRequest request{kOpenDialogTitle, kOpenDialogFilter, "bin", m_.Files().CurrentDirectory()};
    const std::optional<std::string> chosen = host.OpenFileDialog(request);
    if (!chosen) Refuse(kAnswerFailed);
    // The dialog swallowed the release of the key that started the load.
    settings.KeyHeld = false;
    settings.KeyPending = false;
    host.StartRunTimer();
    if (chosen) name_ = *chosen;
    return chosen.has_value();
  }

  bool Load() {
    if (name_.empty() && !AskForFile()) return false;
    if (m_.Files().Find(name_) == HostEntry::Missing) return Fail(kAnswerFailed);
    // One byte more than fits tells a file that is too large without reading all of it.
    const HostFileContents file = m_.Files().Read(name_, kMaxLoadSize + 1);
    if (!file.Opened) {
      ShowError(std::string(kOpenFailedMessage) + name_);
      return Fail(kAnswerFailed);
    }
    if (file.Size > kMaxLoadSize) {
      ShowError(std::string(kTooLargeMessage));
      return Fail(kAnswerFailed);
    }
    size_t dataStart = 0;
    if (withHeader_) {
      if (file.Bytes.size() < 4) return Fail(kAnswerFailed);  // no room for the header
      answerAddress_ = static_cast<uint16_t>(file.Bytes[0] | (file.Bytes[1] << 8));
      if (address_ == 0) address_ = answerAddress_;
      dataStart = 4;
    }
    const auto dataBytes = static_cast<size_t>(file.Size) - dataStart;
    length_ = static_cast<uint16_t>(dataBytes);
    // Bytes read before a failure stay in memory.
    auto& memory = m_.State().Memory;
    for (size_t i = dataStart; i < file.Bytes.size(); ++i)
      memory[(address_ + i - dataStart) & 0177777] = file.Bytes[i];
    return file.Bytes.size() == file.Size || Fail(kAnswerFailed);
  }

  void Complete() {
    m_.WriteWord(kLastFileAddressCell, address_);
    m_.WriteWord(kLastFileLengthCell, length_);
    m_.WriteWord(At(kAnswerAddressOffset), answerAddress_);
    m_.WriteWord(At(kAnswerLengthOffset), length_);
    for (uint16_t i = 0; i < kNameBytes; ++i)
      m_.WriteByte(At(static_cast<uint16_t>(kAnswerNameOffset + i)),
                   m_.ReadByte(At(static_cast<uint16_t>(kNameOffset + i))));
    m_.WriteByte(At(kAnswerOffset), kAnswerDone);
    m_.ReturnFromTrap();
  }

  Machine& m_;
  const uint16_t block_;
  uint16_t address_ = 0, length_ = 0;
  uint16_t answerAddress_ = 0;  // F after a load with header, else the block's address
  std::string name_;
  bool withHeader_ = true;
};

}  // namespace

void Machine::ServeTapeCall() {
  // The call enters like a real EMT, so the frame is there for ReturnFromTrap on every way out;
  // a frame refused by the ROM write trap makes it a bus error instead.
  if (!PushTrapFrame()) {
    state_.BusErrorRaised = 1;
    state_.R[kPC] = ReadWord(kBusErrorVector);
    return;
  }
  TapeCall(*this).Serve();
}

}  // namespace homemicro
