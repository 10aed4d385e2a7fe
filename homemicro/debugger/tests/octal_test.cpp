#include "octal.h"

#include <gtest/gtest.h>

namespace homemicro::debugger {
namespace {

TEST(OctalFormats, SixDigitsAndShortForm) {
  struct Case {
    uint16_t word;
    const char* six;
    const char* shortForm;
  };
  const Case cases[] = {
      {0, "000000", "0"},
      {07, "000007", "7"},
      {010, "000010", "10"},
      {01234, "001234", "1234"},
      {077777, "077777", "77777"},
      {0100000, "100000", "100000"},
      {0177777, "177777", "177777"},
      {0170001, "170001", "170001"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(OctStr6(c.word), c.six) << c.word;
    EXPECT_EQ(OctStr(c.word), c.shortForm) << c.word;
  }
}

}  // namespace
}  // namespace homemicro::debugger
