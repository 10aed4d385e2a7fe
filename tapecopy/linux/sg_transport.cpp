#include "linux/sg_transport.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

#include "text_format.h"

namespace tapecopy {
namespace {

constexpr unsigned kStatusGood = 0x00;
constexpr unsigned kStatusConditionMet = 0x04;
constexpr unsigned kDriverSenseFlag = 0x08;  // "sense data follows", not an error by itself

const char* hostStatusText(unsigned hostStatus) {
  switch (hostStatus) {
    case 0x01:
      return "no connection to the device";
    case 0x02:
      return "SCSI bus busy";
    case 0x03:
      return "command timed out";
    case 0x04:
      return "no such target";
    case 0x05:
      return "command aborted";
    case 0x06:
      return "SCSI bus parity error";
    case 0x07:
      return "host adapter error";
    case 0x08:
      return "SCSI bus reset";
    default:
      return nullptr;
  }
}

}  // namespace

std::optional<std::string> sgTransportFailure(const SgCompletion& completion) {
  if (completion.senseLength != 0) return std::nullopt;
  if (completion.hostStatus != 0) {
    if (const char* text = hostStatusText(completion.hostStatus)) return std::string(text);
    return formatText("SCSI host status 0x%02X", completion.hostStatus);
  }
  if ((completion.driverStatus & ~kDriverSenseFlag) != 0) {
    return formatText("SCSI driver status 0x%02X", completion.driverStatus);
  }
  if (completion.scsiStatus != kStatusGood && completion.scsiStatus != kStatusConditionMet) {
    return formatText("SCSI status 0x%02X without sense data", completion.scsiStatus);
  }
  return std::nullopt;
}

sg_io_hdr_t buildSgRequest(const ScsiCommand& command, std::span<std::uint8_t> cdb,
                           std::span<std::uint8_t> sense) {
  const std::size_t cdbLength = std::min({command.cdbLength, command.cdb.size(), cdb.size()});
  std::copy_n(command.cdb.begin(), cdbLength, cdb.begin());
  sg_io_hdr_t request{};
  request.interface_id = 'S';
  request.cmd_len = static_cast<unsigned char>(cdbLength);
  request.cmdp = cdb.data();
  request.dxfer_direction =
      command.direction == DataDirection::FromDevice ? SG_DXFER_FROM_DEV : SG_DXFER_NONE;
  request.dxfer_len = static_cast<unsigned>(command.data.size());
  request.dxferp = command.data.empty() ? nullptr : command.data.data();
  request.mx_sb_len = static_cast<unsigned char>(std::min<std::size_t>(sense.size(), 255));
  request.sbp = sense.data();
  request.timeout = command.timeoutSeconds * 1000;
  return request;
}

ScsiReply parseSgResponse(const sg_io_hdr_t& finished, std::size_t requestedLength,
                          std::span<const std::uint8_t> sense) {
  ScsiReply reply;
  reply.senseLength = std::min({std::size_t{finished.sb_len_wr}, sense.size(), reply.sense.size()});
  std::copy_n(sense.begin(), reply.senseLength, reply.sense.begin());
  // A negative or oversized residue from a confused driver must not produce a wild length.
  const std::size_t resid = static_cast<std::size_t>(std::max(finished.resid, 0));
  reply.transferLength = requestedLength - std::min(resid, requestedLength);
  const SgCompletion completion{finished.status, finished.host_status, finished.driver_status,
                                reply.senseLength};
  if (std::optional<std::string> failure = sgTransportFailure(completion)) {
    reply.failureText = std::move(*failure);
    return reply;
  }
  reply.delivered = true;
  return reply;
}

int openGenericDevice(const std::string& path, const OpenFunction& openFile) {
  // O_EXCL keeps other users off the drive during the dump; O_NONBLOCK turns a busy device into
  // an error instead of a wait (SG_IO itself still blocks). The sg driver refuses O_EXCL on a
  // read-only open, so the read-only retry cannot be exclusive; and as the kernel refuses REWIND
  // on a read-only sg descriptor, only a permission refusal is worth that retry.
  constexpr int kFlags = O_NONBLOCK | O_CLOEXEC;
  const int fd = openFile(path, O_RDWR | O_EXCL | kFlags);
  if (fd >= 0 || (errno != EACCES && errno != EROFS)) return fd;
  return openFile(path, O_RDONLY | kFlags);
}

std::unique_ptr<SgTransport> SgTransport::open(const std::string& path, std::string& errorText) {
  const int fd =
      openGenericDevice(path, [](const std::string& file, int flags) { return ::open(file.c_str(), flags); });
  if (fd < 0) {
    errorText = std::strerror(errno);
    return nullptr;
  }
  return std::unique_ptr<SgTransport>(new SgTransport(fd));
}

SgTransport::~SgTransport() {
  ::close(fd_);
}

ScsiReply SgTransport::execute(const ScsiCommand& command) {
  std::array<std::uint8_t, kMaxCdbLength> cdb{};
  std::array<std::uint8_t, kSenseAreaSize> sense{};
  sg_io_hdr_t request = buildSgRequest(command, cdb, sense);
  if (::ioctl(fd_, SG_IO, &request) < 0) {
    ScsiReply reply;
    reply.failureText = std::strerror(errno);
    return reply;
  }
  return parseSgResponse(request, command.data.size(), sense);
}

}  // namespace tapecopy
