#pragma once

#include <cstddef>
#include <deque>
#include <vector>

#include "history/depth_point.h"

namespace tarnix {

// What a change of the kept points did to a span of time [from, to): it now holds `points` and
// nothing else. The file that keeps the history applies these in order.
struct SpanRewrite {
  TimeMs from = 0;
  TimeMs to = 0;
  std::vector<DepthPoint> points;
};

// The kept points of one queue, in time order: every tick of the last hour (ticks faster than
// one a second share their second), and before that one a minute, for 24 hours. A second or a
// minute that is thinned keeps its highest depth and, when a tick in it failed, its first gap,
// so that neither a peak nor an outage disappears from the chart.
class DepthSeries {
 public:
  // Takes points kept before, in time order (as a file gives them back).
  void load(std::vector<DepthPoint> points);
  // Adds a tick. A tick earlier than the last kept point means the clock was set back: the points
  // after it are dropped.
  void record(const DepthPoint& point, std::vector<SpanRewrite>& changes);
  // Thins the points older than an hour before `now` to their minutes and drops those older than
  // 24 hours (the file drops those by their time, so no rewrite is given for them).
  void age(TimeMs now, std::vector<SpanRewrite>& changes);

  // The kept points at `from` or later, in time order.
  std::vector<DepthPoint> pointsSince(TimeMs from) const;
  std::size_t size() const { return thinned_.size() + recent_.size(); }

 private:
  std::deque<DepthPoint> thinned_;  // one a minute, older than an hour
  std::deque<DepthPoint> recent_;   // every tick of the last hour
};

// The points one span of time keeps of `points` (all in it): its highest depth (the first of
// equals) and its first gap, in time order.
std::vector<DepthPoint> thinToPeakAndGap(const std::vector<DepthPoint>& points);

}  // namespace tarnix
