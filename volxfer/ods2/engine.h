// The engine's entry points and its process-wide state: at most one mounted volume, one current
// directory and (later) one open stream. Every entry point answers 0 or -1 and leaves a code that
// LastError reports.
#pragma once

#include <memory>
#include <string>

#include "block_device.h"
#include "file_info.h"
#include "volume.h"

namespace ods2 {

class Engine {
 public:
  Engine() = default;
  ~Engine();
  Engine(const Engine&) = delete;
  Engine& operator=(const Engine&) = delete;

  // The handle number (0 or more) or -1.
  int VolumeOpen(const char* name, bool read_only);
  int VolumeClose(int handle);
  int VolumeQuery(VolumeInfo* info);
  int LastError() const;

  int DirSearch(const char* specification, FileInfo* info);
  int ChangeDir(const char* specification);
  int ChangeDirUp();

  // For tests and tools that look below the entry points.
  Volume* volume() { return volume_.get(); }
  DirectoryFile* current_directory() { return current_directory_; }

 private:
  void SetError(int code) {
    if (volume_) volume_->SetError(code);
  }
  void MakeCurrent(std::unique_ptr<DirectoryFile> directory);
  void DropCurrentDirectory();

  HandleTable handles_;
  std::unique_ptr<Volume> volume_;
  // Either the volume's master directory or `own_directory_`.
  DirectoryFile* current_directory_ = nullptr;
  std::unique_ptr<DirectoryFile> own_directory_;
};

}  // namespace ods2
