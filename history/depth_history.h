#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "history/depth_point.h"
#include "history/depth_series.h"
#include "history/history_store.h"

namespace tarnix {

// The depth history of the monitored queues: every tick's depth and maximum depth, with the
// ticks that failed as gaps, kept for 24 hours (thinned to a point a minute after an hour), and
// written to a store in batches so that a tick costs little. Without a store, or once the store
// has failed, the history is kept in memory only; a failure is reported once.
class DepthHistory {
 public:
  using Clock = std::function<TimeMs()>;
  using Report = std::function<void(const std::string& line)>;

  // How long changes wait before they are written together.
  static constexpr TimeMs kWriteEveryMs = 30 * kSecondMs;

  // `store` may be null (memory only); it must outlive the history. `report` is given the one
  // line that says the store failed.
  explicit DepthHistory(HistoryStore* store, Clock clock = systemClock(), Report report = {});
  // Writes what is still waiting.
  ~DepthHistory();
  DepthHistory(const DepthHistory&) = delete;
  DepthHistory& operator=(const DepthHistory&) = delete;

  static Clock systemClock();

  // Loads the kept points of these queues of `manager` from the store, once per queue.
  void watch(const std::string& manager, std::span<const std::string> queues);
  // One tick of one queue, at the clock's time; no depth makes a gap. Writes the batch once it
  // has waited long enough.
  void record(const SeriesKey& key, std::optional<std::int32_t> depth,
              std::optional<std::int32_t> maxDepth);
  // Writes the waiting changes now.
  void flush();

  // The kept points of a queue at `from` or later.
  std::vector<DepthPoint> pointsSince(const SeriesKey& key, TimeMs from) const;
  TimeMs now() const { return clock_(); }
  // Grows with every recorded tick: a view redraws when it has changed.
  std::uint64_t revision() const { return revision_; }
  // The warning mark the monitor colours against, as a fraction of the maximum depth.
  void setWarningFraction(double fraction) { warningFraction_ = fraction; }
  double warningFraction() const { return warningFraction_; }
  // False once the history is kept in memory only.
  bool persistent() const { return store_ != nullptr; }

 private:
  void storeFailed(const std::string& why);

  HistoryStore* store_;
  Clock clock_;
  Report report_;
  std::map<SeriesKey, DepthSeries> series_;
  std::vector<SeriesRewrite> waiting_;
  TimeMs lastWrite_;
  std::uint64_t revision_ = 0;
  double warningFraction_ = 0.8;
};

}  // namespace tarnix
