// ScsiTransport over the Linux SCSI generic driver's SG_IO request.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "scsi_transport.h"

namespace tapecopy {

// The completion state SG_IO reports besides the sense bytes.
struct SgCompletion {
  unsigned scsiStatus = 0;
  unsigned hostStatus = 0;
  unsigned driverStatus = 0;
  std::size_t senseLength = 0;
};

// A command that failed below the drive (time-out, lost connection, busy target) and brought no
// sense data: such a command must not pass for a good one. Answers the text to show, or nothing
// when the drive's answer (with or without sense) is to be evaluated.
std::optional<std::string> sgTransportFailure(const SgCompletion& completion);

class SgTransport final : public ScsiTransport {
 public:
  // Opens for reading and writing, exclusively, else for reading only; nullptr with the system's
  // text on failure.
  static std::unique_ptr<SgTransport> open(const std::string& path, std::string& errorText);
  ~SgTransport() override;
  SgTransport(const SgTransport&) = delete;
  SgTransport& operator=(const SgTransport&) = delete;

  ScsiReply execute(const ScsiCommand& command) override;

 private:
  explicit SgTransport(int fd) : fd_(fd) {}
  int fd_;
};

}  // namespace tapecopy
