#include "directory_visit.h"

#include "messages.h"
#include "output.h"

namespace volxfer {

namespace {
// Back links are followed at most this often on the way to the top, so a damaged chain of links
// cannot keep the shell walking.
constexpr int kDepthLimit = 256;
}  // namespace

bool DirectoryVisit::Enter(const VolumePath& path) {
  if (!path.has_directory || state_.ConnectedHandle == -1) return true;
  saved_id_ = engine_.CurrentDirectoryId();
  saved_trail_ = engine_.DirectoryTrail();
  saved_text_ = state_.CurrentDirectory;
  entered_ = true;
  std::string target = DirectoryText(path, state_.CurrentDirectory);
  bool ok = true;
  if (!path.relative) {
    for (int up = 0; ok && engine_.CurrentDirectoryId() != ods2::kMasterDirectoryId; ++up)
      ok = up < kDepthLimit && engine_.ChangeDirUp() == 0;
  }
  for (std::size_t i = 0; ok && i < path.components.size(); ++i) {
    const std::string& component = path.components[i];
    ok = component == "-" ? engine_.ChangeDirUp() == 0
                          : engine_.ChangeDir((component + ".DIR;1").c_str()) == 0;
  }
  if (!ok) {
    ErrorMessage(msg::kCantOpenDirectory, target.c_str(), ErrorText(engine_).c_str());
    Leave();
    return false;
  }
  state_.CurrentDirectory = target;
  return true;
}

void DirectoryVisit::Leave() {
  if (!entered_) return;
  entered_ = false;
  state_.CurrentDirectory = saved_text_;
  if (engine_.ChangeDirTo(saved_id_, saved_trail_) != 0) {
    // The directory that was current is gone or unreadable: the top is always there.
    ErrorMessage(msg::kCantOpenDirectory, saved_text_.c_str(), ErrorText(engine_).c_str());
    engine_.ChangeDirTo(ods2::kMasterDirectoryId);
    state_.CurrentDirectory = msg::kTopDirectory;
  }
}

}  // namespace volxfer
