// Working in the directory a command's path names: entered for the command, and the directory
// (and its text) that was current before is current again afterwards, on every path.
#pragma once

#include "../ods2/engine.h"
#include "shell.h"
#include "volume_path.h"

namespace volxfer {

class DirectoryVisit {
 public:
  DirectoryVisit(ods2::Engine& engine, ShellState& state) : engine_(engine), state_(state) {}
  ~DirectoryVisit() { Leave(); }
  DirectoryVisit(const DirectoryVisit&) = delete;
  DirectoryVisit& operator=(const DirectoryVisit&) = delete;

  // False (with the error printed) when a directory of the path cannot be entered. A path without
  // a directory part, or no volume connected, changes nothing.
  bool Enter(const VolumePath& path);
  // Makes the path's directory the current one for good.
  void Keep() { entered_ = false; }
  // The directory to go back to and the way up from it: nothing there may be taken away.
  std::vector<ods2::FileId> SavedDirectories() const {
    std::vector<ods2::FileId> ids = saved_trail_;
    if (entered_) ids.push_back(saved_id_);
    return ids;
  }

 private:
  void Leave();

  ods2::Engine& engine_;
  ShellState& state_;
  bool entered_ = false;
  ods2::FileId saved_id_{};
  std::vector<ods2::FileId> saved_trail_;  // the way back up from it
  std::string saved_text_;
};

}  // namespace volxfer
