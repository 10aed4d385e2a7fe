// The dump itself: rewind, check the block limits, then copy block after block into the dump
// file until the drive reports blank check or end of medium.
#pragma once

#include <functional>
#include <memory>
#include <ostream>
#include <string>

#include "dump_file.h"
#include "scsi_transport.h"
#include "tape_image.h"

namespace tapecopy {

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;
// The READ transfer length unless --max-block asks for another, and the READ BLOCK LIMITS one.
inline constexpr std::size_t kMaxBlockLength = 49152;
// The longest block a READ can ask for (its transfer length field allows more, but no tape
// format of this world writes longer blocks).
inline constexpr std::size_t kLargestMaxBlock = 65535;
inline constexpr unsigned kDefaultErrorLimit = 10;

struct DumpOptions {
  ImageFormat format = ImageFormat::Kit;
  std::size_t maxBlock = kMaxBlockLength;  // 1 to kLargestMaxBlock
  // Medium errors are noted (and kept as error records where the format can) instead of ending
  // the dump; errorLimit of them in a row, or two at the same tape position, still end it.
  bool skipErrors = false;
  unsigned errorLimit = kDefaultErrorLimit;
  bool showProgress = false;  // the progress line, for a terminal
};

struct DumpRequest {
  std::string devicePath;    // shown in the drive's messages
  std::string dumpFileName;  // created only once the drive has proved usable
  DumpOptions options;
};

using DumpSinkFactory =
    std::function<std::unique_ptr<DumpSink>(const std::string& path, std::string& errorText)>;

// Creates the dump file on the host file system.
std::unique_ptr<DumpSink> createHostDumpFile(const std::string& path, std::string& errorText);

// Runs the whole dump against an open drive; every message goes to `messages`. Answers the exit
// code. Records written before a failure stay in the dump file.
int dumpTape(ScsiTransport& drive, const DumpRequest& request, std::ostream& messages,
             const DumpSinkFactory& createSink = createHostDumpFile);

}  // namespace tapecopy
