// The one contact between the dump logic and a tape drive: a SCSI command block sent
// through the host's pass-through interface. Backends exist for Linux (SG_IO) and Windows
// (IOCTL_SCSI_PASS_THROUGH_DIRECT); the tests put a scripted fake drive behind it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace tapecopy {

inline constexpr std::size_t kSenseAreaSize = 192;
inline constexpr unsigned kCommandTimeoutSeconds = 255;
inline constexpr std::size_t kMaxCdbLength = 10;

enum class DataDirection {
  None,        // no data phase (REWIND)
  FromDevice,  // the drive sends data (READ BLOCK LIMITS, READ)
};

struct ScsiCommand {
  // Six bytes for the dump's own commands; READ POSITION takes ten.
  std::array<std::uint8_t, kMaxCdbLength> cdb{};
  std::size_t cdbLength = 6;
  DataDirection direction = DataDirection::None;
  // The transfer length is data.size(); empty for commands without a data phase.
  std::span<std::uint8_t> data;
  unsigned timeoutSeconds = kCommandTimeoutSeconds;
};

struct ScsiReply {
  // False when the pass-through call itself failed; failureText then holds the system's text.
  bool delivered = false;
  std::string failureText;
  // Bytes the drive actually transferred into ScsiCommand::data.
  std::size_t transferLength = 0;
  // Sense bytes returned with the command; senseLength 0 means the command had no sense data.
  std::array<std::uint8_t, kSenseAreaSize> sense{};
  std::size_t senseLength = 0;
};

class ScsiTransport {
 public:
  virtual ~ScsiTransport() = default;
  // Sends one command and waits for it to finish (or time out).
  virtual ScsiReply execute(const ScsiCommand& command) = 0;
};

}  // namespace tapecopy
