#include "fake_drive.h"

#include <algorithm>

namespace tapecopy::testing {
namespace {

void withSense(ScsiReply& reply, const std::vector<std::uint8_t>& sense) {
  std::copy(sense.begin(), sense.end(), reply.sense.begin());
  reply.senseLength = sense.size();
}

}  // namespace

std::vector<std::uint8_t> senseBytes(std::uint8_t key, std::uint8_t flags, std::uint8_t asc,
                                     std::uint8_t ascq, std::optional<std::int32_t> information) {
  std::vector<std::uint8_t> sense(18, 0);
  sense[0] = information ? 0xF0 : 0x70;
  sense[2] = static_cast<std::uint8_t>(flags | key);
  if (information) {
    const auto value = static_cast<std::uint32_t>(*information);
    for (int i = 0; i < 4; ++i) sense[3 + i] = static_cast<std::uint8_t>(value >> (24 - 8 * i));
  }
  sense[7] = 10;  // additional sense length
  sense[12] = asc;
  sense[13] = ascq;
  return sense;
}

void FakeDrive::inject(std::uint8_t opcode, int occurrence, InjectedAnswer answer) {
  injected_[{opcode, occurrence}] = std::move(answer);
}

ScsiReply FakeDrive::execute(const ScsiCommand& command) {
  log.push_back(
      {command.cdb, command.direction, command.data.size(), command.timeoutSeconds, command.cdbLength});
  const std::uint8_t opcode = command.cdb[0];
  const auto injected = injected_.find({opcode, ++seen_[opcode]});
  ScsiReply reply;
  if (injected != injected_.end()) {
    if (injected->second.callFailure) {
      reply.failureText = *injected->second.callFailure;
      return reply;
    }
    reply.delivered = true;
    withSense(reply, injected->second.sense);
    return reply;
  }
  switch (opcode) {
    case kRewind:
      position_ = 0;
      reply.delivered = true;
      return reply;
    case kReadBlockLimits:
      return readBlockLimits(command);
    case kRead:
      return readBlock(command);
    case kReadPosition:
      if (readsPosition) return readPosition(command);
      [[fallthrough]];
    default:
      withSense(reply, senseBytes(0x5, 0, 0x20, 0x00));  // illegal request: invalid opcode
      reply.delivered = true;
      return reply;
  }
}

ScsiReply FakeDrive::readBlockLimits(const ScsiCommand& command) {
  const std::uint8_t limits[6] = {0,
                                  0x00,
                                  0xFF,
                                  0xFF,
                                  static_cast<std::uint8_t>(minimumBlockLength >> 8),
                                  static_cast<std::uint8_t>(minimumBlockLength)};
  ScsiReply reply;
  reply.delivered = true;
  reply.transferLength = std::min(command.data.size(), sizeof limits);
  std::copy_n(limits, reply.transferLength, command.data.begin());
  return reply;
}

ScsiReply FakeDrive::readPosition(const ScsiCommand& command) {
  std::uint8_t answer[20] = {};
  for (int i = 0; i < 4; ++i) answer[4 + i] = static_cast<std::uint8_t>(position_ >> (24 - 8 * i));
  ScsiReply reply;
  reply.delivered = true;
  reply.transferLength = std::min(command.data.size(), sizeof answer);
  std::copy_n(answer, reply.transferLength, command.data.begin());
  return reply;
}

ScsiReply FakeDrive::readBlock(const ScsiCommand& command) {
  ScsiReply reply;
  reply.delivered = true;
  if (position_ >= tape.size()) {
    if (end == TapeEnd::BlankCheck) {
      withSense(reply, senseBytes(0x8, 0, 0x00, 0x05));  // end of data detected
    } else {
      withSense(reply, senseBytes(0x0, 0x40, 0x00, 0x02));  // end of partition/medium
    }
    return reply;
  }
  const TapeItem& item = tape[position_++];
  if (const auto* answered = std::get_if<Answered>(&item)) {
    if (answered->stuck) --position_;
    reply.transferLength = std::min(answered->data.size(), command.data.size());
    std::copy_n(answered->data.begin(), reply.transferLength, command.data.begin());
    withSense(reply, answered->sense);
    return reply;
  }
  if (std::holds_alternative<TapeMark>(item)) {
    withSense(reply, senseBytes(0x0, 0x80, 0x00, 0x01));  // filemark detected
    return reply;
  }
  const Block& block = std::get<Block>(item);
  const std::size_t requested = command.data.size();
  const std::size_t moved = std::min(block.size(), requested);
  std::copy_n(block.begin(), moved, command.data.begin());
  reply.transferLength = claimsFullTransfer ? requested : moved;
  if (block.size() != requested) {
    std::optional<std::int32_t> residue;
    if (reportsResidue) {
      residue =
          static_cast<std::int32_t>(static_cast<long long>(requested) - static_cast<long long>(block.size()));
    }
    withSense(reply, senseBytes(0x0, 0x20, 0x00, 0x00, residue));
  }
  return reply;
}

}  // namespace tapecopy::testing
