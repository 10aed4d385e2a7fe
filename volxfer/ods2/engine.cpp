#include "engine.h"

#include <algorithm>

#include "directory.h"

namespace ods2 {

Engine::~Engine() {
  if (volume_) VolumeClose(volume_->handle());
}

int Engine::LastError() const {
  return volume_ ? volume_->error() : ErrNotOpened;
}

int Engine::VolumeOpen(const char* name, bool read_only) {
  if (volume_) {
    SetError(ErrAlreadyOpened);
    return -1;
  }
  if (!name) return -1;
  std::unique_ptr<BlockDevice> device = BlockDevice::Open(name, read_only);
  if (!device) return -1;
  int handle = handles_.Register(std::move(device));
  auto volume = std::make_unique<Volume>(handles_);
  if (!volume->Open(handle, read_only)) {
    handles_.Release(handle);
    return -1;
  }
  volume_ = std::move(volume);
  current_directory_ = &volume_->master_directory();
  entered_from_.clear();
  volume_->SetError(ErrNone);
  return handle;
}

void Engine::DropCurrentDirectory() {
  if (own_directory_) {
    own_directory_->Deaccess();
    own_directory_.reset();
  }
  current_directory_ = nullptr;
}

void Engine::MakeCurrent(std::unique_ptr<DirectoryFile> directory) {
  DropCurrentDirectory();
  own_directory_ = std::move(directory);
  current_directory_ = own_directory_.get();
}

int Engine::VolumeClose(int handle) {
  if (!volume_) return -1;
  if (handle != volume_->handle()) {
    SetError(ErrInvalidHandle);
    return -1;
  }
  if (stream_) {
    stream_->Deaccess();  // a pending text line is not ended
    stream_.reset();
  }
  DropCurrentDirectory();
  entered_from_.clear();
  if (!volume_->Close()) {
    current_directory_ = &volume_->master_directory();  // the volume stays, so must a directory
    return -1;
  }
  volume_.reset();
  return 0;
}

int Engine::VolumeQuery(VolumeInfo* info) {
  if (!volume_) return -1;
  if (!info) {
    SetError(ErrInvalidArgument);
    return -1;
  }
  SetError(ErrNone);
  const HomeBlock& hb = volume_->home_block();
  *info = VolumeInfo{};
  info->total_blocks = volume_->scb_volume_size();
  info->sectors_per_track = volume_->scb_field(layout::scb::kSectorsPerTrack);
  info->tracks_per_cylinder = volume_->scb_field(layout::scb::kTracksPerCylinder);
  info->cylinders = volume_->scb_field(layout::scb::kCylinders);
  info->volume_number = hb.volume_number();
  info->cluster_factor = hb.cluster_factor();
  info->max_files = hb.max_files();
  info->extend_quantity = hb.extend_quantity();
  auto first_ten = [](const std::string& text) {
    std::string s = text.substr(0, 10);
    return s.substr(0, std::min(s.size(), s.find('\0')));
  };
  info->owner_name = first_ten(hb.owner_name());
  info->label = first_ten(hb.volume_name());
  info->free_blocks = volume_->storage_bitmap().bitmap().CountFree() * hb.cluster_factor();
  info->owner_member = static_cast<std::uint8_t>(hb.owner_member());
  info->owner_group = static_cast<std::uint8_t>(hb.owner_group());
  std::uint16_t prot = hb.default_protection();
  for (std::size_t g = 0; g < 4; ++g) info->protection[g] = (prot >> (4 * g)) & 0xF;
  return 0;
}

int Engine::DirSearch(const char* specification, FileInfo* info) {
  if (!volume_) return -1;
  SetError(ErrNone);
  if (!info) {
    SetError(ErrInvalidArgument);
    return -1;
  }
  auto found = Lookup(*volume_, true, current_directory_->first_header().file_id(), info->cursor,
                      specification ? specification : "");
  if (!found) return -1;
  info->name = found->name;
  OpenFile file;
  if (!file.Access(*volume_, kNoWindow, found->id)) {
    // A damaged header hides only its own entry: the name is given with the code that tells why,
    // no attributes, and the search goes on from the next record.
    FileInfo bare;
    bare.name = std::move(info->name);
    bare.cursor = info->cursor;
    *info = std::move(bare);
    return 0;
  }
  file.GetAttributes(*info);
  file.Deaccess();
  return 0;
}

int Engine::ChangeDir(const char* specification) {
  if (!volume_) return -1;
  SetError(ErrNone);
  if (!specification) {
    SetError(ErrInvalidArgument);
    return -1;
  }
  std::uint32_t cursor = 0;
  auto found = Lookup(*volume_, false, current_directory_->first_header().file_id(), cursor, specification);
  if (!found) return -1;
  auto directory = std::make_unique<DirectoryFile>();
  if (!directory->Access(*volume_, kWholeFile, found->id)) return -1;
  if (!directory->Check()) {
    directory->Deaccess();
    return -1;
  }
  entered_from_.push_back(current_directory_->first_header().file_id());
  MakeCurrent(std::move(directory));
  return 0;
}

int Engine::ChangeDirUp() {
  if (!volume_) return -1;
  SetError(ErrNone);
  FileId current = current_directory_->first_header().file_id();
  if (current.number == kMasterDirectoryId.number && current.sequence == kMasterDirectoryId.sequence &&
      current.number_extension == 0)
    return 0;
  // Up is where the current directory was entered from: for an alias (a second entry naming a
  // directory that lives elsewhere) the back link points away from the path the user took.
  if (entered_from_.empty()) return ChangeDirTo(current_directory_->first_header().back_link());
  std::vector<FileId> trail = entered_from_;
  FileId parent = trail.back();
  trail.pop_back();
  return ChangeDirTo(parent, std::move(trail));
}

int Engine::ChangeDirTo(FileId id, std::vector<FileId> trail) {
  if (!volume_) return -1;
  SetError(ErrNone);
  if (id == kMasterDirectoryId) {
    // The volume's own master directory object is current again.
    entered_from_.clear();
    DropCurrentDirectory();
    current_directory_ = &volume_->master_directory();
    return 0;
  }
  auto directory = std::make_unique<DirectoryFile>();
  if (!directory->Access(*volume_, kWholeFile, id)) return -1;
  if (!directory->Check()) {
    directory->Deaccess();
    return -1;
  }
  MakeCurrent(std::move(directory));
  entered_from_ = std::move(trail);
  return 0;
}

FileId Engine::CurrentDirectoryId() const {
  return current_directory_ ? current_directory_->first_header().file_id() : kMasterDirectoryId;
}

}  // namespace ods2
