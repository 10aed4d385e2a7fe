#include "octal.h"

namespace homemicro::debugger {

std::string OctStr6(uint16_t word) {
  std::string digits(6, '0');
  for (int i = 5; i >= 0; --i) {
    digits[i] = static_cast<char>('0' + (word & 7));
    word >>= 3;
  }
  return digits;
}

std::string OctStr(uint16_t word) {
  std::string digits = OctStr6(word);
  const auto first = digits.find_first_not_of('0');
  return first == std::string::npos ? "0" : digits.substr(first);
}

}  // namespace homemicro::debugger
