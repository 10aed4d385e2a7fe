// The two dump formats: the kit's own (big-endian lengths with a back link, see dump_file.h) and
// the SIMH tape image that emulators read: per record a 32-bit little-endian byte count, the data
// padded to an even length, the count again; a tape mark is a count of 0, the end of the medium
// 0xFFFFFFFF, and bit 31 of the count marks data read with errors.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "dump_file.h"

namespace tapecopy {

enum class ImageFormat { Kit, Simh };

inline constexpr std::uint32_t kSimhTapeMark = 0x00000000;
inline constexpr std::uint32_t kSimhEndOfMedium = 0xFFFFFFFF;
inline constexpr std::uint32_t kSimhEraseGap = 0xFFFFFFFE;
inline constexpr std::uint32_t kSimhErrorFlag = 0x80000000;
// The count's low 24 bits are the length; the top byte holds the class (0 good, 8 error).
inline constexpr std::uint32_t kSimhLengthMask = 0x00FFFFFF;

// A name ending in ".tap" (any case) asks for a SIMH image; anything else for the kit's format.
ImageFormat formatForFileName(std::string_view fileName);

class TapeImageWriter {
 public:
  virtual ~TapeImageWriter() = default;
  virtual AppendResult block(std::span<const std::uint8_t> data, std::string& errorText) = 0;
  virtual AppendResult tapeMark(std::string& errorText) = 0;
  // Whether the format can hold a record of data read with errors.
  virtual bool keepsErrorRecords() const = 0;
  // Writes nothing where the format has no such record.
  virtual AppendResult errorRecord(std::span<const std::uint8_t> data, std::string& errorText) = 0;
  // After the last record of a complete tape.
  virtual bool finish(std::string& errorText) = 0;
};

std::unique_ptr<TapeImageWriter> makeImageWriter(ImageFormat format, DumpSink& sink);

}  // namespace tapecopy
