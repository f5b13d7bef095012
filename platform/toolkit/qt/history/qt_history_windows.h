#pragma once

#include <QPointer>
#include <vector>

#include "history/depth_history.h"
#include "history/history_windows.h"
#include "platform/toolkit/memory.h"
#include "platform/toolkit/qt/history/history_window.h"

namespace tk {

// The History windows of the monitor, each a window of its own over the monitor's, so that the
// monitor's modal run leaves them usable.
class QtHistoryWindows : public tarnix::HistoryWindows {
 public:
  QtHistoryWindows(tarnix::DepthHistory& history, Memory& memory)
      : history_(history), memory_(memory) {}
  ~QtHistoryWindows() override { closeAll(); }
  QtHistoryWindows(const QtHistoryWindows&) = delete;
  QtHistoryWindows& operator=(const QtHistoryWindows&) = delete;

  void open(const tarnix::SeriesKey& key) override;
  void closeAll() override;
  // The windows open now.
  std::vector<HistoryWindow*> openWindows() const;

 private:
  tarnix::DepthHistory& history_;
  Memory& memory_;
  std::vector<QPointer<HistoryWindow>> windows_;  // a closed window deletes itself
};

}  // namespace tk
