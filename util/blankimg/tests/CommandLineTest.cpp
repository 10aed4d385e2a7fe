// The command line beyond its transcripts: choosing rows (also from a table of our own, where
// rows of one name differ), the free-space refusal with the volume's answer stubbed, and the
// image on standard output.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <sstream>
#include <thread>

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

DiskType rowOf(const char* name, std::uint32_t cylinders) {
  DiskType row{};
  row.name = name;
  row.description = name;
  row.sectors = 10;
  row.tracks = 1;
  row.cylinders = cylinders;
  row.sectorSize = 512;
  return row;
}

TEST(FindRow, ByNameInAnyCaseByNumberOrBoth) {
  // Two "dup" rows that give different images, two "twin" rows that give the same.
  const DiskType rows[] = {rowOf("alpha", 1), rowOf("dup", 2),  rowOf("twin", 3),
                           rowOf("dup", 4),   rowOf("twin", 3), rowOf("rd52-p1", 5)};
  using Name = std::optional<std::string>;
  struct Case {
    Name name, row;
    std::variant<int, std::string> expected;  // index into rows, or the error
  };
  const Case cases[] = {
      {"alpha", {}, 0},
      {"ALPHA", {}, 0},
      {"Rd52-P1", {}, 5},
      {"twin", {}, 2},  // same image: the first of them
      {"dup", {}, std::string("'dup' names rows 2, 4; choose one with --row")},
      {"DUP", "4", 3},
      {{}, "2", 1},
      {"Alpha", "1", 0},
      {"alpha", "2", std::string("row 2 is 'dup', not 'alpha'")},
      {"beta", {}, std::string("no disk type named 'beta' (see --list)")},
      {{}, "0", std::string("--row needs a number from 1 to 6, not '0'")},
      {{}, "7", std::string("--row needs a number from 1 to 6, not '7'")},
      {{}, "-1", std::string("--row needs a number from 1 to 6, not '-1'")},
      {{}, "", std::string("--row needs a number from 1 to 6, not ''")},
      {{}, {}, std::string("choose a disk type with --type NAME (see --list)")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name.value_or("-") + " / " + c.row.value_or("-"));
    const auto found = findRow(rows, c.name, c.row);
    if (const int* index = std::get_if<int>(&c.expected)) {
      ASSERT_TRUE(std::holds_alternative<const DiskType*>(found)) << std::get<std::string>(found);
      EXPECT_EQ(std::get<const DiskType*>(found), &rows[*index]);
    } else {
      ASSERT_TRUE(std::holds_alternative<std::string>(found));
      EXPECT_EQ(std::get<std::string>(found), std::get<std::string>(c.expected));
    }
  }
}

TEST_F(CommandLine, DashWritesTheImageToTheStreamAndNoFile) {
  std::FILE* stream = std::tmpfile();
  ASSERT_NE(stream, nullptr);
  const std::vector<std::string> args{"--type", "RL01", "-"};
  std::ostringstream out, err;
  // Far too little space on any volume: standard output is not checked.
  const int status = runCommandLine(
      args, out, err, false, [](const auto&) { return std::uint64_t{0}; }, stream);
  std::vector<unsigned char> bytes;
  std::rewind(stream);
  for (int c; (c = std::fgetc(stream)) != EOF;) bytes.push_back(static_cast<unsigned char>(c));
  std::fclose(stream);
  EXPECT_EQ(status, kExitDone);
  EXPECT_EQ(err.str(), "");
  EXPECT_FALSE(std::filesystem::exists("-"));

  const std::vector<std::string> toFile{"--type", "rl01", path("rl01.dsk").string()};
  ASSERT_EQ(runCommandLine(toFile, out, err, false), kExitDone);
  EXPECT_TRUE(bytes == readAll(path("rl01.dsk")));
}

TEST_F(CommandLine, UnwritableTargetReportsTheSystemErrorEvenWhenTheVolumeLooksFull) {
  const std::vector<std::string> args{"--type", "rk05", path("none/rk05.dsk").string()};
  std::ostringstream out, err;
  EXPECT_EQ(runCommandLine(args, out, err, false, [](const auto&) { return std::uint64_t{0}; }), kExitFailed);
  EXPECT_EQ(err.str(),
            "Can't open image file: No such file or directory\nError: Cannot create disk image!\n");
}

volatile std::sig_atomic_t raisedAgain = 0;
extern "C" void countSignal(int) {
  raisedAgain = raisedAgain + 1;
}

TEST_F(CommandLine, InterruptStopsTheWriteRemovesItsFileAndIsRaisedAgain) {
  const auto previous = std::signal(SIGINT, countSignal);
  std::thread interrupter([&] {
    // Once the writer's own file exists, as a user pressing Ctrl-C would.
    while (std::filesystem::is_empty(path(""))) std::this_thread::yield();
    std::raise(SIGINT);
  });
  // The largest disk, so the run is still writing when a thread slowed by a loaded machine
  // delivers the signal; it stops within a sector of that, so little is written.
  const std::vector<std::string> args{"--type", "ra92", path("ra92.dsk").string()};
  std::ostringstream out, err;
  const int status = runCommandLine(args, out, err, false);
  interrupter.join();
  std::signal(SIGINT, previous);
  EXPECT_EQ(status, kExitFailed);
  EXPECT_EQ(err.str(), "blankimg: interrupted; the image was not completed\n");
  EXPECT_TRUE(std::filesystem::is_empty(path("")));
  EXPECT_EQ(raisedAgain, 1);
}

TEST(NumberedList, EveryRowWithTheNumberRowTakesAndHostLineEnds) {
  const std::string text = numberedListText();
  EXPECT_EQ(text.rfind("1\trk05\tDEC RK05 cartridge disk drive\tPDP\t2436\n", 0), 0u);
  EXPECT_NE(text.find("\n17\trx50\tDEC RX50 floppy\tN/D\t400\n"), std::string::npos);
  EXPECT_NE(text.find("\n54\trx50\tDEC RX50 5.25\"\tN/D\t400\n"), std::string::npos);
  EXPECT_TRUE(text.ends_with("\n68\tra92\tDEC RA92 Winchester\tPDP\t1470631\n"));
  EXPECT_EQ(text.find('\r'), std::string::npos);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 68);
}

}  // namespace
}  // namespace blankimg
