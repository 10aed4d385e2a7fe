// A scripted tape drive behind ScsiTransport: a tape of blocks and tape marks that ends in
// blank check or end of medium, plus answers injected for chosen commands.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "scsi_transport.h"

namespace tapecopy::testing {

constexpr std::uint8_t kRewind = 0x01;
constexpr std::uint8_t kReadBlockLimits = 0x05;
constexpr std::uint8_t kRead = 0x08;
constexpr std::uint8_t kReadPosition = 0x34;

struct TapeMark {};
using Block = std::vector<std::uint8_t>;
// A place on the tape whose READ answers with these sense bytes and data; a stuck one (a drive
// that cannot get past a bad block) answers so again and again.
struct Answered {
  Block data;
  std::vector<std::uint8_t> sense;
  bool stuck = false;
};
using TapeItem = std::variant<Block, TapeMark, Answered>;

enum class TapeEnd { BlankCheck, EndOfMedium };

// Fixed-format sense bytes; `information` sets bytes 3 to 6 and marks them valid.
std::vector<std::uint8_t> senseBytes(std::uint8_t key, std::uint8_t flags = 0, std::uint8_t asc = 0,
                                     std::uint8_t ascq = 0, std::optional<std::int32_t> information = {});

// What the drive answers instead of its own reply.
struct InjectedAnswer {
  std::optional<std::string> callFailure;  // the pass-through call itself fails with this text
  std::vector<std::uint8_t> sense;         // else: these sense bytes, no data
};

struct LoggedCommand {
  std::array<std::uint8_t, kMaxCdbLength> cdb;
  DataDirection direction;
  std::size_t transferLength;
  unsigned timeoutSeconds;
  std::size_t cdbLength;
};

class FakeDrive final : public ScsiTransport {
 public:
  std::vector<TapeItem> tape;
  TapeEnd end = TapeEnd::BlankCheck;
  std::uint16_t minimumBlockLength = 1;
  // Like a host adapter that never reports a residue: every READ claims the full transfer.
  bool claimsFullTransfer = false;
  // Whether incorrect-length sense carries the residue in its information bytes.
  bool reportsResidue = true;
  // Whether READ POSITION is known; it answers the index of the next tape item.
  bool readsPosition = true;
  std::vector<LoggedCommand> log;

  // The `occurrence`-th command (1-based) with this opcode gets `answer`.
  void inject(std::uint8_t opcode, int occurrence, InjectedAnswer answer);
  ScsiReply execute(const ScsiCommand& command) override;

 private:
  ScsiReply readBlock(const ScsiCommand& command);
  ScsiReply readBlockLimits(const ScsiCommand& command);
  ScsiReply readPosition(const ScsiCommand& command);

  std::size_t position_ = 0;
  std::map<std::uint8_t, int> seen_;
  std::map<std::pair<std::uint8_t, int>, InjectedAnswer> injected_;
};

}  // namespace tapecopy::testing
