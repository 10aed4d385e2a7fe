// Device names on the command line: tapeN, \\.\tapeN, /dev/nstN and /dev/stN name a tape drive,
// scsiP:B:T and \\.\scsiP:B:T a target on a SCSI adapter (port P, bus B, target T; the unit is
// always 0), /dev/sgN a SCSI generic device itself.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tapecopy {

enum class DeviceKind { Tape, Adapter, Generic };

struct DeviceName {
  DeviceKind kind = DeviceKind::Tape;
  int tapeNumber = 0;     // Tape only
  int port = 0;           // Adapter only
  int bus = 0;            // Adapter only; the path id
  int target = 0;         // Adapter only
  int genericNumber = 0;  // Generic only: N of /dev/sgN

  bool operator==(const DeviceName&) const = default;
};

// Every ASCII letter to lower case, other characters unchanged.
std::string lowerCaseDeviceName(std::string_view name);

// Matches a lower-cased name by prefix. A number that is missing or malformed stays 0 (so "tape"
// is tape 0 and "scsi1" is adapter 1, bus 0, target 0); parsing stops at the first one that does
// not parse. The /dev forms are strict: digits, then for st and nst at most one mode letter (l, m,
// a). Answers nothing for a name of no known form, and for a number too large for an int,
// which must not silently address some other device.
std::optional<DeviceName> parseDeviceName(std::string_view lowered);

// The Windows path opened for a device: \\.\TapeN, or \\.\ScsiP: for an adapter; a generic
// device keeps its /dev name, which Windows does not have.
std::string windowsDevicePath(const DeviceName& device);

}  // namespace tapecopy
