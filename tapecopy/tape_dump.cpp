#include "tape_dump.h"

#include <algorithm>
#include <array>
#include <optional>

#include "messages.h"
#include "progress.h"
#include "sense_data.h"
#include "text_format.h"

namespace tapecopy {
namespace {

constexpr std::uint8_t kOpRewind = 0x01;
constexpr std::uint8_t kOpReadBlockLimits = 0x05;
constexpr std::uint8_t kOpRead = 0x08;
constexpr std::uint8_t kOpReadPosition = 0x34;
constexpr std::size_t kReadPositionLength = 20;  // the short form's answer
constexpr std::uint8_t kMediumError = 0x3;

// What a command's sense data asks of the caller.
enum class SenseVerdict { Repeat, Stop };
enum class ReadOutcome { Block, TapeMark, Retry, EndOfTape, MediumError, Failed };

struct ReadResult {
  ReadOutcome outcome = ReadOutcome::Block;
  std::size_t length = 0;
  bool lastBlock = false;  // end of medium came together with this block
};

SenseData senseOf(const ScsiReply& reply) {
  return decodeSense(std::span(reply.sense.data(), std::min(reply.senseLength, reply.sense.size())));
}

class TapeDumper {
 public:
  TapeDumper(ScsiTransport& drive, const DumpRequest& request, std::ostream& messages)
      : drive_(drive),
        request_(request),
        options_(request.options),
        readLength_(std::clamp<std::size_t>(options_.maxBlock, 1, kLargestMaxBlock)),
        messages_(messages),
        progress_(messages, options_.showProgress) {}

  int run(const DumpSinkFactory& createSink);

 private:
  bool issueUntilSettled(const ScsiCommand& command, const char* callFailedMessage);
  bool blockLimitsAllowVariableBlocks();
  int copyBlocks(DumpSink& sink);
  ReadResult judgeReadSense(const ScsiReply& reply);
  ReadResult shortBlock(const ScsiReply& reply, const SenseData& sense);
  bool skipBadBlock(TapeImageWriter& writer, const ScsiReply& reply);
  std::optional<std::uint64_t> drivePosition();
  bool stored(AppendResult result, const std::string& errorText);
  int finishDump(TapeImageWriter& writer, DumpSink& sink);
  ScsiCommand command(std::uint8_t opcode, DataDirection direction, std::size_t length);
  SenseVerdict reportSense(const SenseData& sense);
  void report(const std::string& text);

  ScsiTransport& drive_;
  const DumpRequest& request_;
  const DumpOptions& options_;
  const std::size_t readLength_;
  std::ostream& messages_;
  ProgressLine progress_;
  DumpTally tally_;
  unsigned errorsInRow_ = 0;
  std::optional<std::uint64_t> lastErrorPosition_;
  // Page-aligned: some pass-through adapters require an aligned data buffer.
  alignas(4096) std::array<std::uint8_t, kLargestMaxBlock + 1> buffer_{};
  std::array<std::uint8_t, kReadPositionLength> position_{};
};

ScsiCommand TapeDumper::command(std::uint8_t opcode, DataDirection direction, std::size_t length) {
  ScsiCommand cmd;
  cmd.cdb[0] = opcode;
  if (opcode == kOpRead) {
    // Variable-block read (fixed bit clear) of up to `length` bytes.
    cmd.cdb[2] = static_cast<std::uint8_t>(length >> 16);
    cmd.cdb[3] = static_cast<std::uint8_t>(length >> 8);
    cmd.cdb[4] = static_cast<std::uint8_t>(length);
  }
  cmd.direction = direction;
  cmd.data = std::span<std::uint8_t>(buffer_.data(), length);
  return cmd;
}

void TapeDumper::report(const std::string& text) {
  progress_.clear();
  messages_ << text;
}

// Sense keys every command treats alike; keys 0 and 1 are left to the caller.
SenseVerdict TapeDumper::reportSense(const SenseData& sense) {
  switch (sense.key()) {
    case kUnitAttention:
      return SenseVerdict::Repeat;
    case kNotReady:
      report(formatText(msg::kDeviceNotReady, request_.devicePath.c_str()));
      return SenseVerdict::Stop;
    default:
      report(fatalSenseMessage(request_.devicePath, sense));
      return SenseVerdict::Stop;
  }
}

// Issues REWIND or READ BLOCK LIMITS, again after each unit attention.
bool TapeDumper::issueUntilSettled(const ScsiCommand& command, const char* callFailedMessage) {
  for (;;) {
    const ScsiReply reply = drive_.execute(command);
    if (!reply.delivered) {
      report(formatText(callFailedMessage, reply.failureText.c_str()));
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
  report(formatText(msg::kBlockLengthError, request_.devicePath.c_str()));
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
    report(formatText(msg::kOpenDumpFileFailed, errorText.c_str()));
    return kExitFailure;
  }
  return copyBlocks(*sink);
}

// Decides from a READ's sense data whether a record follows, and of what length.
ReadResult TapeDumper::judgeReadSense(const ScsiReply& reply) {
  const SenseData sense = senseOf(reply);
  if (sense.key() == kBlankCheck) return {ReadOutcome::EndOfTape};
  if (sense.key() == kMediumError && options_.skipErrors) return {ReadOutcome::MediumError};
  if (sense.key() != kNoSense && sense.key() != kRecoveredError) {
    return {reportSense(sense) == SenseVerdict::Repeat ? ReadOutcome::Retry : ReadOutcome::Failed};
  }
  if (sense.filemark()) return {ReadOutcome::TapeMark};
  if (sense.endOfMedium()) {
    // A block read as the end arrives is still a block of the tape: keep it, then stop.
    if (reply.transferLength == 0) return {ReadOutcome::EndOfTape};
    ReadResult last = sense.incorrectLength() ? shortBlock(reply, sense)
                                              : ReadResult{ReadOutcome::Block, reply.transferLength};
    last.lastBlock = true;
    return last;
  }
  if (!sense.incorrectLength()) {
    // The drive corrected the block and handed it over whole: it is good data, not a failure.
    if (sense.key() == kRecoveredError) return {ReadOutcome::Block, reply.transferLength};
    report(fatalSenseMessage(request_.devicePath, sense));
    return {ReadOutcome::Failed};
  }
  return shortBlock(reply, sense);
}

// A block shorter (or longer) than the READ asked for.
ReadResult TapeDumper::shortBlock(const ScsiReply& reply, const SenseData& sense) {
  if (sense.information && *sense.information < 0) {
    // The block did not fit the buffer: storing the truncated part would lose data unseen.
    const long long realLength = static_cast<long long>(readLength_) - *sense.information;
    report(formatText(msg::kBlockTooLong, request_.devicePath.c_str(), realLength,
                      static_cast<unsigned>(readLength_)));
    return {ReadOutcome::Failed};
  }
  std::size_t length = reply.transferLength;
  if (sense.information && static_cast<std::size_t>(*sense.information) <= readLength_) {
    // The drive's own residue bounds the length should a host adapter over-report the transfer.
    length = std::min(length, readLength_ - static_cast<std::size_t>(*sense.information));
  }
  return {ReadOutcome::Block, length};
}

// The drive's logical position (READ POSITION, short form), when it tells one.
std::optional<std::uint64_t> TapeDumper::drivePosition() {
  ScsiCommand query;
  query.cdb[0] = kOpReadPosition;
  query.cdbLength = 10;
  query.direction = DataDirection::FromDevice;
  position_.fill(0);
  query.data = position_;
  const ScsiReply reply = drive_.execute(query);
  constexpr std::uint8_t kPositionUnknown = 0x04;
  if (!reply.delivered || reply.senseLength != 0 || reply.transferLength < 8 ||
      (position_[0] & kPositionUnknown) != 0) {
    return std::nullopt;
  }
  return (std::uint64_t{position_[4]} << 24) | (std::uint64_t{position_[5]} << 16) |
         (std::uint64_t{position_[6]} << 8) | position_[7];
}

// A medium error under --skip-errors: note it, keep what came back as an error record where the
// format can, and go on; unless the errors come in a run or the drive does not get past the block.
bool TapeDumper::skipBadBlock(TapeImageWriter& writer, const ScsiReply& reply) {
  const SenseData sense = senseOf(reply);
  if (++errorsInRow_ >= options_.errorLimit) {
    report(fatalSenseMessage(request_.devicePath, sense));
    report(formatText(msg::kTooManyBadBlocks, request_.devicePath.c_str(), errorsInRow_));
    return false;
  }
  const std::optional<std::uint64_t> position = drivePosition();
  if (position && lastErrorPosition_ == position) {
    report(fatalSenseMessage(request_.devicePath, sense));
    report(formatText(msg::kBadBlockAgain, request_.devicePath.c_str()));
    return false;
  }
  lastErrorPosition_ = position;
  report(formatText(msg::kBadBlockSkipped, request_.devicePath.c_str(),
                    static_cast<unsigned long long>(tally_.objects()), sense.responseCode, sense.flagsAndKey,
                    sense.additionalCode, sense.additionalQualifier));
  std::string errorText;
  const std::span<const std::uint8_t> data(buffer_.data(), reply.transferLength);
  if (!stored(writer.errorRecord(data, errorText), errorText)) return false;
  ++tally_.badBlocks;
  return true;
}

bool TapeDumper::stored(AppendResult result, const std::string& errorText) {
  switch (result) {
    case AppendResult::Written:
      return true;
    case AppendResult::WriteFailed:
    case AppendResult::RecordTooLong:  // cannot happen with blocks of at most kLargestMaxBlock
      report(formatText(msg::kDumpWriteFailed, request_.dumpFileName.c_str(), errorText.c_str()));
      return false;
    case AppendResult::BackLinkTooLarge:
      report(formatText(msg::kBackLinkOverflow, request_.dumpFileName.c_str()));
      return false;
  }
  return false;
}

int TapeDumper::copyBlocks(DumpSink& sink) {
  std::unique_ptr<TapeImageWriter> writer = makeImageWriter(options_.format, sink);
  const ScsiCommand read = command(kOpRead, DataDirection::FromDevice, readLength_);
  for (;;) {
    const ScsiReply reply = drive_.execute(read);
    if (!reply.delivered) {
      report(formatText(msg::kReadBlockFailed, reply.failureText.c_str()));
      return kExitFailure;
    }
    if (reply.transferLength > readLength_) {
      report(
          formatText(msg::kTransferTooLong, request_.devicePath.c_str(), reply.transferLength, readLength_));
      return kExitFailure;
    }
    const ReadResult result =
        reply.senseLength != 0 ? judgeReadSense(reply) : ReadResult{ReadOutcome::Block, reply.transferLength};
    std::string errorText;
    switch (result.outcome) {
      case ReadOutcome::Retry:
        continue;
      case ReadOutcome::EndOfTape:
        return finishDump(*writer, sink);
      case ReadOutcome::Failed:
        return kExitFailure;
      case ReadOutcome::MediumError:
        if (!skipBadBlock(*writer, reply)) return kExitFailure;
        break;
      case ReadOutcome::TapeMark:
        if (!stored(writer->tapeMark(errorText), errorText)) return kExitFailure;
        ++tally_.tapeMarks;
        errorsInRow_ = 0;
        break;
      case ReadOutcome::Block:
        if (!stored(writer->block(std::span(buffer_.data(), result.length), errorText), errorText)) {
          return kExitFailure;
        }
        // An empty block is written as a tape mark, in both formats.
        ++(result.length == 0 ? tally_.tapeMarks : tally_.blocks);
        tally_.bytes += result.length;
        errorsInRow_ = 0;
        if (result.lastBlock) return finishDump(*writer, sink);
        break;
    }
    progress_.update(tally_);
  }
}

// The recorded data is over: a dump file that fails to close is not a complete dump.
int TapeDumper::finishDump(TapeImageWriter& writer, DumpSink& sink) {
  std::string errorText;
  if (!writer.finish(errorText) || !sink.close(errorText)) {
    report(formatText(msg::kDumpWriteFailed, request_.dumpFileName.c_str(), errorText.c_str()));
    return kExitFailure;
  }
  report(summaryText(tally_, false));
  return kExitSuccess;
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
