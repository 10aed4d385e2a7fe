// A PNG needs a zlib stream, but not compression: stored deflate blocks of up to 65535 bytes
// are valid, so the writer needs only CRC-32 and Adler-32.
#include "png_writer.h"

#include <array>
#include <string_view>

namespace bkrun {
namespace {

std::array<uint32_t, 256> MakeCrcTable() {
  std::array<uint32_t, 256> table{};
  for (uint32_t n = 0; n < 256; ++n) {
    uint32_t c = n;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    table[n] = c;
  }
  return table;
}

void PutBigEndian32(std::vector<uint8_t>& out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(v >> shift));
}

void PutChunk(std::vector<uint8_t>& out, std::string_view type, const std::vector<uint8_t>& data) {
  PutBigEndian32(out, static_cast<uint32_t>(data.size()));
  const size_t typeAt = out.size();
  out.insert(out.end(), type.begin(), type.end());
  out.insert(out.end(), data.begin(), data.end());
  PutBigEndian32(out, Crc32(out.data() + typeAt, out.size() - typeAt));
}

// zlib header, stored blocks, Adler-32 of the raw data.
std::vector<uint8_t> ZlibStored(const std::vector<uint8_t>& raw) {
  std::vector<uint8_t> out = {0x78, 0x01};
  size_t at = 0;
  do {
    const size_t length = std::min<size_t>(65535, raw.size() - at);
    const bool last = at + length == raw.size();
    out.push_back(last ? 1 : 0);
    out.push_back(static_cast<uint8_t>(length));
    out.push_back(static_cast<uint8_t>(length >> 8));
    out.push_back(static_cast<uint8_t>(~length));
    out.push_back(static_cast<uint8_t>(~length >> 8));
    out.insert(out.end(), raw.begin() + static_cast<long>(at), raw.begin() + static_cast<long>(at + length));
    at += length;
  } while (at < raw.size());
  PutBigEndian32(out, Adler32(raw.data(), raw.size()));
  return out;
}

}  // namespace

uint32_t Crc32(const uint8_t* data, size_t size, uint32_t crc) {
  static const std::array<uint32_t, 256> kTable = MakeCrcTable();
  crc = ~crc;
  for (size_t i = 0; i < size; ++i) crc = kTable[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
  return ~crc;
}

uint32_t Adler32(const uint8_t* data, size_t size) {
  uint32_t a = 1, b = 0;
  for (size_t i = 0; i < size; ++i) {
    a = (a + data[i]) % 65521;
    b = (b + a) % 65521;
  }
  return (b << 16) | a;
}

std::vector<uint8_t> EncodePng(const Image& image) {
  std::vector<uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<uint8_t> header;
  PutBigEndian32(header, static_cast<uint32_t>(image.width));
  PutBigEndian32(header, static_cast<uint32_t>(image.height));
  header.push_back(8);                            // bits per sample
  header.push_back(image.channels == 3 ? 2 : 0);  // colour type: RGB or grey
  header.push_back(0);                            // deflate
  header.push_back(0);                            // adaptive filtering
  header.push_back(0);                            // no interlace
  PutChunk(out, "IHDR", header);

  const size_t rowBytes = static_cast<size_t>(image.width) * static_cast<size_t>(image.channels);
  std::vector<uint8_t> raw;
  raw.reserve((rowBytes + 1) * static_cast<size_t>(image.height));
  for (int y = 0; y < image.height; ++y) {
    raw.push_back(0);  // filter: none
    const auto row = image.pixels.begin() + static_cast<long>(rowBytes * static_cast<size_t>(y));
    raw.insert(raw.end(), row, row + static_cast<long>(rowBytes));
  }
  PutChunk(out, "IDAT", ZlibStored(raw));
  PutChunk(out, "IEND", {});
  return out;
}

std::vector<uint8_t> EncodePgm(const Image& image) {
  const std::string header =
      "P5\n" + std::to_string(image.width) + " " + std::to_string(image.height) + "\n255\n";
  std::vector<uint8_t> out(header.begin(), header.end());
  out.insert(out.end(), image.pixels.begin(), image.pixels.end());
  return out;
}

}  // namespace bkrun
