#include "tape_dump.h"

#include <algorithm>
#include <array>

#include "messages.h"
#include "sense_data.h"
#include "text_format.h"

namespace tapecopy {
namespace {

constexpr std::uint8_t kOpRewind = 0x01;
constexpr std::uint8_t kOpReadBlockLimits = 0x05;
constexpr std::uint8_t kOpRead = 0x08;

// What a command's sense data asks of the caller.
enum class SenseVerdict { Repeat, Stop };
enum class ReadOutcome { Record, Retry, EndOfTape, Failed };

class TapeDumper {
 public:
  TapeDumper(ScsiTransport& drive, const DumpRequest& request, std::ostream& messages)
      : drive_(drive), request_(request), messages_(messages) {}

  int run(const DumpSinkFactory& createSink);

 private:
  bool issueUntilSettled(const ScsiCommand& command, const char* callFailedMessage);
  bool blockLimitsAllowVariableBlocks();
  int copyBlocks(DumpSink& sink);
  ReadOutcome judgeReadSense(const ScsiReply& reply, std::size_t& recordLength);
  bool storeRecord(DumpRecordWriter& writer, std::size_t length);
  int finishDump(DumpSink& sink);
  ScsiCommand command(std::uint8_t opcode, DataDirection direction, std::size_t length);
  SenseVerdict reportSense(const SenseData& sense);

  ScsiTransport& drive_;
  const DumpRequest& request_;
  std::ostream& messages_;
  // Page-aligned: some pass-through adapters require an aligned data buffer.
  alignas(4096) std::array<std::uint8_t, kMaxBlockLength> buffer_{};
};

ScsiCommand TapeDumper::command(std::uint8_t opcode, DataDirection direction, std::size_t length) {
  ScsiCommand cmd;
  cmd.cdb[0] = opcode;
  if (opcode == kOpRead) {
    // Variable-block read (fixed bit clear) of up to kMaxBlockLength bytes.
    cmd.cdb[2] = static_cast<std::uint8_t>(length >> 16);
    cmd.cdb[3] = static_cast<std::uint8_t>(length >> 8);
    cmd.cdb[4] = static_cast<std::uint8_t>(length);
  }
  cmd.direction = direction;
  cmd.data = std::span<std::uint8_t>(buffer_.data(), length);
  return cmd;
}

// Sense keys every command treats alike; keys 0 and 1 are left to the caller.
SenseVerdict TapeDumper::reportSense(const SenseData& sense) {
  switch (sense.key()) {
    case kUnitAttention:
      return SenseVerdict::Repeat;
    case kNotReady:
      messages_ << formatText(msg::kDeviceNotReady, request_.devicePath.c_str());
      return SenseVerdict::Stop;
    default:
      messages_ << fatalSenseMessage(request_.devicePath, sense);
      return SenseVerdict::Stop;
  }
}

SenseData senseOf(const ScsiReply& reply) {
  return decodeSense(std::span(reply.sense.data(), std::min(reply.senseLength, reply.sense.size())));
}

// Issues REWIND or READ BLOCK LIMITS, again after each unit attention.
bool TapeDumper::issueUntilSettled(const ScsiCommand& command, const char* callFailedMessage) {
  for (;;) {
    const ScsiReply reply = drive_.execute(command);
    if (!reply.delivered) {
      messages_ << formatText(callFailedMessage, reply.failureText.c_str());
      return false;
    }
    if (reply.senseLength == 0) return true;
    const SenseData sense = senseOf(reply);
    if (sense.key() == kNoSense || sense.key() == kRecoveredError) return true;
    if (reportSense(sense) == SenseVerdict::Stop) return false;
  }
}

bool TapeDumper::blockLimitsAllowVariableBlocks() {
  std::fill(buffer_.begin(), buffer_.end(), 0);  // a short answer must not leave stale bytes
  if (!issueUntilSettled(command(kOpReadBlockLimits, DataDirection::FromDevice, kMaxBlockLength),
                         msg::kReadBlockLimitsFailed)) {
    return false;
  }
  const unsigned minimumBlockLength = (unsigned{buffer_[4]} << 8) | buffer_[5];
  if (minimumBlockLength == 1) return true;
  messages_ << formatText(msg::kBlockLengthError, request_.devicePath.c_str());
  return false;
}

int TapeDumper::run(const DumpSinkFactory& createSink) {
  if (!issueUntilSettled(command(kOpRewind, DataDirection::None, 0), msg::kRewindFailed)) {
    return kExitFailure;
  }
  if (!blockLimitsAllowVariableBlocks()) return kExitFailure;
  std::string errorText;
  std::unique_ptr<DumpSink> sink = createSink(request_.dumpFileName, errorText);
  if (!sink) {
    messages_ << formatText(msg::kOpenDumpFileFailed, errorText.c_str());
    return kExitFailure;
  }
  return copyBlocks(*sink);
}

// Decides from a READ's sense data whether a record follows, and of what length.
ReadOutcome TapeDumper::judgeReadSense(const ScsiReply& reply, std::size_t& recordLength) {
  const SenseData sense = senseOf(reply);
  if (sense.key() == kBlankCheck) return ReadOutcome::EndOfTape;
  if (sense.key() != kNoSense && sense.key() != kRecoveredError) {
    return reportSense(sense) == SenseVerdict::Repeat ? ReadOutcome::Retry : ReadOutcome::Failed;
  }
  if (sense.filemark()) {
    recordLength = 0;
    return ReadOutcome::Record;
  }
  if (sense.endOfMedium()) return ReadOutcome::EndOfTape;
  if (!sense.incorrectLength()) {
    messages_ << fatalSenseMessage(request_.devicePath, sense);
    return ReadOutcome::Failed;
  }
  if (sense.information && *sense.information < 0) {
    // The block did not fit the buffer: storing the truncated part would lose data unseen.
    const long long realLength = static_cast<long long>(kMaxBlockLength) - *sense.information;
    messages_ << formatText(msg::kBlockTooLong, request_.devicePath.c_str(), realLength,
                            static_cast<unsigned>(kMaxBlockLength));
    return ReadOutcome::Failed;
  }
  recordLength = reply.transferLength;
  if (sense.information && static_cast<std::size_t>(*sense.information) <= kMaxBlockLength) {
    // The drive's own residue bounds the length should a host adapter over-report the transfer.
    recordLength = std::min(recordLength, kMaxBlockLength - static_cast<std::size_t>(*sense.information));
  }
  return ReadOutcome::Record;
}

bool TapeDumper::storeRecord(DumpRecordWriter& writer, std::size_t length) {
  std::string errorText;
  switch (writer.append(std::span<const std::uint8_t>(buffer_.data(), length), errorText)) {
    case AppendResult::Written:
      return true;
    case AppendResult::WriteFailed:
      messages_ << formatText(msg::kDumpWriteFailed, request_.dumpFileName.c_str(), errorText.c_str());
      return false;
    case AppendResult::BackLinkTooLarge:
      messages_ << formatText(msg::kBackLinkOverflow, request_.dumpFileName.c_str());
      return false;
  }
  return false;
}

int TapeDumper::copyBlocks(DumpSink& sink) {
  DumpRecordWriter writer(sink);
  const ScsiCommand read = command(kOpRead, DataDirection::FromDevice, kMaxBlockLength);
  for (;;) {
    const ScsiReply reply = drive_.execute(read);
    if (!reply.delivered) {
      messages_ << formatText(msg::kReadBlockFailed, reply.failureText.c_str());
      return kExitFailure;
    }
    if (reply.transferLength > kMaxBlockLength) {
      messages_ << formatText(msg::kTransferTooLong, request_.devicePath.c_str(), reply.transferLength,
                              kMaxBlockLength);
      return kExitFailure;
    }
    std::size_t recordLength = reply.transferLength;
    if (reply.senseLength != 0) {
      switch (judgeReadSense(reply, recordLength)) {
        case ReadOutcome::Record:
          break;
        case ReadOutcome::Retry:
          continue;
        case ReadOutcome::EndOfTape:
          return finishDump(sink);
        case ReadOutcome::Failed:
          return kExitFailure;
      }
    }
    if (!storeRecord(writer, recordLength)) return kExitFailure;
  }
}

// The recorded data is over: a dump file that fails to close is not a complete dump.
int TapeDumper::finishDump(DumpSink& sink) {
  std::string errorText;
  if (sink.close(errorText)) return kExitSuccess;
  messages_ << formatText(msg::kDumpWriteFailed, request_.dumpFileName.c_str(), errorText.c_str());
  return kExitFailure;
}

}  // namespace

std::unique_ptr<DumpSink> createHostDumpFile(const std::string& path, std::string& errorText) {
  return HostDumpFile::create(path, errorText);
}

int dumpTape(ScsiTransport& drive, const DumpRequest& request, std::ostream& messages,
             const DumpSinkFactory& createSink) {
  auto dumper = std::make_unique<TapeDumper>(drive, request, messages);
  return dumper->run(createSink);
}

}  // namespace tapecopy
