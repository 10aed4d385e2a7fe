// The progress line of long transfers, drawn on a terminal that the test provides: what it shows,
// how often it is redrawn, that it is cleared, and that it stays silent off a terminal.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "shell/progress_line.h"
#include "shell/shell.h"
#include "support/test_volume.h"
#include "support/volume_checker.h"

namespace {

using volxfer::ProgressLine;
using volxfer::ProgressTerminal;

constexpr std::uint64_t kMegabyte = 1024 * 1024;

// A terminal whose clock moves `step` seconds at each reading.
struct FakeTerminal : ProgressTerminal {
  FakeTerminal(bool terminal, double step) : terminal(terminal), step(step) {}
  bool IsTerminal() const override { return terminal; }
  double Seconds() override { return now += step; }
  void Write(std::string_view text) override { written += text; }
  bool terminal;
  double step;
  double now = 0;
  std::string written;
};

std::size_t Draws(const std::string& written) {
  return static_cast<std::size_t>(std::count(written.begin(), written.end(), '\r'));
}

TEST(ProgressLine, RendersBytesPercentAndRate) {
  struct Case {
    std::uint64_t done, total;
    double seconds;
    const char* shown;
  } cases[] = {
      {0, 2 * kMegabyte, 0, "0.0 of 2.0 MB (0%), 0.0 MB/s"},
      {kMegabyte, 2 * kMegabyte, 0.5, "1.0 of 2.0 MB (50%), 2.0 MB/s"},
      {1536 * 1024, 3 * kMegabyte, 2, "1.5 of 3.0 MB (50%), 0.8 MB/s"},
      {3 * kMegabyte, 3 * kMegabyte, 1, "3.0 of 3.0 MB (100%), 3.0 MB/s"},
      {999 * kMegabyte, 1000 * kMegabyte, 10, "999.0 of 1000.0 MB (99%), 99.9 MB/s"},
  };
  for (const Case& c : cases) EXPECT_EQ(ProgressLine::Render(c.done, c.total, c.seconds), c.shown);
}

TEST(ProgressLine, SilentOffATerminalAndForSmallTransfers) {
  struct Case {
    bool terminal;
    std::uint64_t total;
  } cases[] = {{false, 64 * kMegabyte}, {true, ProgressLine::kThresholdBytes - 1}};
  for (const Case& c : cases) {
    FakeTerminal terminal(c.terminal, 1.0);
    {
      ProgressLine line(&terminal, c.total);
      for (std::uint64_t done = 0; done <= c.total; done += 4096) line.Advance(done);
    }
    EXPECT_EQ(terminal.written, "") << c.terminal << " " << c.total;
  }
  ProgressLine none(nullptr, 64 * kMegabyte);
  none.Advance(32 * kMegabyte);  // no terminal at all: nothing to draw on, nothing to crash
}

TEST(ProgressLine, RedrawsAFewTimesASecondAndClearsItself) {
  FakeTerminal terminal(true, 0.1);
  std::uint64_t total = 8 * kMegabyte;
  {
    ProgressLine line(&terminal, total);
    for (std::uint64_t done = 512; done <= total; done += 512) line.Advance(done);
  }
  // The clock is read each 64 KB (128 readings, 0.1 s apart): a line at most each 0.25 s.
  std::size_t draws = Draws(terminal.written) - 2;  // the clearing writes two
  EXPECT_GE(draws, 128u / 3 - 1);
  EXPECT_LE(draws, 128u / 2);
  // The clearing write: a return, blanks over the longest line drawn, a return.
  std::size_t clearing = terminal.written.rfind('\r', terminal.written.size() - 2);
  std::string blanks = terminal.written.substr(clearing + 1, terminal.written.size() - clearing - 2);
  std::size_t last = terminal.written.rfind('\r', clearing - 1);
  EXPECT_EQ(blanks, std::string(clearing - last - 1, ' '));
  EXPECT_NE(terminal.written.find(" of 8.0 MB ("), std::string::npos);
}

TEST(ProgressLine, ALongerLineIsOverwrittenWhole) {
  FakeTerminal terminal(true, 1.0);
  ProgressLine line(&terminal, 2000 * kMegabyte);
  line.Advance(1500 * kMegabyte);  // "1500.0 of 2000.0 MB (75%), ..." drawn
  terminal.written.clear();
  terminal.step = 1e6;  // the rate falls to one digit: a shorter line
  line.Advance(1600 * kMegabyte);
  std::string expected = "\r" + ProgressLine::Render(1600 * kMegabyte, 2000 * kMegabyte, 1e6 + 1);
  ASSERT_GE(terminal.written.size(), expected.size());
  EXPECT_EQ(terminal.written.substr(0, expected.size()), expected);
  EXPECT_GT(terminal.written.size(), expected.size());  // blanks over the longer line's end
  EXPECT_EQ(terminal.written.find_first_not_of(' ', expected.size()), std::string::npos);
}

// A put and a get of 3 MB through the shell: the progress line goes to the terminal, the
// transfer's own lines are as always, and the volume stays sound.
TEST(ProgressLine, ShownDuringTransfersOnATerminalOnly) {
  for (bool terminal : {true, false}) {
    test::ImageFile image(test::ReferenceVolume("blank"));
    std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("vxprog-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    std::vector<std::uint8_t> data = test::Bytes(3 * kMegabyte + 100, 3);
    std::ofstream((folder / "big.bin").string(), std::ios::binary)
        .write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
    auto fake = std::make_unique<FakeTerminal>(terminal, 0.2);
    FakeTerminal& seen = *fake;
    volxfer::Shell shell;
    shell.SetProgressTerminal(std::move(fake));
    testing::internal::CaptureStdout();
    shell.RunLine("open " + image.path() + "\n");
    shell.RunLine("put " + (folder / "big.bin").string() + " BIG.BIN\n");
    std::size_t put_draws = Draws(seen.written);
    shell.RunLine("get BIG.BIN " + (folder / "back.bin").string() + "\n");
    shell.RunLine("close\n");
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out.find('\r'), std::string::npos);
    EXPECT_NE(out.find("Transfer complete.\nCopying DKA100:BIG.BIN"), std::string::npos) << out;
    if (terminal) {
      EXPECT_GT(put_draws, 2u);
      EXPECT_GT(Draws(seen.written), put_draws + 2);
      EXPECT_NE(seen.written.find(" of 3.0 MB ("), std::string::npos);
      EXPECT_EQ(seen.written.back(), '\r');  // cleared before the final line
    } else {
      EXPECT_EQ(seen.written, "");
    }
    std::ifstream back((folder / "back.bin").string(), std::ios::binary);
    EXPECT_EQ(std::vector<std::uint8_t>(std::istreambuf_iterator<char>(back), {}), data);
    EXPECT_EQ(test::FirstFault(test::CheckVolume(image.Contents())), "");
    std::filesystem::remove_all(folder);
  }
}

}  // namespace
