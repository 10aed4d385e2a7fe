// Which SCSI generic device (/dev/sgN) serves a device name: tapeN, /dev/nstN and /dev/stN are
// the drive behind /dev/nstN, scsiP:B:T the device at host P, channel B, target T, lun 0. Found
// through sysfs; /dev/sgN is taken as it is.
#pragma once

#include <filesystem>
#include <string>

#include "device_name.h"

namespace tapecopy {

struct DeviceLocation {
  bool found = false;
  std::string devicePath;  // the generic device when found, else what was looked for
  std::string errorText;   // why nothing was found
};

class LinuxDeviceMap {
 public:
  explicit LinuxDeviceMap(std::filesystem::path sysfsRoot = "/sys", std::filesystem::path devRoot = "/dev")
      : sysfsRoot_(std::move(sysfsRoot)), devRoot_(std::move(devRoot)) {}

  DeviceLocation locate(const DeviceName& device) const;

 private:
  DeviceLocation genericDeviceOf(const std::filesystem::path& scsiDevice, std::string shownName) const;

  std::filesystem::path sysfsRoot_;
  std::filesystem::path devRoot_;
};

}  // namespace tapecopy
