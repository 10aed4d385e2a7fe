// tapecopy <device-name> <file-name>: dumps every block and tape mark of a SCSI tape, in order,
// into one host file.
#include <iostream>
#include <memory>
#include <string>

#include "device_name.h"
#include "messages.h"
#include "tape_device.h"
#include "tape_dump.h"
#include "text_format.h"

using namespace tapecopy;

int main(int argc, char** argv) {
  if (argc < 3) {
    std::cerr << msg::kUsage;
    return kExitSuccess;
  }
  const std::string deviceName = lowerCaseDeviceName(argv[1]);
  const std::optional<DeviceName> device = parseDeviceName(deviceName);
  if (!device) {
    std::cerr << formatText(msg::kWrongDeviceName, deviceName.c_str());
    return kExitFailure;
  }
  std::string devicePath;
  std::string errorText;
  std::unique_ptr<ScsiTransport> drive = openTapeDevice(*device, devicePath, errorText);
  if (!drive) {
    std::cerr << formatText(msg::kOpenDeviceFailed, devicePath.c_str(), errorText.c_str());
    return kExitFailure;
  }
  return dumpTape(*drive, DumpRequest{devicePath, argv[2]}, std::cerr);
}
