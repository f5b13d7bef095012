#pragma once

#include <span>
#include <string>
#include <vector>

#include "history/depth_point.h"
#include "history/depth_series.h"

namespace tarnix {

// A change of one queue's kept points, for the file that keeps them.
struct SeriesRewrite {
  SeriesKey key;
  SpanRewrite span;
};

// Where the depth history is kept between runs. Each call either does all of its work or fails
// with a line that says why.
class HistoryStore {
 public:
  virtual ~HistoryStore() = default;
  // The points of `key` at `since` or later, in time order.
  virtual bool load(const SeriesKey& key, TimeMs since, std::vector<DepthPoint>& points,
                    std::string& why) = 0;
  // Applies `changes` in order and drops the points of their queues older than `keptFrom`, all
  // at once.
  virtual bool save(std::span<const SeriesRewrite> changes, TimeMs keptFrom, std::string& why) = 0;
};

}  // namespace tarnix
