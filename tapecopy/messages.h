// Every message tapecopy prints, written once in the form printed (all go to standard error).
#pragma once

namespace tapecopy::msg {

inline constexpr const char* kUsage =
    "Usage:\ttapecopy <device-name> <file-name>\n"
    "\t<device-name> stands for tape device\n"
    "\t<file-name> stands for name of file to dump to\n";
inline constexpr const char* kWrongDeviceName = "%s: wrong device name\n";
inline constexpr const char* kOpenDeviceFailed = "Failed to open tape device '%s': %s\n";
inline constexpr const char* kRewindFailed = "Failed to rewind tape: %s\n";
inline constexpr const char* kReadBlockLimitsFailed = "Failed to read block limits tape: %s\n";
inline constexpr const char* kReadBlockFailed = "Failed to read tape block: %s\n";
inline constexpr const char* kDeviceNotReady = "%s: device not ready\n";
inline constexpr const char* kFatalSense = "%s: fatal error (%02X ... %02X ... %02X %02X)\n";
inline constexpr const char* kBlockLengthError = "%s: block length error\n";
inline constexpr const char* kOpenDumpFileFailed = "Failed to open dump file: %s\n";
// perror form: file name, colon, blank, system text.
inline constexpr const char* kDumpWriteFailed = "%s: %s\n";
inline constexpr const char* kBlockTooLong =
    "%s: tape block of %lld bytes is longer than the %u-byte buffer\n";
inline constexpr const char* kBackLinkOverflow =
    "%s: dump file reached 4 GiB, the next record's back link does not fit in 32 bits\n";
inline constexpr const char* kTransferTooLong = "%s: drive reported %zu bytes for a %zu-byte transfer\n";

}  // namespace tapecopy::msg
