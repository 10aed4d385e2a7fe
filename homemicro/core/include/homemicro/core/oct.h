// Octal numbers typed by the user are kept as integers whose decimal digits are the octal digits.
#pragma once

#include <cstdint>

namespace homemicro {

// Reads the decimal digits of n as octal digits: Oct(177600) == 0177600. Digits 8 and 9 are
// taken as they are (Oct(18) == 16); a negative n is read by its digits and negated.
constexpr int32_t Oct(int32_t n) {
  int64_t value = 0, weight = 1;
  int64_t rest = n < 0 ? -static_cast<int64_t>(n) : n;
  while (rest != 0) {
    value += (rest % 10) * weight;
    weight *= 8;
    rest /= 10;
  }
  return static_cast<int32_t>(n < 0 ? -value : value);
}

}  // namespace homemicro
