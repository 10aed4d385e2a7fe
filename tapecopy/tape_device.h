// Opening the drive a device name stands for; one implementation per platform.
#pragma once

#include <memory>
#include <string>

#include "device_name.h"
#include "scsi_transport.h"

namespace tapecopy {

// Opens the device for reading and writing, or for reading only when that is refused. Always
// sets devicePath to the path shown in messages; on failure answers nullptr and sets errorText.
std::unique_ptr<ScsiTransport> openTapeDevice(const DeviceName& device, std::string& devicePath,
                                              std::string& errorText);

}  // namespace tapecopy
