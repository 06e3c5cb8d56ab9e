// The worker's arithmetic and text rules: the bar's percentage, the ".mp4"
// rule for chosen names and the resolution of redirect targets.

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "download/download_worker.h"

namespace {

constexpr int64_t GiB = int64_t{1} << 30;

TEST(ProgressPercent, RoundsHalfAwayFromZeroAfterNarrowingToFloat) {
  struct Case {
    int64_t progress, fileSize;
    int32_t percent;
  };
  const Case cases[] = {
      {1, 3, 33},
      {2, 3, 67},
      {1, 200, 1},
      {199, 200, 100},
      // 12.4999996 is 12.5 as a float, so it rounds up.
      {124999996, 1000000000, 13},
      // More than announced goes to the bar unchanged.
      {3, 2, 150},
      {0, 1000, 0},
      {0, 1, 0},
      // Sizes beyond 32 bits.
      {3 * GiB, 6 * GiB, 50},
      {2 * GiB, 2 * GiB, 100},
      {int64_t{4294967296} - 1, int64_t{4294967296}, 100},
      {GiB, int64_t{5} * GiB, 20},
      // Far more than announced saturates instead of overflowing.
      {int64_t{1} << 40, 1, std::numeric_limits<int32_t>::max()},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ProgressPercent(c.progress, c.fileSize), c.percent) << c.progress << " of " << c.fileSize;
}

TEST(WithMp4Extension, AppendsUnlessTheNameHoldsItInAnyCase) {
  const struct {
    const char* name;
    const char* result;
  } cases[] = {
      {"clip", "clip.mp4"},
      {"clip.MP4", "clip.MP4"},
      {"clip.mp3", "clip.mp3.mp4"},
      {"a.mp4.bak", "a.mp4.bak"},
      {"/home/u/Videos/My Clip.Mp4", "/home/u/Videos/My Clip.Mp4"},
  };
  for (const auto& c : cases) EXPECT_EQ(WithMp4Extension(c.name), Text(c.result)) << c.name;
}

TEST(ResolveRedirectTarget, RelativeTargetsJoinTheProbedAddress) {
  const char* base = "http://127.0.0.1:8931/file/abc?vid=1";
  const struct {
    const char* target;
    const char* result;
  } cases[] = {
      {"/media/x.mp4", "http://127.0.0.1:8931/media/x.mp4"},
      {"x.mp4", "http://127.0.0.1:8931/file/x.mp4"},
      {"../media/x.mp4?k=v", "http://127.0.0.1:8931/media/x.mp4?k=v"},
      {"//files.example/x.mp4", "http://files.example/x.mp4"},
      // Absolute targets pass byte for byte, not in a normalised spelling.
      {"HTTP://Files.Example:80/a/../x.mp4", "HTTP://Files.Example:80/a/../x.mp4"},
      {"https://files.example/x.mp4", "https://files.example/x.mp4"},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(ResolveRedirectTarget(base, c.target), Text(c.result)) << c.target;
}

TEST(ResolveRedirectTarget, LeavesTheTargetAloneWhenTheAddressIsNoUrl) {
  // The probe of such an address fails anyway; nothing is made up.
  EXPECT_EQ(ResolveRedirectTarget("", "/media/x.mp4"), Text("/media/x.mp4"));
  EXPECT_EQ(ResolveRedirectTarget("http://127.0.0.1/a\r\n", "/media/x.mp4"), Text("/media/x.mp4"));
}

}  // namespace
