#include "image_output.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "asm_error.h"
#include "line_scanner.h"
#include "octal.h"

namespace homemicro::bkasm {
namespace {

using debugger::OctStr;
using debugger::OctStr6;

uint16_t ParseOctal(std::string_view text, std::string_view what) {
  try {
    return ParseDigits(text, 8);
  } catch (const AsmError& e) {
    throw OutputError(std::string(what) + ": " + e.what());
  }
}

// One listing row: up to six bytes as words where they pair up on an even address.
std::string FormatBytes(uint16_t address, const std::vector<uint8_t>& bytes, size_t from, size_t count) {
  std::string text;
  size_t i = from;
  while (i < from + count) {
    const auto at = static_cast<uint16_t>(address + i);
    if (!text.empty()) text += ' ';
    if ((at & 1) == 0 && i + 1 < from + count) {
      text += OctStr6(static_cast<uint16_t>(bytes[i] | bytes[i + 1] << 8));
      i += 2;
    } else {
      text += OctStr6(bytes[i]).substr(3);
      ++i;
    }
  }
  return text;
}

}  // namespace

AddressRange ParseAddressRange(std::string_view text) {
  const size_t colon = text.find(':');
  if (colon == std::string_view::npos)
    throw OutputError("range must be LOW:HIGH in octal, for example 100000:177777");
  const AddressRange range{ParseOctal(text.substr(0, colon), "range start"),
                           ParseOctal(text.substr(colon + 1), "range end")};
  if (range.low > range.high)
    throw OutputError("range start " + OctStr(range.low) + " is above its end " + OctStr(range.high));
  return range;
}

uint8_t ParseFillByte(std::string_view text) {
  const uint16_t value = ParseOctal(text, "fill value");
  if (value > 0377) throw OutputError("fill value " + OctStr(value) + " is not a byte (0..377)");
  return static_cast<uint8_t>(value);
}

ImageBytes ExtractImage(const MemoryImage& image, std::optional<AddressRange> range, uint8_t fill) {
  uint32_t low = image.Low();
  uint32_t high = image.High();  // exclusive
  if (range) {
    if (!image.Empty() && (low < range->low || high - 1 > range->high)) {
      const uint32_t outside = low < range->low ? low : high - 1;
      throw OutputError("code at " + OctStr(static_cast<uint16_t>(outside)) + " lies outside the range " +
                        OctStr(range->low) + ":" + OctStr(range->high));
    }
    low = range->low;
    high = range->high + 1u;
  } else if (image.Empty()) {
    throw OutputError("the program assembles to no bytes");
  }
  ImageBytes result{static_cast<uint16_t>(low), {}};
  result.bytes.reserve(high - low);
  for (uint32_t a = low; a < high; ++a) result.bytes.push_back(image.Used(a) ? image.Byte(a) : fill);
  return result;
}

std::vector<uint8_t> TapeFile(const ImageBytes& image) {
  if (image.bytes.size() > 0177777) {
    throw OutputError("a tape file holds at most 65535. bytes; this image has " +
                      std::to_string(image.bytes.size()) + ".");
  }
  const auto length = static_cast<uint16_t>(image.bytes.size());
  std::vector<uint8_t> file;
  file.reserve(4 + image.bytes.size());
  for (const uint16_t word : {image.address, length}) {
    file.push_back(static_cast<uint8_t>(word & 0377));
    file.push_back(static_cast<uint8_t>(word >> 8));
  }
  file.insert(file.end(), image.bytes.begin(), image.bytes.end());
  return file;
}

std::string FormatListing(const Program& program) {
  std::string text;
  for (const ListingEntry& entry : program.listing) {
    const std::string address = entry.showAddress ? OctStr6(entry.address) : std::string(6, ' ');
    const size_t first = std::min<size_t>(entry.bytes.size(), 6);
    std::string row = address + "  " + FormatBytes(entry.address, entry.bytes, 0, first);
    row.resize(std::max<size_t>(row.size(), 30), ' ');
    text += row + "  " + entry.source + "\n";
    for (size_t from = 6; from < entry.bytes.size(); from += 6) {
      const auto at = static_cast<uint16_t>(entry.address + from);
      text += OctStr6(at) + "  " +
              FormatBytes(entry.address, entry.bytes, from, std::min<size_t>(6, entry.bytes.size() - from)) +
              "\n";
    }
  }
  if (!program.symbols.empty()) {
    text += "\nSymbols:\n";
    for (const auto& [name, value] : program.symbols) text += OctStr6(value) + "  " + name + "\n";
  }
  return text;
}

namespace {

// Writes a new file whole; on failure removes what it wrote.
void WriteDirectly(const std::string& path, const std::string& shownName, const std::vector<uint8_t>& bytes) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) throw OutputError("cannot create " + shownName + ": " + std::strerror(errno));
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  const int writeErrno = errno;
  const bool closed = std::fclose(file) == 0;
  const int closeErrno = errno;
  if (!written || !closed) {
    std::remove(path.c_str());
    throw OutputError("cannot write " + shownName + ": " + std::strerror(written ? closeErrno : writeErrno));
  }
}

}  // namespace

void WriteFileReplacing(const std::string& path, const std::vector<uint8_t>& bytes) {
  namespace fs = std::filesystem;
  std::error_code error;
  // Through a symbolic link the file it names is replaced, not the link.
  fs::path target = path;
  if (fs::is_symlink(fs::symlink_status(target, error))) {
    const fs::path resolved = fs::canonical(target, error);
    if (!error) target = resolved;
  }
  // Devices and pipes (/dev/stdout) cannot be replaced by renaming: they are written in place.
  const fs::file_status status = fs::status(target, error);
  if (fs::exists(status) && !fs::is_regular_file(status)) {
    std::FILE* file = std::fopen(target.c_str(), "wb");
    if (file == nullptr) throw OutputError("cannot open " + path + ": " + std::strerror(errno));
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    if (std::fclose(file) != 0 || !written)
      throw OutputError("cannot write " + path + ": " + std::strerror(errno));
    return;
  }
  const std::string temporary = target.string() + ".bkasm-tmp";
  WriteDirectly(temporary, path, bytes);
  fs::rename(temporary, target, error);
  if (error) {
    std::remove(temporary.c_str());
    throw OutputError("cannot write " + path + ": " + error.message());
  }
}

}  // namespace homemicro::bkasm
