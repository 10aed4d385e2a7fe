// A host for benchmark programs that ask nothing of it: no messages, no dialogs, no files.
#pragma once

#include <optional>
#include <string>

#include "homemicro/core/machine.h"

namespace bench {

class SilentHost : public homemicro::HostServices {
 public:
  void ShowMessage(std::string_view, homemicro::MessageIcon) override {}
  bool AskYesNo(std::string_view) override { return false; }
  void StopRunTimer() override {}
  void StartRunTimer() override {}
  std::optional<std::string> OpenFileDialog(const homemicro::OpenFileRequest&) override {
    return std::nullopt;
  }
  void EndProgram() override {}
};

class NoFiles : public homemicro::HostFiles {
 public:
  homemicro::HostEntry Find(const std::string&) override { return homemicro::HostEntry::Missing; }
  homemicro::HostFileContents Read(const std::string&, std::size_t) override { return {}; }
  std::string Write(const std::string&, std::span<const uint8_t>) override { return "no files here"; }
  std::string CurrentDirectory() override { return "/"; }
};

}  // namespace bench
