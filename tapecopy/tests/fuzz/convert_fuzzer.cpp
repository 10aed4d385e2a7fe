// Feeds any bytes to --convert in both directions: the readers must neither crash nor read past
// what the file holds, and every refusal must say why.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "image_convert.h"

namespace {

using namespace tapecopy;

class MemorySink final : public DumpSink {
 public:
  std::uint64_t position() const override { return size_; }
  bool write(std::span<const std::uint8_t> bytes, std::string&) override {
    size_ += bytes.size();
    return true;
  }
  bool flush(std::string&) override { return true; }
  bool close(std::string&) override { return true; }

 private:
  std::uint64_t size_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string path = "/tmp/tapecopy-convert-fuzz-" + std::to_string(::getpid());
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) std::abort();
  if (size != 0 && std::fwrite(data, 1, size, file) != size) std::abort();
  std::fclose(file);
  for (ImageFormat output : {ImageFormat::Kit, ImageFormat::Simh}) {
    std::ostringstream messages;
    const int exitCode =
        convertImage(path, "fuzz-output", output, messages,
                     [](const std::string&, std::string&) { return std::make_unique<MemorySink>(); });
    if (exitCode != kExitSuccess && exitCode != kExitFailure) std::abort();
    if (messages.str().empty()) std::abort();  // a summary or the reason
  }
  std::remove(path.c_str());
  return 0;
}
