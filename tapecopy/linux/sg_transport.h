// ScsiTransport over the Linux SCSI generic driver's SG_IO request.
#pragma once

#include <scsi/sg.h>

#include <functional>
#include <memory>
#include <optional>
#include <span>
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

// The SG_IO request for a command. `cdb` (a copy of the command block, as the request needs it
// writable) and `sense` must outlive the request.
sg_io_hdr_t buildSgRequest(const ScsiCommand& command, std::span<std::uint8_t> cdb,
                           std::span<std::uint8_t> sense);

// The reply a finished SG_IO request stands for; `sense` is the area the request pointed at.
ScsiReply parseSgResponse(const sg_io_hdr_t& finished, std::size_t requestedLength,
                          std::span<const std::uint8_t> sense);

// open(2) as the backend calls it; replaceable in tests.
using OpenFunction = std::function<int(const std::string& path, int flags)>;

// Opens for reading and writing, exclusively; only when that is refused for want of permission
// (EACCES, EROFS) for reading only. A busy or missing device is not retried. Answers the
// descriptor, or -1 with errno set.
int openGenericDevice(const std::string& path, const OpenFunction& openFile);

class SgTransport final : public ScsiTransport {
 public:
  // nullptr with the system's text on failure.
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
