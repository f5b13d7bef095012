#include "history/depth_series.h"

#include <algorithm>
#include <limits>

namespace tarnix {
namespace {

TimeMs startOf(TimeMs at, TimeMs length) {
  // Floor, also before 1970.
  const TimeMs q = at / length;
  return (at % length < 0 ? q - 1 : q) * length;
}

}  // namespace

std::vector<DepthPoint> thinToPeakAndGap(const std::vector<DepthPoint>& points) {
  const DepthPoint* peak = nullptr;
  const DepthPoint* gap = nullptr;
  for (const DepthPoint& p : points) {
    if (p.gap()) {
      if (gap == nullptr) gap = &p;
    } else if (peak == nullptr || *p.depth > *peak->depth) {
      peak = &p;
    }
  }
  std::vector<DepthPoint> kept;
  if (peak != nullptr) kept.push_back(*peak);
  if (gap != nullptr) kept.push_back(*gap);
  std::sort(kept.begin(), kept.end(),
            [](const DepthPoint& a, const DepthPoint& b) { return a.at < b.at; });
  return kept;
}

void DepthSeries::load(std::vector<DepthPoint> points) {
  thinned_.clear();
  recent_.assign(points.begin(), points.end());
}

void DepthSeries::record(const DepthPoint& point, std::vector<SpanRewrite>& changes) {
  const auto later = [&point](const DepthPoint& p) { return p.at > point.at; };
  if (!recent_.empty() && recent_.back().at > point.at) {
    std::erase_if(recent_, later);
    std::erase_if(thinned_, later);
    changes.push_back({point.at + 1, std::numeric_limits<TimeMs>::max(), {}});
  }
  // Ticks of one second share it: what the second held, and this one, thinned together.
  const TimeMs second = startOf(point.at, kSecondMs);
  std::vector<DepthPoint> inSecond;
  while (!recent_.empty() && recent_.back().at >= second) {
    inSecond.insert(inSecond.begin(), recent_.back());
    recent_.pop_back();
  }
  inSecond.push_back(point);
  std::vector<DepthPoint> kept =
      inSecond.size() == 1 ? std::move(inSecond) : thinToPeakAndGap(inSecond);
  recent_.insert(recent_.end(), kept.begin(), kept.end());
  changes.push_back({second, second + kSecondMs, std::move(kept)});
}

void DepthSeries::age(TimeMs now, std::vector<SpanRewrite>& changes) {
  const TimeMs detailFrom = startOf(now - kFullDetailForMs, kMinuteMs);
  while (!recent_.empty() && recent_.front().at < detailFrom) {
    const TimeMs minute = startOf(recent_.front().at, kMinuteMs);
    std::vector<DepthPoint> inMinute;
    while (!recent_.empty() && recent_.front().at < minute + kMinuteMs) {
      inMinute.push_back(recent_.front());
      recent_.pop_front();
    }
    std::vector<DepthPoint> kept = thinToPeakAndGap(inMinute);
    thinned_.insert(thinned_.end(), kept.begin(), kept.end());
    // A minute that was thinned already (as kept in a file) is left as it stands.
    if (kept.size() != inMinute.size()) {
      changes.push_back({minute, minute + kMinuteMs, std::move(kept)});
    }
  }
  const TimeMs keptFrom = now - kKeptForMs;
  while (!thinned_.empty() && thinned_.front().at < keptFrom) thinned_.pop_front();
  while (!recent_.empty() && recent_.front().at < keptFrom) recent_.pop_front();
}

std::vector<DepthPoint> DepthSeries::pointsSince(TimeMs from) const {
  std::vector<DepthPoint> points;
  const auto after = [from](const DepthPoint& p) { return p.at < from; };
  const auto thinnedFrom = std::partition_point(thinned_.begin(), thinned_.end(), after);
  const auto recentFrom = std::partition_point(recent_.begin(), recent_.end(), after);
  points.reserve(static_cast<std::size_t>(std::distance(thinnedFrom, thinned_.end()) +
                                          std::distance(recentFrom, recent_.end())));
  points.insert(points.end(), thinnedFrom, thinned_.end());
  points.insert(points.end(), recentFrom, recent_.end());
  return points;
}

}  // namespace tarnix
