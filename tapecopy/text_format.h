// printf-style formatting into a std::string, for the message constants.
#pragma once

#include <string>

namespace tapecopy {

[[gnu::format(printf, 1, 2)]] std::string formatText(const char* format, ...);

}  // namespace tapecopy
