// A HostServices that records every call and answers from scripted replies.
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "homemicro/core/host_services.h"

namespace homemicro::testing {

class FakeHost : public HostServices {
 public:
  struct Message {
    std::string text;
    MessageIcon icon;
  };

  std::vector<Message> messages;
  std::vector<std::string> questions;
  std::vector<OpenFileRequest> openRequests;
  std::vector<uint16_t> speakerValues;
  std::string timerEvents;  // 'S' stop, 'G' go, in call order
  int endProgramCalls = 0;

  bool answerYes = false;
  std::optional<std::string> openDialogAnswer;  // nothing: the dialog is cancelled

  void ShowMessage(std::string_view text, MessageIcon icon) override {
    messages.push_back({std::string(text), icon});
  }
  bool AskYesNo(std::string_view text) override {
    questions.emplace_back(text);
    return answerYes;
  }
  void StopRunTimer() override { timerEvents += 'S'; }
  void StartRunTimer() override { timerEvents += 'G'; }
  void SpeakerOutput(uint16_t portValue) override { speakerValues.push_back(portValue); }
  std::optional<std::string> OpenFileDialog(const OpenFileRequest& request) override {
    openRequests.push_back(request);
    return openDialogAnswer;
  }
  void EndProgram() override { ++endProgramCalls; }
};

}  // namespace homemicro::testing
