// Minimal image writers: PNG with stored (uncompressed) deflate blocks, and binary PGM.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace bkrun {

struct Image {
  int width = 0, height = 0;
  int channels = 1;             // 1 grey, 3 RGB
  std::vector<uint8_t> pixels;  // rows top to bottom, channels interleaved
};

uint32_t Crc32(const uint8_t* data, size_t size, uint32_t crc = 0);
uint32_t Adler32(const uint8_t* data, size_t size);

std::vector<uint8_t> EncodePng(const Image& image);
std::vector<uint8_t> EncodePgm(const Image& image);  // grey images only

}  // namespace bkrun
