// The two octal formats used wherever the debugger shows a number.
#pragma once

#include <cstdint>
#include <string>

namespace homemicro::debugger {

// Six octal digits with leading zeros: 7 -> "000007", 0177777 -> "177777".
std::string OctStr6(uint16_t word);

// Octal without leading zeros; zero gives "0".
std::string OctStr(uint16_t word);

}  // namespace homemicro::debugger
