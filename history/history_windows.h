#pragma once

#include "history/depth_point.h"

namespace tarnix {

// The History windows of the monitor: a chart of one queue's kept depths each, live while open.
class HistoryWindows {
 public:
  virtual ~HistoryWindows() = default;
  // Opens the window of `key`, or brings it to the front when it is open already.
  virtual void open(const SeriesKey& key) = 0;
  // Closes every History window.
  virtual void closeAll() = 0;
};

}  // namespace tarnix
