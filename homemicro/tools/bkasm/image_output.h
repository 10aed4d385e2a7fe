// What bkasm writes: the raw image, the BK tape file (address and length words before the
// bytes) and the listing.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "assembler.h"
#include "memory_image.h"

namespace homemicro::bkasm {

class OutputError : public std::runtime_error {
 public:
  explicit OutputError(const std::string& message) : std::runtime_error(message) {}
};

struct AddressRange {
  uint16_t low;
  uint16_t high;  // inclusive
};

// "LOW:HIGH" in octal, LOW <= HIGH; throws OutputError.
AddressRange ParseAddressRange(std::string_view text);
// An octal byte value 0..377; throws OutputError.
uint8_t ParseFillByte(std::string_view text);

struct ImageBytes {
  uint16_t address;
  std::vector<uint8_t> bytes;
};

// The bytes from the lowest to the highest assembled address, or exactly `range` (assembled bytes
// outside it are an error); bytes inside that nothing assembled hold `fill`. Throws OutputError.
ImageBytes ExtractImage(const MemoryImage& image, std::optional<AddressRange> range, uint8_t fill);

// The tape file layout: address word, length word (little-endian), then the bytes.
std::vector<uint8_t> TapeFile(const ImageBytes& image);

// Address, the assembled words (or bytes), the source line; then the symbols with their values.
std::string FormatListing(const Program& program);

// Writes a whole file through a temporary beside it, so a failed write leaves the old file as it
// was. Throws OutputError with the system's reason.
void WriteFileReplacing(const std::string& path, const std::vector<uint8_t>& bytes);

}  // namespace homemicro::bkasm
