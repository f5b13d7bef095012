// The kept series of one queue: every tick of the last hour, one a minute before that, 24 hours.
#include <gtest/gtest.h>

#include <algorithm>

#include "history/depth_history.h"
#include "tests/history/history_fixture.h"

namespace tarnix::testing {
namespace {

TEST(DepthSeries, KeepsEveryTickOfTheLastHourAndThinsOlderMinutesToTheirPeakAndFirstGap) {
  TestClock time;
  DepthHistory history(nullptr, time.clock());
  const TimeMs start = time.now;
  // Two hours of ticks a second; in the first minute a peak of 50 at 0:00:20 and an outage from
  // 0:00:30 to 0:00:34.
  for (int s = 0; s < 2 * 3600; ++s) {
    time.now = start + s * kSecondMs;
    if (s >= 30 && s < 35) {
      history.record(kQ1, std::nullopt, std::nullopt);
    } else {
      history.record(kQ1, s == 20 ? 50 : s % 7, 5000);
    }
  }
  const std::vector<DepthPoint> kept = history.pointsSince(kQ1, 0);
  const TimeMs detailFrom = time.now - kHourMs;
  const auto recent = std::count_if(kept.begin(), kept.end(),
                                    [&](const DepthPoint& p) { return p.at >= detailFrom; });
  EXPECT_EQ(recent, 3601);  // every tick of the last hour, both ends in
  // The first minute: the peak and the first failed tick, nothing else.
  ASSERT_GE(kept.size(), 2u);
  EXPECT_EQ(kept[0], (DepthPoint{start + 20 * kSecondMs, 50, 5000}));
  EXPECT_EQ(kept[1], (DepthPoint{start + 30 * kSecondMs, std::nullopt, std::nullopt}));
  EXPECT_EQ(kept[2], (DepthPoint{start + 62 * kSecondMs, 6, 5000}));  // the next minute's first 6
  // One point a minute before the minute that began an hour ago: 59 minutes, the first with its
  // gap.
  const TimeMs thinnedUntil = start + 59 * kMinuteMs;
  EXPECT_EQ(std::count_if(kept.begin(), kept.end(),
                          [&](const DepthPoint& p) { return p.at < thinnedUntil; }),
            60);
  EXPECT_TRUE(std::is_sorted(kept.begin(), kept.end(),
                             [](const DepthPoint& a, const DepthPoint& b) { return a.at < b.at; }));

  // A day later only the last 24 hours stay.
  time.now = start + 25 * kHourMs;
  history.record(kQ1, 1, 5000);
  const std::vector<DepthPoint> dayLater = history.pointsSince(kQ1, 0);
  EXPECT_GE(dayLater.front().at, time.now - kKeptForMs);
  EXPECT_EQ(dayLater.back(), (DepthPoint{time.now, 1, 5000}));
}

TEST(DepthSeries, TicksWithinOneSecondShareItAndAClockSetBackDropsWhatCameAfter) {
  TestClock time;
  DepthHistory history(nullptr, time.clock());
  const TimeMs start = time.now;
  for (int ms : {0, 200, 400, 600}) {
    time.now = start + ms;
    history.record(kQ1, ms == 400 ? 9 : 1, 100);
  }
  time.now = start + 800;
  history.record(kQ1, std::nullopt, std::nullopt);
  std::vector<DepthPoint> kept = history.pointsSince(kQ1, 0);
  ASSERT_EQ(kept.size(), 2u);
  EXPECT_EQ(kept[0], (DepthPoint{start + 400, 9, 100}));
  EXPECT_TRUE(kept[1].gap());

  time.now = start + 10 * kSecondMs;
  history.record(kQ1, 3, 100);
  time.now = start + 5 * kSecondMs;  // set back
  history.record(kQ1, 4, 100);
  kept = history.pointsSince(kQ1, 0);
  ASSERT_EQ(kept.size(), 3u);
  EXPECT_EQ(kept.back(), (DepthPoint{start + 5 * kSecondMs, 4, 100}));
}

}  // namespace
}  // namespace tarnix::testing
