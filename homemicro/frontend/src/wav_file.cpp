#include "homemicro/frontend/wav_file.h"

#include <string_view>

#include "homemicro/frontend/host_file.h"

namespace homemicro {
namespace {

void PutText(std::vector<uint8_t>& out, std::string_view text) {
  out.insert(out.end(), text.begin(), text.end());
}

void Put32(std::vector<uint8_t>& out, uint32_t value) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

void Put16(std::vector<uint8_t>& out, uint16_t value) {
  out.push_back(static_cast<uint8_t>(value));
  out.push_back(static_cast<uint8_t>(value >> 8));
}

}  // namespace

std::vector<uint8_t> EncodeWav(std::span<const int16_t> samples, int sampleRate) {
  constexpr uint16_t kChannels = 1;
  constexpr uint16_t kBytesPerSample = 2;
  const auto dataBytes = static_cast<uint32_t>(samples.size() * kBytesPerSample);
  std::vector<uint8_t> out;
  out.reserve(44 + dataBytes);
  PutText(out, "RIFF");
  Put32(out, 36 + dataBytes);
  PutText(out, "WAVEfmt ");
  Put32(out, 16);  // size of the format chunk
  Put16(out, 1);   // PCM
  Put16(out, kChannels);
  Put32(out, static_cast<uint32_t>(sampleRate));
  Put32(out, static_cast<uint32_t>(sampleRate) * kChannels * kBytesPerSample);
  Put16(out, kChannels * kBytesPerSample);
  Put16(out, 16);  // bits per sample
  PutText(out, "data");
  Put32(out, dataBytes);
  for (int16_t sample : samples) Put16(out, static_cast<uint16_t>(sample));
  return out;
}

std::string WriteWavFile(const std::filesystem::path& path, std::span<const int16_t> samples,
                         int sampleRate) {
  return WriteWholeFile(path, EncodeWav(samples, sampleRate));
}

}  // namespace homemicro
