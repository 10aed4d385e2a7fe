// The bit-array view of the index file bitmap and the storage bitmap.
#include <gtest/gtest.h>

#include <string>

#include "ods2/bitmap_view.h"

namespace {

// A storage bitmap (set = free) from a picture: '.' free, 'x' used, one character per cluster.
struct Picture {
  explicit Picture(const std::string& clusters, std::size_t spare_bytes = 0)
      : bytes((clusters.size() + 7) / 8 + spare_bytes, 0) {
    for (std::size_t i = 0; i < clusters.size(); ++i)
      if (clusters[i] == '.') bytes[i / 8] |= static_cast<std::uint8_t>(1u << (i % 8));
    view = ods2::BitmapView(bytes, static_cast<std::uint32_t>(clusters.size()), true, &modified);
  }
  std::string Render() const {
    std::string out;
    for (std::uint32_t i = 0; i < view.bit_count(); ++i) out += view.IsFree(i) ? '.' : 'x';
    return out;
  }
  std::vector<std::uint8_t> bytes;
  bool modified = false;
  ods2::BitmapView view;
};

struct RunCase {
  const char* before;
  std::uint32_t k;
  ods2::BitmapView::RunResult result;
  std::uint32_t first;
  const char* after;
};

class AllocateRun : public testing::TestWithParam<RunCase> {};

TEST_P(AllocateRun, TakesTheFirstRunOfFreeClusters) {
  const RunCase& c = GetParam();
  Picture p(c.before);
  std::uint32_t first = 9999;
  EXPECT_EQ(p.view.AllocateRun(c.k, first), c.result);
  EXPECT_EQ(p.Render(), c.after);
  if (c.result == ods2::BitmapView::RunResult::kAllocated) {
    EXPECT_EQ(first, c.first);
    EXPECT_TRUE(p.modified);
  } else {
    EXPECT_FALSE(p.modified);
  }
}

using R = ods2::BitmapView::RunResult;
INSTANTIATE_TEST_SUITE_P(
    Pictures, AllocateRun,
    testing::Values(RunCase{"..........", 3, R::kAllocated, 0, "xxx......."},
                    // The first free cluster is followed by a used one: the run starts later.
                    RunCase{".x..x.....", 3, R::kAllocated, 5, ".x..xxxx.."},
                    RunCase{".x..x...", 3, R::kAllocated, 5, ".x..xxxx"},  // ends at the last cluster
                    RunCase{"xxxxxxxxx.", 1, R::kAllocated, 9, "xxxxxxxxxx"},
                    RunCase{".x.x.x.x", 2, R::kNoRun, 0, ".x.x.x.x"},  // enough free, no run
                    RunCase{"xx..xxxx", 3, R::kTooFewFree, 0, "xx..xxxx"}));

TEST(BitmapView, BitsBeyondTheCountAreNeverFree) {
  Picture p("xxxx", 1);
  p.bytes.assign(p.bytes.size(), 0xFF);  // every stored bit says free
  p.view = ods2::BitmapView(p.bytes, 4, true, &p.modified);
  EXPECT_EQ(p.view.CountFree(), 4u);
  EXPECT_FALSE(p.view.IsFree(4));
  std::uint32_t first = 0;
  EXPECT_EQ(p.view.AllocateRun(5, first), R::kTooFewFree);
  EXPECT_EQ(p.view.AllocateAt(2, 3), R::kNoRun);
  EXPECT_EQ(p.view.AllocateAt(0, 4), R::kAllocated);
  EXPECT_EQ(p.view.hint(), 4u);  // none left: the hint is the bit count
}

TEST(BitmapView, AllocateAtTakesOnlyAWhollyFreeRange) {
  Picture p("..x.....");
  EXPECT_EQ(p.view.AllocateAt(1, 2), R::kNoRun);
  EXPECT_EQ(p.Render(), "..x.....");
  EXPECT_EQ(p.view.AllocateAt(3, 5), R::kAllocated);
  EXPECT_EQ(p.Render(), "..xxxxxx");
  EXPECT_EQ(p.view.AllocateAt(0, 3), R::kTooFewFree);
}

TEST(BitmapView, FindCountAndReleaseKeepTheHintOnTheLowestFreeBit) {
  Picture p("xxx.x..x");
  EXPECT_EQ(p.view.hint(), 3u);
  EXPECT_EQ(p.view.CountFree(), 3u);
  EXPECT_EQ(p.view.FindFirstFree(4), 5u);
  p.view.ReleaseCluster(1);
  EXPECT_EQ(p.view.hint(), 1u);
  EXPECT_EQ(p.Render(), "x.x.x..x");
  p.view.ReleaseCluster(40);  // outside the map: ignored
  EXPECT_EQ(p.view.CountFree(), 4u);
}

TEST(BitmapView, IndexFileBitmapHandsOutFileNumbers) {
  // Set bits mean "in use"; bit i stands for file number i + 1.
  std::vector<std::uint8_t> bytes = {0x0F, 0x00};
  bool modified = false;
  ods2::BitmapView view(bytes, 10, false, &modified);
  EXPECT_EQ(view.AllocateOne(), 5u);
  EXPECT_EQ(bytes[0], 0x1F);
  EXPECT_TRUE(modified);
  view.ReleaseNumber(2);
  EXPECT_EQ(view.AllocateOne(), 2u);
  for (int i = 0; i < 5; ++i) view.AllocateOne();
  EXPECT_EQ(view.AllocateOne(), std::nullopt);
  EXPECT_EQ(view.hint(), 10u);
}

}  // namespace
