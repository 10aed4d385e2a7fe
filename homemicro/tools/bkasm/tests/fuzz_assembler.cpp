// Feeds arbitrary text through the whole assembler and its outputs: errors are fine, crashes and
// out-of-bounds accesses are not.
#include <cstddef>
#include <cstdint>
#include <string>

#include "assembler.h"
#include "image_output.h"
#include "instruction_encoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace homemicro::bkasm;
  const std::string text(reinterpret_cast<const char*>(data), size);
  const Program program = AssembleProgram(text);
  FormatListing(program);
  if (program.errors.empty()) {
    try {
      TapeFile(ExtractImage(program.image, std::nullopt, 0));
    } catch (const OutputError&) {
    }
  }
  AssembleInstruction(text.substr(0, text.find('\n')),
                      size > 1 ? static_cast<uint16_t>(data[0] | data[1] << 8) : 0);
  return 0;
}
