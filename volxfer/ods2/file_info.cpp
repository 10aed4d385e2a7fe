#include "file_info.h"

#include <ctime>

namespace ods2 {

namespace {
// Seconds from 17-Nov-1858 to 1-Jan-1970.
constexpr std::uint64_t kSecondsTo1970 = 3'506'716'800ULL;
}  // namespace

BrokenDownDate ConvertDate(std::uint64_t ticks) {
  std::uint64_t seconds = ticks / 10'000'000ULL;
  std::time_t unix_time = seconds < kSecondsTo1970 ? 0 : static_cast<std::time_t>(seconds - kSecondsTo1970);
  std::tm parts{};
  BrokenDownDate d;
  if (!localtime_r(&unix_time, &parts)) return d;  // beyond what the host calendar holds
  int year = parts.tm_year + 1900;
  d.century = year / 100;
  d.year = year % 100;
  d.month = parts.tm_mon + 1;
  d.day = parts.tm_mday;
  d.hour = parts.tm_hour;
  d.minute = parts.tm_min;
  d.second = parts.tm_sec;
  d.hundredths = static_cast<int>((ticks / 100'000ULL) % 100);
  return d;
}

}  // namespace ods2
