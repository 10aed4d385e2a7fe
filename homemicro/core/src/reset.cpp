// The hard reset and the ROM image load.
#include <algorithm>
#include <filesystem>
#include <string>

#include "homemicro/core/machine.h"
#include "homemicro/core/oct.h"

namespace homemicro {
namespace {
constexpr std::string_view kRomMissingMessage = "Не найден файл ПЗУ - ";
constexpr std::string_view kRomUnreadableMessage = "Ошибка при загрузке файла ПЗУ";
}  // namespace

void Machine::LoadRom() {
  for (uint16_t a = 0; a < kRomStart; a += 2) WriteWord(a, 0000401);

  const std::filesystem::path path =
      settings_.StartDirectory.empty()
          ? std::filesystem::path(settings_.RomFileName)
          : std::filesystem::path(settings_.StartDirectory) / settings_.RomFileName;
  // An empty file name names no file (the directory alone must not count as the ROM).
  if (settings_.RomFileName.empty() || files_.Find(path.string()) == HostEntry::Missing) {
    host_.StopRunTimer();
    host_.ShowMessage(std::string(kRomMissingMessage) + path.string(), MessageIcon::Error);
    return;  // the ROM area keeps what it held
  }
  // A file that exists but cannot be opened is treated like one that cannot be read: the
  // message, then the end of the program (an unguarded error would crash the start-up).
  const HostFileContents image = files_.Read(path.string(), kRomImageSize);
  if (!image.Opened || image.Bytes.size() < kRomImageSize) {
    host_.StopRunTimer();
    host_.ShowMessage(kRomUnreadableMessage, MessageIcon::Error);
    host_.EndProgram();
    return;
  }
  std::copy_n(image.Bytes.begin(), kRomImageSize, state_.Memory.begin() + kRomStart);
}

void Machine::HardReset() {
  LoadRom();
  KeyboardReset();
  PokeWord(kScrollRegister, 01330);
  state_.TimerCounter = 0;
  state_.TimerControl = 0;
  WriteWord(kTimerReloadRegister, 0);
  for (int n = 0; n < 6; ++n) state_.R[n] = 0;
  state_.R[kSP] = 01000;
  state_.R[kPC] = static_cast<uint16_t>(Oct(settings_.StartAddress));
  state_.FlagN = state_.FlagZ = state_.FlagV = state_.FlagC = 0;
}

}  // namespace homemicro
