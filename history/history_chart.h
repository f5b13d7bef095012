#pragma once

#include <array>
#include <vector>

#include "history/depth_point.h"

namespace tarnix {

// The spans of time a History window shows, ending now.
struct HistorySpan {
  const char* label;
  TimeMs length;
};
inline constexpr std::array<HistorySpan, 3> kHistorySpans = {{
    {"5 minutes", 5 * kMinuteMs},
    {"1 hour", kHourMs},
    {"24 hours", 24 * kHourMs},
}};

struct ChartPoint {
  TimeMs at;
  double value;
  friend bool operator==(const ChartPoint&, const ChartPoint&) = default;
};
// An unbroken run of a line; a gap ends one run and the next point starts another.
using ChartRun = std::vector<ChartPoint>;

// What a History window draws for one span: the depth, the maximum depth and the warning mark
// (the maximum depth times the warning fraction) as lines broken at gaps, over [from, to].
struct HistoryChart {
  TimeMs from = 0;
  TimeMs to = 0;
  double top = 0;  // the top of the value axis: above every value shown
  std::vector<ChartRun> depth;
  std::vector<ChartRun> maxDepth;
  std::vector<ChartRun> warning;
};

// The chart of `points` (in time order) over the span of `length` that ends at `now`. Lines also
// break where no point came for a while (the monitor was not running): longer than two minutes
// and longer than three times the step before.
HistoryChart historyChart(const std::vector<DepthPoint>& points, TimeMs now, TimeMs length,
                          double warningFraction);

}  // namespace tarnix
