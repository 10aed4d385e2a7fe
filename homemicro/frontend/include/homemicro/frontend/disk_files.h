// The host's files as the machine core reaches them: the real file system, names relative to
// the process's current folder.
#pragma once

#include "homemicro/core/host_services.h"

namespace homemicro {

class DiskFiles final : public HostFiles {
 public:
  HostEntry Find(const std::string& name) override;
  HostFileContents Read(const std::string& name, std::size_t limit) override;
  // Through a temporary file beside the target (NAME.part~, or ~1, ~2 ... when that name is
  // taken: no file of the user's is touched), so a failed write keeps the old file.
  std::string Write(const std::string& name, std::span<const uint8_t> bytes) override;
  std::string CurrentDirectory() override;
};

}  // namespace homemicro
