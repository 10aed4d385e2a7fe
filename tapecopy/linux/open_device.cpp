#include "linux/device_map.h"
#include "linux/sg_transport.h"
#include "tape_device.h"

namespace tapecopy {

std::unique_ptr<ScsiTransport> openTapeDevice(const DeviceName& device, std::string& devicePath,
                                              std::string& errorText) {
  const DeviceLocation location = LinuxDeviceMap().locate(device);
  devicePath = location.devicePath;
  if (!location.found) {
    errorText = location.errorText;
    return nullptr;
  }
  return SgTransport::open(location.devicePath, errorText);
}

}  // namespace tapecopy
