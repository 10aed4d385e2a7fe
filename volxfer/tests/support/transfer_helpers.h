// Engine-level transfers for the tests: a mounted image, whole-file reads and writes through the
// stream entry points in the shell's 512-byte chunks.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ods2/engine.h"
#include "support/test_volume.h"
#include "support/volume_checker.h"

namespace test {

// Opened read/write, the image is judged by the volume checker when the test is done with it
// (closed first if still mounted): a volume that was sound stays sound, and loses no space or file
// numbers unless the test allows it.
class MountedImage {
 public:
  MountedImage(std::vector<std::uint8_t> bytes, bool read_only)
      : original_(std::move(bytes)), image_(original_), read_only_(read_only) {
    handle_ = engine_.VolumeOpen(image_.c_str(), read_only);
  }
  ~MountedImage() {
    if (engine_.volume()) engine_.VolumeClose(handle_);
    if (!read_only_) ExpectStillSound();
  }
  MountedImage(const MountedImage&) = delete;
  MountedImage& operator=(const MountedImage&) = delete;
  // For tests whose failure path keeps a file number or clusters by design.
  void AllowLostSpace() { lost_space_allowed_ = true; }
  bool mounted() const { return handle_ >= 0; }
  ods2::Engine& engine() { return engine_; }
  ods2::Volume& volume() { return *engine_.volume(); }
  const ImageFile& image() const { return image_; }
  const std::vector<std::uint8_t>& original() const { return original_; }
  bool Close() { return engine_.VolumeClose(handle_) == 0; }

 private:
  void ExpectStillSound() const {
    VolumeReport before = CheckVolume(original_);
    if (!before.faults.empty()) return;  // a damaged fixture: the test judges what it damaged
    VolumeReport after = CheckVolume(image_.Contents());
    EXPECT_TRUE(after.faults.empty()) << "after the test: " << FirstFault(after);
    if (lost_space_allowed_) return;
    EXPECT_LE(after.leaked_clusters, before.leaked_clusters) << "clusters in use that no file maps";
    EXPECT_LE(after.leaked_numbers, before.leaked_numbers) << "file numbers in use with no header";
    EXPECT_LE(after.lagging_allocations, before.lagging_allocations) << "allocations behind their maps";
  }

  std::vector<std::uint8_t> original_;
  ImageFile image_;
  bool read_only_;
  ods2::Engine engine_;
  int handle_ = -1;
  bool lost_space_allowed_ = false;
};

struct ReadResult {
  bool opened = false;
  std::vector<std::uint8_t> bytes;
  std::vector<std::int64_t> chunks;  // what each StreamRead answered
  int code = 0;                      // the code after the last read
};

// Reads `spec` whole as get does: 512-byte chunks until code 13 or a failure.
inline ReadResult GetFile(ods2::Engine& engine, const std::string& spec, bool text) {
  ReadResult r;
  if (engine.StreamOpen(spec.c_str(), text) != 0) {
    r.code = engine.LastError();
    return r;
  }
  r.opened = true;
  std::uint8_t buffer[512];
  for (int guard = 0; guard < 1 << 20; ++guard) {
    std::int64_t n = engine.StreamRead(buffer, sizeof buffer);
    r.chunks.push_back(n);
    if (n > 0) r.bytes.insert(r.bytes.end(), buffer, buffer + n);
    if (n < 0 || engine.LastError() == ods2::ErrEof) break;
  }
  r.code = engine.LastError();
  engine.StreamClose();
  return r;
}

// Creates `spec` and writes `data` as put does; the code of the first failure, or 0.
inline int PutFile(ods2::Engine& engine, const std::string& spec, bool text,
                   const std::vector<std::uint8_t>& data, std::uint32_t estimate_blocks) {
  if (engine.StreamCreate(spec.c_str(), text, estimate_blocks) != 0)
    return engine.LastError() ? engine.LastError() : -1;
  for (std::size_t at = 0; at < data.size(); at += 512) {
    std::size_t n = std::min<std::size_t>(512, data.size() - at);
    if (engine.StreamWrite(data.data() + at, n) != static_cast<std::int64_t>(n)) {
      int code = engine.LastError();
      engine.StreamDiscard();  // as put does after a failure
      return code == 0 ? -1 : code;
    }
  }
  return engine.StreamClose() == 0 ? 0 : engine.LastError();
}

inline std::vector<std::uint8_t> Text(const std::string& s) {
  return {s.begin(), s.end()};
}

inline std::uint32_t BlocksFor(std::size_t bytes) {
  return bytes == 0 ? 1 : static_cast<std::uint32_t>((bytes + 511) / 512);
}

}  // namespace test
