// Every message tapecopy prints, written once in the form printed (all go to standard error).
#pragma once

namespace tapecopy::msg {

inline constexpr const char* kUsage =
    "Usage:\ttapecopy <device-name> <file-name>\n"
    "\t<device-name> stands for tape device\n"
    "\t<file-name> stands for name of file to dump to\n"
    "\ttapecopy [options] <device-name> <file-name>\n"
    "\ttapecopy --convert [--format kit|simh] <input-file> <output-file>\n"
    "Options:\n"
    "\t--format kit|simh\tdump format (default: simh when the file name ends in .tap, else kit)\n"
    "\t--skip-errors[=N]\tnote medium errors and go on; N errors in a row end the dump (default 10)\n"
    "\t--max-block N\t\tlongest block to read, 1 to 65535 (default 49152)\n"
    "\t--convert\t\tturn a kit dump into a SIMH image (output ends in .tap) or back\n";
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

// Command line.
inline constexpr const char* kUnknownOption = "Unknown option '%s'\n";
inline constexpr const char* kOptionValueMissing = "Option %s needs a value\n";
inline constexpr const char* kBadOptionValue = "Invalid value '%s' for %s (%s)\n";

// Medium errors with --skip-errors.
inline constexpr const char* kBadBlockSkipped =
    "%s: medium error at block %llu skipped (%02X ... %02X ... %02X %02X)\n";
inline constexpr const char* kTooManyBadBlocks = "%s: %u medium errors in a row, dump abandoned\n";
inline constexpr const char* kBadBlockAgain =
    "%s: medium error again at the same tape position, dump abandoned\n";

// --convert.
inline constexpr const char* kOpenInputFailed = "Failed to open input file '%s': %s\n";
inline constexpr const char* kConvertOntoItself = "%s: input and output are the same file\n";
inline constexpr const char* kDamagedInput = "%s: damaged %s at offset %llu: %s\n";
inline constexpr const char* kRecordTooLongForSimh =
    "%s: record at offset %llu of %llu bytes is too long for a SIMH image\n";
inline constexpr const char* kErrorRecordLeftOut =
    "%s: error record at offset %llu left out (the kit's format has none)\n";

// Progress on a terminal (no line end: the line is rewritten) and the summary of a complete run.
inline constexpr const char* kProgress = "blocks %llu, files %llu, bytes %llu, %.1f %s/s";
inline constexpr const char* kDumpDone = "Dump complete";
inline constexpr const char* kConversionDone = "Conversion complete";
inline constexpr const char* kSummary = "%s: blocks %llu, tape marks %llu, bytes %llu\n";
inline constexpr const char* kSummaryWithBadBlocks =
    "%s: blocks %llu, tape marks %llu, bytes %llu, bad blocks skipped %llu\n";

}  // namespace tapecopy::msg
