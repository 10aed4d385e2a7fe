// The dump itself: rewind, check the block limits, then copy block after block into the dump
// file until the drive reports blank check or end of medium.
#pragma once

#include <functional>
#include <memory>
#include <ostream>
#include <string>

#include "dump_file.h"
#include "scsi_transport.h"

namespace tapecopy {

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;
// The READ transfer length and so the largest block a dump can hold.
inline constexpr std::size_t kMaxBlockLength = 49152;

struct DumpRequest {
  std::string devicePath;    // shown in the drive's messages
  std::string dumpFileName;  // created only once the drive has proved usable
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
