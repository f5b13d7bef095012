#include "history/history_chart.h"

#include <algorithm>

namespace tarnix {
namespace {

constexpr TimeMs kLongestUnbrokenStepMs = 2 * kMinuteMs;

// Adds a value to the line's current run, or starts a new run when the line was broken.
void extend(std::vector<ChartRun>& line, bool broken, ChartPoint point) {
  if (broken || line.empty()) line.emplace_back();
  line.back().push_back(point);
}

}  // namespace

HistoryChart historyChart(const std::vector<DepthPoint>& points, TimeMs now, TimeMs length,
                          double warningFraction) {
  HistoryChart chart;
  chart.to = now;
  chart.from = now - length;
  double top = 0;
  bool depthBroken = true;
  bool maxBroken = true;
  TimeMs previousAt = 0;
  TimeMs previousStep = 0;
  bool first = true;
  for (const DepthPoint& p : points) {
    if (p.at < chart.from || p.at > chart.to) continue;
    const TimeMs step = first ? 0 : p.at - previousAt;
    if (!first && step > kLongestUnbrokenStepMs && step > 3 * previousStep) {
      depthBroken = maxBroken = true;
    }
    previousStep = step;
    previousAt = p.at;
    first = false;
    if (p.gap()) {
      depthBroken = maxBroken = true;
      continue;
    }
    const double depth = *p.depth;
    extend(chart.depth, depthBroken, {p.at, depth});
    depthBroken = false;
    top = std::max(top, depth);
    if (p.maxDepth) {
      const double maxDepth = *p.maxDepth;
      extend(chart.maxDepth, maxBroken, {p.at, maxDepth});
      extend(chart.warning, maxBroken, {p.at, maxDepth * warningFraction});
      maxBroken = false;
      top = std::max({top, maxDepth, maxDepth * warningFraction});
    } else {
      maxBroken = true;
    }
  }
  // Room above the highest line, and a scale even when every queue is empty.
  chart.top = std::max(10.0, top * 1.05);
  return chart;
}

}  // namespace tarnix
