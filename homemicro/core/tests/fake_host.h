// A HostServices that records every call and answers from scripted replies, and a HostFiles
// that keeps the host's files in memory.
#pragma once

#include <algorithm>
#include <map>
#include <optional>
#include <set>
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
  std::optional<std::string> OpenFileDialog(const OpenFileRequest& request) override {
    openRequests.push_back(request);
    return openDialogAnswer;
  }
  void EndProgram() override { ++endProgramCalls; }
};

class FakeFiles : public HostFiles {
 public:
  std::map<std::string, std::vector<uint8_t>> files;
  std::set<std::string> folders;                   // found, but neither readable nor writable
  std::map<std::string, std::string> writeErrors;  // name -> the system's error text
  std::string currentDirectory = "/home/bk";

  HostEntry Find(const std::string& name) override {
    if (files.count(name) != 0) return HostEntry::File;
    return folders.count(name) != 0 ? HostEntry::Other : HostEntry::Missing;
  }
  HostFileContents Read(const std::string& name, std::size_t limit) override {
    const auto found = files.find(name);
    if (found == files.end()) return {};
    const std::vector<uint8_t>& bytes = found->second;
    const std::size_t count = std::min(limit, bytes.size());
    return {true, bytes.size(),
            std::vector<uint8_t>(bytes.begin(), bytes.begin() + static_cast<long>(count))};
  }
  std::string Write(const std::string& name, std::span<const uint8_t> bytes) override {
    if (const auto error = writeErrors.find(name); error != writeErrors.end()) return error->second;
    if (folders.count(name) != 0) return "Is a directory";
    files[name].assign(bytes.begin(), bytes.end());
    return {};
  }
  std::string CurrentDirectory() override { return currentDirectory; }
};

}  // namespace homemicro::testing
