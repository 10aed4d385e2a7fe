#include "sense_data.h"

#include "messages.h"
#include "text_format.h"

namespace tapecopy {
namespace {

std::uint8_t byteAt(std::span<const std::uint8_t> bytes, std::size_t index) {
  return index < bytes.size() ? bytes[index] : 0;
}

}  // namespace

SenseData decodeSense(std::span<const std::uint8_t> sense) {
  SenseData decoded;
  decoded.responseCode = byteAt(sense, 0);
  decoded.flagsAndKey = byteAt(sense, 2);
  decoded.additionalCode = byteAt(sense, 12);
  decoded.additionalQualifier = byteAt(sense, 13);
  const bool valid = (decoded.responseCode & 0x80) != 0;
  const std::uint8_t code = decoded.responseCode & 0x7F;
  if (valid && (code == 0x70 || code == 0x71) && sense.size() >= 7) {
    const std::uint32_t raw = (std::uint32_t{sense[3]} << 24) | (std::uint32_t{sense[4]} << 16) |
                              (std::uint32_t{sense[5]} << 8) | sense[6];
    decoded.information = static_cast<std::int32_t>(raw);
  }
  return decoded;
}

std::string fatalSenseMessage(const std::string& devicePath, const SenseData& sense) {
  return formatText(msg::kFatalSense, devicePath.c_str(), sense.responseCode, sense.flagsAndKey,
                    sense.additionalCode, sense.additionalQualifier);
}

}  // namespace tapecopy
