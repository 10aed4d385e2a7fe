// Measures the pitch of a PCM tone from its rising zero crossings.
#pragma once

#include <cstdint>
#include <span>

namespace homemicro::test {

// Frequency in Hz over the samples from `skip` on (to let the filters settle); 0 when fewer
// than two rising crossings are found.
inline double MeasureFrequency(std::span<const int16_t> samples, int sampleRate, size_t skip = 0) {
  double first = -1.0, last = -1.0;
  int crossings = 0;
  for (size_t n = skip + 1; n < samples.size(); ++n) {
    if (samples[n - 1] < 0 && samples[n] >= 0) {
      // Interpolated position of the crossing between the two samples.
      const double at = static_cast<double>(n - 1) + static_cast<double>(-samples[n - 1]) /
                                                         static_cast<double>(samples[n] - samples[n - 1]);
      if (first < 0) first = at;
      last = at;
      ++crossings;
    }
  }
  if (crossings < 2) return 0.0;
  return (crossings - 1) * static_cast<double>(sampleRate) / (last - first);
}

}  // namespace homemicro::test
