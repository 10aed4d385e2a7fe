// ScsiTransport over IOCTL_SCSI_PASS_THROUGH_DIRECT, on a tape device (\\.\TapeN) or on a SCSI
// adapter (\\.\ScsiP:) addressed with path id and target id. Built on Windows only.
#ifdef _WIN32

#include <windows.h>
// ntddscsi.h needs the types of windows.h first.
#include <ntddscsi.h>

#include <cstddef>
#include <cstring>

#include "tape_device.h"

namespace tapecopy {
namespace {

// The request block: the pass-through header with the sense area behind it.
struct PassThroughRequest {
  SCSI_PASS_THROUGH_DIRECT header;
  ULONG alignment;
  UCHAR sense[kSenseAreaSize];
};

// FormatMessage text for an error, without the line break the system puts at its end.
std::string windowsErrorText(DWORD error) {
  char text[256] = {};
  const DWORD length =
      FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
                     MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), text, sizeof text, nullptr);
  std::string result(text, length);
  while (!result.empty() && (result.back() == '\n' || result.back() == '\r')) result.pop_back();
  if (result.empty()) result = "error " + std::to_string(error);
  return result;
}

class SptiTransport final : public ScsiTransport {
 public:
  SptiTransport(HANDLE handle, UCHAR bus, UCHAR target) : handle_(handle), bus_(bus), target_(target) {}
  ~SptiTransport() override { CloseHandle(handle_); }
  SptiTransport(const SptiTransport&) = delete;
  SptiTransport& operator=(const SptiTransport&) = delete;

  ScsiReply execute(const ScsiCommand& command) override {
    PassThroughRequest request{};
    SCSI_PASS_THROUGH_DIRECT& header = request.header;
    header.Length = sizeof(SCSI_PASS_THROUGH_DIRECT);
    header.PathId = bus_;
    header.TargetId = target_;
    header.Lun = 0;
    header.CdbLength = static_cast<UCHAR>(command.cdbLength);
    header.SenseInfoLength = static_cast<UCHAR>(kSenseAreaSize);
    header.DataIn =
        command.direction == DataDirection::FromDevice ? SCSI_IOCTL_DATA_IN : SCSI_IOCTL_DATA_UNSPECIFIED;
    header.DataTransferLength = static_cast<ULONG>(command.data.size());
    header.TimeOutValue = command.timeoutSeconds;
    header.DataBuffer = command.data.empty() ? nullptr : command.data.data();
    header.SenseInfoOffset = offsetof(PassThroughRequest, sense);
    std::memcpy(header.Cdb, command.cdb.data(), command.cdbLength);

    ScsiReply reply;
    DWORD returned = 0;
    if (!DeviceIoControl(handle_, IOCTL_SCSI_PASS_THROUGH_DIRECT, &request, sizeof(request.header), &request,
                         sizeof(request), &returned, nullptr)) {
      reply.failureText = windowsErrorText(GetLastError());
      return reply;
    }
    reply.delivered = true;
    reply.transferLength = header.DataTransferLength;
    reply.senseLength = header.SenseInfoLength < kSenseAreaSize ? header.SenseInfoLength : kSenseAreaSize;
    std::memcpy(reply.sense.data(), request.sense, reply.senseLength);
    return reply;
  }

 private:
  HANDLE handle_;
  UCHAR bus_;
  UCHAR target_;
};

HANDLE openExclusive(const std::string& path, DWORD access) {
  return CreateFileA(path.c_str(), access, 0, nullptr, OPEN_EXISTING,
                     FILE_FLAG_WRITE_THROUGH | FILE_FLAG_NO_BUFFERING, nullptr);
}

}  // namespace

std::unique_ptr<ScsiTransport> openTapeDevice(const DeviceName& device, std::string& devicePath,
                                              std::string& errorText) {
  devicePath = windowsDevicePath(device);
  const int bus = device.kind == DeviceKind::Adapter ? device.bus : 0;
  const int target = device.kind == DeviceKind::Adapter ? device.target : 0;
  if (bus < 0 || bus > 255 || target < 0 || target > 255) {
    // The request holds one byte each; a wrapped number would address another device.
    errorText = windowsErrorText(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  HANDLE handle = openExclusive(devicePath, GENERIC_READ | GENERIC_WRITE);
  // Read-only only when write access is refused; a busy drive stays busy.
  if (handle == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    if (error == ERROR_ACCESS_DENIED || error == ERROR_WRITE_PROTECT) {
      handle = openExclusive(devicePath, GENERIC_READ);
    } else {
      SetLastError(error);
    }
  }
  if (handle == INVALID_HANDLE_VALUE) {
    errorText = windowsErrorText(GetLastError());
    return nullptr;
  }
  return std::make_unique<SptiTransport>(handle, static_cast<UCHAR>(bus), static_cast<UCHAR>(target));
}

}  // namespace tapecopy

#endif  // _WIN32
