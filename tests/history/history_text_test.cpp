// What a History window draws and what it exports, from the kept points.
#include <gtest/gtest.h>

#include "history/history_chart.h"
#include "history/history_csv.h"

namespace tarnix::testing {
namespace {

TEST(HistoryCsv, OneLineAPointInUtcWithGapsAsEmptyNumbers) {
  const std::vector<DepthPoint> points = {
      {1'765'162'140'250, 7, 5000},
      {1'765'162'141'000, std::nullopt, std::nullopt},
      {1'765'162'142'000, 0, std::nullopt},
      {-1, 1, 2},
  };
  EXPECT_EQ(historyCsv(points),
            "time,depth,max_depth\n"
            "2025-12-08T02:49:00.250Z,7,5000\n"
            "2025-12-08T02:49:01.000Z,,\n"
            "2025-12-08T02:49:02.000Z,0,\n"
            "1969-12-31T23:59:59.999Z,1,2\n");
  EXPECT_EQ(historyCsv({}), "time,depth,max_depth\n");
}

TEST(HistoryChart, LinesBreakAtGapsAndPausesAndTheWarningMarkFollowsTheMaximum) {
  const TimeMs now = 10 * kHourMs;
  const TimeMs s = kSecondMs;
  const std::vector<DepthPoint> points = {
      {now - 10 * kMinuteMs, 99, 1000},  // before the span
      {now - 200 * s, 10, 100},          {now - 199 * s, 20, 100},
      {now - 198 * s, std::nullopt, {}},  // an outage
      {now - 197 * s, 30, 100},          {now - 196 * s, 40, 200},
      {now - 10 * s, 50, 200},  // after a pause: the monitor was not running
  };
  const HistoryChart chart = historyChart(points, now, 5 * kMinuteMs, 0.8);
  EXPECT_EQ(chart.from, now - 5 * kMinuteMs);
  EXPECT_EQ(chart.to, now);
  ASSERT_EQ(chart.depth.size(), 3u);
  EXPECT_EQ(chart.depth[0], (ChartRun{{now - 200 * s, 10}, {now - 199 * s, 20}}));
  EXPECT_EQ(chart.depth[1], (ChartRun{{now - 197 * s, 30}, {now - 196 * s, 40}}));
  EXPECT_EQ(chart.depth[2], (ChartRun{{now - 10 * s, 50}}));
  ASSERT_EQ(chart.warning.size(), 3u);
  EXPECT_EQ(chart.warning[1], (ChartRun{{now - 197 * s, 80}, {now - 196 * s, 160}}));
  EXPECT_EQ(chart.maxDepth[2], (ChartRun{{now - 10 * s, 200}}));
  EXPECT_DOUBLE_EQ(chart.top, 210);  // above the highest line, not the point before the span

  EXPECT_DOUBLE_EQ(historyChart({}, now, kHourMs, 0.8).top, 10);
}

}  // namespace
}  // namespace tarnix::testing
