#include "linux/device_map.h"

#include <cerrno>
#include <cstring>
#include <optional>

namespace tapecopy {
namespace {

namespace fs = std::filesystem;

constexpr const char* kNoGenericDevice = "no SCSI generic device for it (is the sg module loaded?)";

// The sgN name below a SCSI device's folder: a scsi_generic/sgN entry, or on older kernels a
// "generic" link to it.
std::optional<std::string> genericName(const fs::path& scsiDevice) {
  std::error_code ec;
  for (fs::directory_iterator it(scsiDevice / "scsi_generic", ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (name.starts_with("sg")) return name;
  }
  const fs::path link = fs::read_symlink(scsiDevice / "generic", ec);
  if (!ec && link.filename().string().starts_with("sg")) return link.filename().string();
  return std::nullopt;
}

}  // namespace

DeviceLocation LinuxDeviceMap::genericDeviceOf(const fs::path& scsiDevice, std::string shownName) const {
  DeviceLocation location;
  location.devicePath = std::move(shownName);
  std::error_code ec;
  if (!fs::exists(scsiDevice, ec)) {
    location.errorText = std::strerror(ENOENT);
    return location;
  }
  const std::optional<std::string> name = genericName(scsiDevice);
  if (!name) {
    location.errorText = kNoGenericDevice;
    return location;
  }
  location.found = true;
  location.devicePath = (devRoot_ / *name).string();
  return location;
}

DeviceLocation LinuxDeviceMap::locate(const DeviceName& device) const {
  if (device.kind == DeviceKind::Generic) {
    DeviceLocation location;
    location.found = true;  // the open itself tells whether it exists
    location.devicePath = (devRoot_ / ("sg" + std::to_string(device.genericNumber))).string();
    return location;
  }
  if (device.kind == DeviceKind::Tape) {
    const std::string tape = "nst" + std::to_string(device.tapeNumber);
    return genericDeviceOf(sysfsRoot_ / "class" / "scsi_tape" / tape / "device", (devRoot_ / tape).string());
  }
  const std::string address = std::to_string(device.port) + ":" + std::to_string(device.bus) + ":" +
                              std::to_string(device.target) + ":0";
  return genericDeviceOf(sysfsRoot_ / "bus" / "scsi" / "devices" / address, "[" + address + "]");
}

}  // namespace tapecopy
