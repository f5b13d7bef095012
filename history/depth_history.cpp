#include "history/depth_history.h"

#include <chrono>
#include <utility>

namespace tarnix {

DepthHistory::DepthHistory(HistoryStore* store, Clock clock, Report report)
    : store_(store), clock_(std::move(clock)), report_(std::move(report)), lastWrite_(clock_()) {}

DepthHistory::~DepthHistory() { flush(); }

DepthHistory::Clock DepthHistory::systemClock() {
  return [] {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
  };
}

void DepthHistory::watch(const std::string& manager, std::span<const std::string> queues) {
  const TimeMs now = clock_();
  for (const std::string& queue : queues) {
    SeriesKey key{manager, queue};
    if (series_.contains(key)) continue;
    DepthSeries& series = series_[key];
    if (store_ == nullptr) continue;
    std::vector<DepthPoint> points;
    std::string why;
    if (!store_->load(key, now - kKeptForMs, points, why)) {
      storeFailed(why);
      continue;
    }
    series.load(std::move(points));
    std::vector<SpanRewrite> changes;
    series.age(now, changes);
    for (SpanRewrite& change : changes) waiting_.push_back({key, std::move(change)});
  }
  ++revision_;
}

void DepthHistory::record(const SeriesKey& key, std::optional<std::int32_t> depth,
                          std::optional<std::int32_t> maxDepth) {
  const TimeMs now = clock_();
  DepthSeries& series = series_[key];
  std::vector<SpanRewrite> changes;
  // A gap has no maximum depth either: the tick read nothing.
  series.record({now, depth, depth ? maxDepth : std::nullopt}, changes);
  series.age(now, changes);
  for (SpanRewrite& change : changes) waiting_.push_back({key, std::move(change)});
  ++revision_;
  if (now - lastWrite_ >= kWriteEveryMs || now < lastWrite_) flush();
}

void DepthHistory::flush() {
  lastWrite_ = clock_();
  if (store_ == nullptr) {
    waiting_.clear();
    return;
  }
  if (waiting_.empty()) return;
  std::string why;
  if (!store_->save(waiting_, lastWrite_ - kKeptForMs, why)) storeFailed(why);
  waiting_.clear();
}

std::vector<DepthPoint> DepthHistory::pointsSince(const SeriesKey& key, TimeMs from) const {
  const auto found = series_.find(key);
  if (found == series_.end()) return {};
  return found->second.pointsSince(from);
}

void DepthHistory::storeFailed(const std::string& why) {
  store_ = nullptr;
  waiting_.clear();
  if (report_) report_(why + "; the depth history is kept in memory only");
}

}  // namespace tarnix
