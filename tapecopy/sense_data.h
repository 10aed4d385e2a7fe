// Reading the fixed-format sense data a tape drive returns with CHECK CONDITION.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace tapecopy {

enum SenseKey : std::uint8_t {
  kNoSense = 0x0,
  kRecoveredError = 0x1,
  kNotReady = 0x2,
  kUnitAttention = 0x6,
  kBlankCheck = 0x8,
};

struct SenseData {
  std::uint8_t responseCode = 0;         // byte 0
  std::uint8_t flagsAndKey = 0;          // byte 2
  std::uint8_t additionalCode = 0;       // byte 12
  std::uint8_t additionalQualifier = 0;  // byte 13
  // Bytes 3 to 6 when byte 0 marks them valid: for a READ with the incorrect-length flag, the
  // requested length minus the block's real length (negative when the block was longer).
  std::optional<std::int32_t> information;

  std::uint8_t key() const { return flagsAndKey & 0x0F; }
  bool filemark() const { return (flagsAndKey & 0x80) != 0; }
  bool endOfMedium() const { return (flagsAndKey & 0x40) != 0; }
  bool incorrectLength() const { return (flagsAndKey & 0x20) != 0; }
};

// Decodes the returned sense bytes; bytes the drive did not return read as 0.
SenseData decodeSense(std::span<const std::uint8_t> sense);

// "<device>: fatal error (RC ... KEY ... ASC ASCQ)\n".
std::string fatalSenseMessage(const std::string& devicePath, const SenseData& sense);

}  // namespace tapecopy
