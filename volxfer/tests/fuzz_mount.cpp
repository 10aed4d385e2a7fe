// Fuzz target: mounts a mutated volume image read/write, walks its reserved files and directory
// tree, reads the first files it lists, creates and writes a file, and closes it. The first input byte picks
// whether checksums are made right first, so that mutations also reach the checks behind them.
#include <unistd.h>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "ods2/directory.h"
#include "ods2/engine.h"

namespace {

void FixChecksums(std::vector<std::uint8_t>& image) {
  for (std::size_t at = 0; at + 512 <= image.size(); at += 512) {
    std::span<std::uint8_t> block(image.data() + at, 512);
    if (at == 512) ods2::PutU16(block, 58, ods2::WordChecksum(block, 58));
    ods2::PutU16(block, 510, ods2::WordChecksum(block, 510));
  }
}

void WalkReservedFiles(ods2::Volume& volume) {
  std::uint16_t reserved = volume.home_block().reserved_files();
  for (std::uint16_t n = 1; n <= reserved && n < 16; ++n) {
    for (int window : {ods2::kNoWindow, 1, ods2::kWholeFile}) {
      ods2::OpenFile file;
      if (!file.Access(volume, window, ods2::FileId{n, n, 0, 0})) continue;
      ods2::FileInfo info;
      file.GetAttributes(info);
      if (window == 1) file.MapBlocks(info.eof_vbn > 0 ? info.eof_vbn - 1 : 0, 1, false);
      file.Deaccess();
    }
  }
}

// Reads a file through the stream, as get does, for a bounded number of chunks.
void ReadSome(ods2::Engine& engine, const std::string& name, bool text) {
  if (engine.StreamOpen(name.c_str(), text) != 0) return;
  std::uint8_t buffer[512];
  for (int chunk = 0; chunk < 64; ++chunk)
    if (engine.StreamRead(buffer, sizeof buffer) <= 0 || engine.LastError() == ods2::ErrEof) break;
  engine.StreamClose();
}

void WriteOne(ods2::Engine& engine, bool text) {
  if (engine.StreamCreate("FUZZ.TXT;7", text, 2) != 0) return;
  std::uint8_t line[700];
  for (std::size_t i = 0; i < sizeof line; ++i)
    line[i] = i % 50 == 49 ? '\n' : static_cast<std::uint8_t>('a' + i % 26);
  engine.StreamWrite(line, 512);
  engine.StreamWrite(line + 512, sizeof line - 512);
  engine.StreamClose();
}

// Lists the current directory and descends into every subdirectory it names, a few levels deep.
void WalkDirectories(ods2::Engine& engine, int depth, bool text) {
  ods2::FileInfo info;
  std::vector<std::string> subdirectories;
  std::vector<std::string> files;
  for (int guard = 0; guard < 4096 && engine.DirSearch("*.*;*", &info) == 0; ++guard) {
    if (info.name.find(".DIR;") != std::string::npos && subdirectories.size() < 4)
      subdirectories.push_back(info.name);
    else if (files.size() < 3 && info.name.find(".SYS;") == std::string::npos)
      files.push_back(info.name);
  }
  for (const std::string& name : files) ReadSome(engine, name, text);
  if (depth == 0) return;
  for (const std::string& name : subdirectories) {
    if (name.rfind("000000.DIR", 0) == 0 || engine.ChangeDir(name.c_str()) != 0) continue;
    WalkDirectories(engine, depth - 1, text);
    engine.ChangeDirUp();
  }
  std::uint32_t cursor = 0;
  ods2::Lookup(*engine.volume(), false, ods2::kMasterDirectoryId, cursor, "A.TXT;2");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  std::vector<std::uint8_t> image(data + 1, data + size);
  image.resize((image.size() + 511) / 512 * 512, 0);
  if (data[0] & 1) FixChecksums(image);

  static const std::string path = "/tmp/volxfer-fuzz-" + std::to_string(::getpid()) + ".img";
  std::FILE* out = std::fopen(path.c_str(), "wb");
  if (!out) return 0;
  std::fwrite(image.data(), 1, image.size(), out);
  std::fclose(out);

  ods2::Engine engine;
  int handle = engine.VolumeOpen(path.c_str(), (data[0] & 2) != 0);
  if (handle >= 0) {
    ods2::VolumeInfo info;
    engine.VolumeQuery(&info);
    WalkReservedFiles(*engine.volume());
    WalkDirectories(engine, 3, (data[0] & 4) != 0);
    WriteOne(engine, (data[0] & 4) != 0);
    ReadSome(engine, "FUZZ.TXT", (data[0] & 4) != 0);
    engine.VolumeClose(handle);
  }
  ::unlink(path.c_str());
  return 0;
}
