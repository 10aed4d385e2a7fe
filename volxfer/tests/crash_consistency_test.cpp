// A process killed during a put leaves a volume the independent checker finds consistent: no block
// in two files, both bitmaps agree with every map and every directory entry names a valid header.
// The one thing a kill may leave is lost space: clusters or a file number marked in use that no
// file holds (the checker counts them apart from faults); a later put on the volume works.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "ods2/file_removal.h"
#include "support/transfer_helpers.h"
#include "support/volume_checker.h"

namespace {

using test::VolumeBuilder;

constexpr int kSmallFiles = 600;

std::string SmallName(int i) {
  return "S" + std::to_string(i) + ".DAT";
}

// Every other one-block file is taken off again, so the free space is a row of one-block holes
// after one long run: a put larger than the run goes on in the holes, one extent each, over
// extension headers.
std::vector<std::uint8_t> FragmentedVolume() {
  VolumeBuilder builder(4000, 1);
  builder.spare_headers = 40;
  builder.damage().max_files = 1000;
  for (int i = 0; i < kSmallFiles; ++i) builder.AddFile({.name = SmallName(i), .data = test::Bytes(512, 1)});
  std::vector<std::uint8_t> image = builder.Build();
  test::ImageFile file(image);
  ods2::Engine engine;
  int handle = engine.VolumeOpen(file.c_str(), false);
  if (handle < 0) return {};
  for (int i = 1; i < kSmallFiles; i += 2) {
    std::string name = SmallName(i);
    ods2::RemoveFile(*engine.volume(), ods2::kMasterDirectoryId, name, 1, builder.built(name + ";1").id);
  }
  engine.VolumeClose(handle);
  return file.Contents();
}

// The child puts BIG.DAT in 512-byte chunks as the shell does. After `stop_after` chunks it
// tells the parent and, when `wait` is set, waits there to be killed; otherwise it goes on.
[[noreturn]] void PutUntilKilled(const std::string& image, std::size_t stop_after, bool wait, int tell,
                                 int hold) {
  ods2::Engine engine;
  ods2::VolumeInfo info;
  if (engine.VolumeOpen(image.c_str(), false) < 0 || engine.VolumeQuery(&info) != 0) _exit(2);
  std::uint32_t blocks = info.free_blocks - 8;
  if (engine.StreamCreate("BIG.DAT", false, blocks) != 0) _exit(3);
  std::vector<std::uint8_t> chunk = test::Bytes(512, 9);
  for (std::size_t n = 0;; ++n) {
    if (n == stop_after) {
      char byte = 1;
      if (::write(tell, &byte, 1) != 1) _exit(4);
      if (wait && ::read(hold, &byte, 1) >= 0) _exit(5);  // the parent never writes: killed here
    }
    if (n == blocks) break;
    if (engine.StreamWrite(chunk.data(), chunk.size()) != 512) _exit(6);
  }
  engine.StreamClose();
  engine.VolumeClose(0);
  _exit(0);
}

// Kills the child once it has written `stop_after` chunks (waiting there, or `delay_us` later);
// true when the kill, not the child, ended it.
bool KillPutAt(const std::string& image, std::size_t stop_after, bool wait, int delay_us) {
  int tell[2], hold[2];
  if (::pipe(tell) != 0 || ::pipe(hold) != 0) return false;
  pid_t child = ::fork();
  if (child == 0) {
    ::close(tell[0]);
    ::close(hold[1]);
    PutUntilKilled(image, stop_after, wait, tell[1], hold[0]);
  }
  ::close(tell[1]);
  ::close(hold[0]);
  char byte = 0;
  bool reached = ::read(tell[0], &byte, 1) == 1;
  if (reached && delay_us > 0) ::usleep(static_cast<useconds_t>(delay_us));
  ::kill(child, SIGKILL);
  int status = 0;
  ::waitpid(child, &status, 0);
  ::close(tell[0]);
  ::close(hold[1]);
  return reached && WIFSIGNALED(status);
}

TEST(KilledPut, LeavesAConsistentVolumeThatTakesTheNextPut) {
  std::vector<std::uint8_t> fragmented = FragmentedVolume();
  ASSERT_FALSE(fragmented.empty());
  test::VolumeReport before = test::CheckVolume(fragmented);
  ASSERT_TRUE(before.faults.empty()) << test::FirstFault(before);
  struct Point {
    const char* what;
    std::size_t chunks;
    bool wait;
    int delay_us;
  };
  // The file is 3,011 blocks: a 2,048-block window, the long run of 2,719, then 300 holes.
  const Point points[] = {
      {"just created", 0, true, 0},
      {"first block", 1, true, 0},
      {"window full", 2048, true, 0},
      {"after the first window", 2049, true, 0},
      {"in the holes", 2900, true, 0},
      {"while writing the first window", 1, false, 300},
      {"while extending into the holes", 2800, false, 200},
      {"while closing", static_cast<std::size_t>(-2), false, 100},
  };
  for (const Point& point : points) {
    test::ImageFile image(fragmented);
    std::size_t stop = point.chunks;
    if (stop == static_cast<std::size_t>(-2)) stop = before.free_clusters - 8;  // every chunk written
    if (!KillPutAt(image.path(), stop, point.wait, point.delay_us)) {
      // Only a put that ran to its end before the kill may get here.
      EXPECT_FALSE(point.wait) << point.what;
    }
    test::VolumeReport after = test::CheckVolume(image.Contents());
    EXPECT_TRUE(after.faults.empty()) << point.what << ": " << test::FirstFault(after);
    EXPECT_TRUE(after.files == before.files || after.files == before.files + 1) << point.what;
    // The volume mounts and takes a file, and is still consistent after it.
    test::MountedImage m(image.Contents(), false);
    ASSERT_TRUE(m.mounted()) << point.what;
    m.AllowLostSpace();  // what the kill lost stays lost
    EXPECT_EQ(test::PutFile(m.engine(), "NEXT.DAT", false, test::Bytes(1500, 3), 3), 0) << point.what;
    EXPECT_EQ(test::GetFile(m.engine(), "NEXT.DAT", false).bytes, test::Bytes(1500, 3)) << point.what;
  }
}

}  // namespace
