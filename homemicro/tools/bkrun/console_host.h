// The core's host services for a run without a window: message boxes go to standard error,
// the overwrite question and the open dialog are answered from the command line, the
// end-of-program request goes to the owner's handler.
#pragma once

#include <cstdio>
#include <functional>
#include <optional>
#include <string>

#include "homemicro/core/host_services.h"

namespace bkrun {

// Prints a message box's text as "Emul: TEXT" on standard error.
inline void PrintMessageBox(std::string_view text) {
  std::fprintf(stderr, "Emul: %.*s\n", static_cast<int>(text.size()), text.data());
  std::fflush(stderr);
}

class ConsoleHost : public homemicro::HostServices {
 public:
  struct Handlers {
    std::function<void()> endProgram;
  };

  ConsoleHost(bool overwriteAnswer, std::optional<std::string> openFile, Handlers handlers)
      : overwriteAnswer_(overwriteAnswer), openFile_(std::move(openFile)), handlers_(std::move(handlers)) {}

  void ShowMessage(std::string_view text, homemicro::MessageIcon) override { PrintMessageBox(text); }
  bool AskYesNo(std::string_view text) override {
    PrintMessageBox(text);
    return overwriteAnswer_;
  }
  // Nothing to stop: the run ends when its limits say so.
  void StopRunTimer() override {}
  void StartRunTimer() override {}
  std::optional<std::string> OpenFileDialog(const homemicro::OpenFileRequest&) override { return openFile_; }
  void EndProgram() override {
    endRequested_ = true;
    handlers_.endProgram();
  }

  bool EndRequested() const { return endRequested_; }

 private:
  bool overwriteAnswer_;
  std::optional<std::string> openFile_;
  Handlers handlers_;
  bool endRequested_ = false;
};

}  // namespace bkrun
