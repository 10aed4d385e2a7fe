// 16-bit mono PCM in a RIFF WAVE file, for writing the speaker's sound of a headless run.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace homemicro {

// The whole file: 44-byte header, then the samples little-endian.
std::vector<uint8_t> EncodeWav(std::span<const int16_t> samples, int sampleRate);

// Returns the error text, or an empty string on success.
std::string WriteWavFile(const std::filesystem::path& path, std::span<const int16_t> samples, int sampleRate);

}  // namespace homemicro
