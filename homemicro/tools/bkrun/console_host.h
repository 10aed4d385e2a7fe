// The host services of the core for a run without a window: message boxes go to standard
// error, questions and the open dialog are answered from the command line.
#pragma once

#include <cstdio>
#include <optional>
#include <string>

#include "homemicro/core/host_services.h"

namespace bkrun {

class ConsoleHost : public homemicro::HostServices {
 public:
  ConsoleHost(bool overwriteAnswer, std::optional<std::string> openFile)
      : overwriteAnswer_(overwriteAnswer), openFile_(std::move(openFile)) {}

  void ShowMessage(std::string_view text, homemicro::MessageIcon) override { Print(text); }
  bool AskYesNo(std::string_view text) override {
    Print(text);
    return overwriteAnswer_;
  }
  void StopRunTimer() override {}
  void StartRunTimer() override {}
  void SpeakerOutput(uint16_t) override {}
  std::optional<std::string> OpenFileDialog(const homemicro::OpenFileRequest&) override { return openFile_; }
  void EndProgram() override { endRequested_ = true; }

  bool EndRequested() const { return endRequested_; }

 private:
  static void Print(std::string_view text) {
    std::fprintf(stderr, "Emul: %.*s\n", static_cast<int>(text.size()), text.data());
    std::fflush(stderr);
  }

  bool overwriteAnswer_;
  std::optional<std::string> openFile_;
  bool endRequested_ = false;
};

}  // namespace bkrun
