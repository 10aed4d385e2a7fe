// tapecopy <device-name> <file-name>: dumps every block and tape mark of a SCSI tape, in order,
// into one host file, in the kit's dump format or as a SIMH tape image.
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#ifdef _WIN32
#include <io.h>
#define isatty _isatty
#define fileno _fileno
#else
#include <unistd.h>
#endif

#include "command_line.h"
#include "device_name.h"
#include "image_convert.h"
#include "messages.h"
#include "tape_device.h"
#include "tape_dump.h"
#include "text_format.h"

using namespace tapecopy;

namespace {

int dump(const CommandLine& line) {
  const std::string deviceName = lowerCaseDeviceName(line.first);
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
  DumpOptions options = line.options;
  options.showProgress = isatty(fileno(stderr)) != 0;
  return dumpTape(*drive, DumpRequest{devicePath, line.second, options}, std::cerr);
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  const CommandLine line = parseCommandLine(arguments);
  switch (line.action) {
    case Action::Usage:
      std::cerr << msg::kUsage;
      return kExitSuccess;
    case Action::Refuse:
      std::cerr << line.refusal << msg::kUsage;
      return kExitFailure;
    case Action::Dump:
      return dump(line);
    case Action::Convert:
      return convertImage(line.first, line.second, line.options.format, std::cerr);
  }
  return kExitFailure;
}
