// The command line's free-space refusal, with the volume's answer stubbed.
#include <gtest/gtest.h>

#include <sstream>

#include "CommandLine.h"
#include "TempDir.h"

namespace blankimg {
namespace {

class CommandLine : public testing::TempDir {};

TEST_F(CommandLine, NotEnoughSpaceCreatesNoFile) {
  const auto file = path("rk05.dsk");
  const std::vector<std::string> args{"--type", "rk05", file.string()};
  std::ostringstream out, err;
  const int status = runCommandLine(args, out, err, false, [](const auto&) { return std::uint64_t{4096}; });
  EXPECT_EQ(status, kExitFailed);
  EXPECT_EQ(out.str(), "");
  EXPECT_EQ(err.str(), "There is not enough disk space.\n2436 Kb is required\n");
  EXPECT_FALSE(std::filesystem::exists(file));
}

TEST_F(CommandLine, UnanswerableSpaceQueryDoesNotStopTheRun) {
  const auto file = path("rx01.dsk");
  const std::vector<std::string> args{"--type", "rx01", file.string()};
  std::ostringstream out, err;
  const int status = runCommandLine(args, out, err, false, [](const auto&) { return std::nullopt; });
  EXPECT_EQ(status, kExitDone);
  EXPECT_EQ(err.str(), "");
  EXPECT_EQ(std::filesystem::file_size(file), 256'256u);
}

TEST_F(CommandLine, TerminalProgressEndsFull) {
  const std::vector<std::string> args{"--type", "rl01", path("rl01.dsk").string()};
  std::ostringstream out, err;
  EXPECT_EQ(runCommandLine(args, out, err, true), kExitDone);
  EXPECT_TRUE(err.str().ends_with("\r[##########] 100%\n")) << err.str();
}

}  // namespace
}  // namespace blankimg
