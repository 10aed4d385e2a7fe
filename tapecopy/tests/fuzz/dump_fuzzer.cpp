// Runs the dump against a drive whose every answer comes from the fuzz input: call failures,
// any sense bytes and length, any claimed transfer length. The dump must neither crash nor
// write a record that breaks the format; the same input also goes through the name parser.
// (The kit's format is checked: skipped bad blocks leave no record in it.)
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string_view>
#include <vector>

#include "device_name.h"
#include "tape_dump.h"

namespace {

using namespace tapecopy;

class InputDrive final : public ScsiTransport {
 public:
  InputDrive(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  // Per command: mode byte (0 call fails, 1 no sense, else sense), two bytes of claimed transfer
  // length, a sense length byte, the sense bytes, then data bytes for the buffer. An exhausted
  // input answers blank check, so every run ends.
  ScsiReply execute(const ScsiCommand& command) override {
    ScsiReply reply;
    if (at_ >= size_) {
      reply.delivered = true;
      reply.sense[2] = 0x08;
      reply.senseLength = 18;
      return reply;
    }
    const std::uint8_t mode = next();
    if (mode == 0) {
      reply.failureText = "fuzzed failure";
      return reply;
    }
    reply.delivered = true;
    reply.transferLength = (std::size_t{next()} << 8) | next();
    if (mode != 1) {
      reply.senseLength = next();  // may claim more than the sense area holds
      for (std::size_t i = 0; i < std::min(reply.senseLength, reply.sense.size()); ++i)
        reply.sense[i] = next();
    }
    const std::size_t fill = std::min(command.data.size(), std::size_t{next()} * 64);
    for (std::size_t i = 0; i < fill; ++i) command.data[i] = next();
    return reply;
  }

 private:
  std::uint8_t next() { return at_ < size_ ? data_[at_++] : 0; }
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

class MemorySink final : public DumpSink {
 public:
  explicit MemorySink(std::vector<std::uint8_t>& bytes) : bytes_(bytes) {}
  std::uint64_t position() const override { return bytes_.size(); }
  bool write(std::span<const std::uint8_t> bytes, std::string&) override {
    bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
    return true;
  }
  bool flush(std::string&) override { return true; }
  bool close(std::string&) override { return true; }

 private:
  std::vector<std::uint8_t>& bytes_;
};

std::uint32_t bigEndian32(const std::uint8_t* p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}

// Every record whole, no block above the buffer size, every back link right.
void checkDump(const std::vector<std::uint8_t>& dump) {
  std::size_t offset = 0;
  std::uint64_t previous = 1;
  while (offset < dump.size()) {
    if (dump.size() - offset < kRecordHeaderSize) std::abort();
    const std::uint32_t length = bigEndian32(&dump[offset]);
    if (length > kMaxBlockLength || bigEndian32(&dump[offset + 4]) != previous) std::abort();
    if (dump.size() - offset - kRecordHeaderSize < length) std::abort();
    previous = offset;
    offset += kRecordHeaderSize + length;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string name(reinterpret_cast<const char*>(data), std::min<std::size_t>(size, 32));
  if (const auto device = parseDeviceName(lowerCaseDeviceName(name))) (void)windowsDevicePath(*device);

  InputDrive drive(data, size);
  std::vector<std::uint8_t> dump;
  std::ostringstream messages;
  // The last byte's low bit lets medium errors pass, so READ POSITION answers are fuzzed too.
  DumpOptions options;
  options.skipErrors = size != 0 && (data[size - 1] & 1) != 0;
  options.errorLimit = 3;
  const int exitCode =
      dumpTape(drive, DumpRequest{"/dev/fuzz", "fuzz.dmp", options}, messages,
               [&](const std::string&, std::string&) { return std::make_unique<MemorySink>(dump); });
  if (exitCode != kExitSuccess && exitCode != kExitFailure) std::abort();
  if (exitCode == kExitFailure && messages.str().empty()) std::abort();  // every failure is reported
  checkDump(dump);
  return 0;
}
