#include "device_name.h"

#include <climits>
#include <cstdint>

namespace tapecopy {
namespace {

bool isSpace(char c) {
  return c == ' ' || (c >= '\t' && c <= '\r');
}
bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

enum class NumberScan { Parsed, Missing, TooLarge };

// Reads a decimal int the way a "%d" conversion does: leading white space, an optional sign, at
// least one digit. On success `text` is advanced past the number.
NumberScan scanInt(std::string_view& text, int& value) {
  std::size_t at = 0;
  while (at < text.size() && isSpace(text[at])) ++at;
  bool negative = false;
  if (at < text.size() && (text[at] == '+' || text[at] == '-')) negative = text[at++] == '-';
  if (at >= text.size() || !isDigit(text[at])) return NumberScan::Missing;
  const std::int64_t limit = negative ? -static_cast<std::int64_t>(INT_MIN) : INT_MAX;
  std::int64_t magnitude = 0;
  for (; at < text.size() && isDigit(text[at]); ++at) {
    magnitude = magnitude * 10 + (text[at] - '0');
    if (magnitude > limit) return NumberScan::TooLarge;
  }
  value = static_cast<int>(negative ? -magnitude : magnitude);
  text.remove_prefix(at);
  return NumberScan::Parsed;
}

// Fills as many of `fields` as parse, separated by ':'; false only for an oversized number.
template <std::size_t N>
bool scanFields(std::string_view text, int* const (&fields)[N]) {
  for (std::size_t i = 0; i < N; ++i) {
    if (i > 0) {
      if (text.empty() || text.front() != ':') return true;
      text.remove_prefix(1);
    }
    switch (scanInt(text, *fields[i])) {
      case NumberScan::Parsed:
        break;
      case NumberScan::Missing:
        return true;
      case NumberScan::TooLarge:
        return false;
    }
  }
  return true;
}

constexpr std::string_view kTapePrefix = "tape";
constexpr std::string_view kTapePathPrefix = "\\\\.\\tape";
constexpr std::string_view kScsiPrefix = "scsi";
constexpr std::string_view kScsiPathPrefix = "\\\\.\\scsi";
constexpr std::string_view kNoRewindTapePrefix = "/dev/nst";
constexpr std::string_view kRewindTapePrefix = "/dev/st";
constexpr std::string_view kGenericPrefix = "/dev/sg";

// The number of a /dev node name: digits only, then for tape nodes at most one mode letter.
std::optional<int> deviceNodeNumber(std::string_view rest, bool modeLetterAllowed) {
  std::size_t digits = 0;
  while (digits < rest.size() && isDigit(rest[digits])) ++digits;
  if (digits == 0 || digits > 9) return std::nullopt;
  const std::string_view suffix = rest.substr(digits);
  if (!suffix.empty() && !(modeLetterAllowed && suffix.size() == 1 && suffix.find_first_of("lma") == 0)) {
    return std::nullopt;
  }
  int value = 0;
  for (char c : rest.substr(0, digits)) value = value * 10 + (c - '0');
  return value;
}

std::optional<DeviceName> parseDeviceNode(std::string_view lowered) {
  DeviceName device;
  for (std::string_view prefix : {kNoRewindTapePrefix, kRewindTapePrefix}) {
    if (!lowered.starts_with(prefix)) continue;
    const std::optional<int> number = deviceNodeNumber(lowered.substr(prefix.size()), true);
    if (!number) return std::nullopt;
    device.tapeNumber = *number;
    return device;
  }
  const std::optional<int> number = deviceNodeNumber(lowered.substr(kGenericPrefix.size()), false);
  if (!number) return std::nullopt;
  device.kind = DeviceKind::Generic;
  device.genericNumber = *number;
  return device;
}

}  // namespace

std::string lowerCaseDeviceName(std::string_view name) {
  std::string lowered(name);
  for (char& c : lowered) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return lowered;
}

std::optional<DeviceName> parseDeviceName(std::string_view lowered) {
  if (lowered.starts_with("/dev/")) {
    if (lowered.starts_with(kGenericPrefix) || lowered.starts_with(kNoRewindTapePrefix) ||
        lowered.starts_with(kRewindTapePrefix)) {
      return parseDeviceNode(lowered);
    }
    return std::nullopt;
  }
  DeviceName device;
  for (std::string_view prefix : {kTapePrefix, kTapePathPrefix}) {
    if (lowered.starts_with(prefix)) {
      int* const fields[] = {&device.tapeNumber};
      if (!scanFields(lowered.substr(prefix.size()), fields)) return std::nullopt;
      return device;
    }
  }
  for (std::string_view prefix : {kScsiPrefix, kScsiPathPrefix}) {
    if (lowered.starts_with(prefix)) {
      device.kind = DeviceKind::Adapter;
      int* const fields[] = {&device.port, &device.bus, &device.target};
      if (!scanFields(lowered.substr(prefix.size()), fields)) return std::nullopt;
      return device;
    }
  }
  return std::nullopt;
}

std::string windowsDevicePath(const DeviceName& device) {
  if (device.kind == DeviceKind::Generic) return "/dev/sg" + std::to_string(device.genericNumber);
  if (device.kind == DeviceKind::Tape) return "\\\\.\\Tape" + std::to_string(device.tapeNumber);
  return "\\\\.\\Scsi" + std::to_string(device.port) + ":";
}

}  // namespace tapecopy
