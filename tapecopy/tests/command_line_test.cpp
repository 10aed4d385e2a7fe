// The command line: options anywhere before "--", the Part of the usage text that stays, and
// every way an option can be wrong.
#include <gtest/gtest.h>

#include <vector>

#include "command_line.h"

namespace tapecopy {
namespace {

struct LineCase {
  std::vector<std::string> arguments;
  Action action;
  const char* refusal;
  const char* first;
  const char* second;
  ImageFormat format;
  bool skipErrors;
  unsigned errorLimit;
  std::size_t maxBlock;
};

TEST(CommandLineTest, ParsesOptionsAndNames) {
  constexpr auto Kit = ImageFormat::Kit;
  constexpr auto Simh = ImageFormat::Simh;
  const LineCase cases[] = {
      {{}, Action::Usage, "", "", "", Kit, false, 10, 49152},
      {{"tape0"}, Action::Usage, "", "", "", Kit, false, 10, 49152},
      {{"--skip-errors", "tape0"}, Action::Usage, "", "", "", Kit, true, 10, 49152},
      {{"tape0", "x.dmp"}, Action::Dump, "", "tape0", "x.dmp", Kit, false, 10, 49152},
      {{"tape0", "x.tap", "extra"}, Action::Dump, "", "tape0", "x.tap", Simh, false, 10, 49152},
      {{"tape0", "X.TAP"}, Action::Dump, "", "tape0", "X.TAP", Simh, false, 10, 49152},
      {{"tape0", "x.tape"}, Action::Dump, "", "tape0", "x.tape", Kit, false, 10, 49152},
      {{"--format", "kit", "tape0", "x.tap"}, Action::Dump, "", "tape0", "x.tap", Kit, false, 10, 49152},
      {{"tape0", "x", "--format=simh"}, Action::Dump, "", "tape0", "x", Simh, false, 10, 49152},
      {{"--skip-errors=3", "tape0", "x"}, Action::Dump, "", "tape0", "x", Kit, true, 3, 49152},
      {{"--max-block", "65535", "tape0", "x"}, Action::Dump, "", "tape0", "x", Kit, false, 10, 65535},
      {{"--max-block=1", "tape0", "x"}, Action::Dump, "", "tape0", "x", Kit, false, 10, 1},
      {{"--", "--odd", "x"}, Action::Dump, "", "--odd", "x", Kit, false, 10, 49152},
      {{"-", "x"}, Action::Dump, "", "-", "x", Kit, false, 10, 49152},
      {{"--convert", "in.dmp", "out.tap"}, Action::Convert, "", "in.dmp", "out.tap", Simh, false, 10, 49152},
      {{"--convert", "in.tap", "out"}, Action::Convert, "", "in.tap", "out", Kit, false, 10, 49152},
      {{"--verbose", "tape0", "x"},
       Action::Refuse,
       "Unknown option '--verbose'\n",
       "",
       "",
       Kit,
       false,
       10,
       49152},
      {{"--convert=yes", "a", "b"},
       Action::Refuse,
       "Unknown option '--convert=yes'\n",
       "",
       "",
       Kit,
       false,
       10,
       49152},
      {{"tape0", "x", "--max-block"},
       Action::Refuse,
       "Option --max-block needs a value\n",
       "",
       "",
       Kit,
       false,
       10,
       49152},
      {{"--max-block", "65536", "tape0", "x"},
       Action::Refuse,
       "Invalid value '65536' for --max-block (1 to 65535)\n",
       "",
       "",
       Kit,
       false,
       10,
       49152},
      {{"--max-block=0", "tape0", "x"},
       Action::Refuse,
       "Invalid value '0' for --max-block (1 to 65535)\n",
       "",
       "",
       Kit,
       false,
       10,
       49152},
      {{"--max-block=12k", "tape0", "x"},
       Action::Refuse,
       "Invalid value '12k' for --max-block (1 to 65535)\n",
       "",
       "",
       Kit,
       false,
       10,
       49152},
      {{"--skip-errors=", "tape0", "x"},
       Action::Refuse,
       "Invalid value '' for --skip-errors (1 to 1000000)\n",
       "",
       "",
       Kit,
       true,
       10,
       49152},
      {{"--format", "tar", "tape0", "x"},
       Action::Refuse,
       "Invalid value 'tar' for --format (kit or simh)\n",
       "",
       "",
       Kit,
       false,
       10,
       49152},
  };
  for (const LineCase& c : cases) {
    std::string shown;
    for (const std::string& a : c.arguments) shown += a + " ";
    SCOPED_TRACE(shown);
    const CommandLine line = parseCommandLine(c.arguments);
    EXPECT_EQ(line.action, c.action);
    EXPECT_EQ(line.refusal, c.refusal);
    EXPECT_EQ(line.first, c.first);
    EXPECT_EQ(line.second, c.second);
    if (c.action == Action::Dump || c.action == Action::Convert) {
      EXPECT_EQ(line.options.format, c.format);
      EXPECT_EQ(line.options.skipErrors, c.skipErrors);
      EXPECT_EQ(line.options.errorLimit, c.errorLimit);
      EXPECT_EQ(line.options.maxBlock, c.maxBlock);
    }
  }
}

}  // namespace
}  // namespace tapecopy
