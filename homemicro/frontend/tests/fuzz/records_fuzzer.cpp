// Arbitrary bytes as a configuration record and as a palette record: decoding must never read
// out of bounds, and whatever decodes must encode back to a record that decodes the same.
#include <cstdint>
#include <cstdlib>
#include <span>

#include "homemicro/frontend/config_file.h"
#include "homemicro/frontend/palette_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace homemicro;
  const std::span<const uint8_t> bytes(data, size);

  if (const auto record = DecodeConfig(bytes)) {
    const auto again = DecodeConfig(EncodeConfigFile(*record));
    if (!again || !(*again == *record)) std::abort();
  }

  const PaletteReadResult palette = DecodePalette(bytes);
  if (palette.Entries.has_value() == !palette.Error.empty()) std::abort();
  if (palette.Entries) {
    const PaletteReadResult again = DecodePalette(EncodePalette(*palette.Entries));
    if (!again.Entries || *again.Entries != *palette.Entries) std::abort();
  }
  return 0;
}
