#pragma once

#include <QWidget>
#include <array>
#include <cstddef>
#include <cstdint>

#include "history/depth_history.h"
#include "history/history_chart.h"
#include "platform/toolkit/memory.h"

class QAbstractButton;
class QChart;
class QChartView;
class QTimer;

namespace tk {

// A History window: a line chart of one queue's kept depths, with its maximum depth and the
// warning mark, over the last 5 minutes, hour or 24 hours, redrawn while it is open; it saves the
// chart as a PNG image and exports the points it shows as CSV.
class HistoryWindow : public QWidget {
 public:
  HistoryWindow(tarnix::DepthHistory& history, tarnix::SeriesKey key, Memory& memory,
                QWidget* parent);

  const tarnix::SeriesKey& key() const { return key_; }
  // Shows span `index` of tarnix::kHistorySpans, as its button does.
  void showSpan(std::size_t index);
  std::size_t span() const { return span_; }
  // Redraws from the history, as the window does every second while the history grows.
  void refresh();
  QChart* chart() const;
  // What the buttons do once a file is chosen; false, with a line that says why, on failure.
  bool saveChart(const QString& file, QString& why);
  bool exportPoints(const QString& file, QString& why);

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  // As many time labels as fit the chart's width side by side, 2 to 7.
  int timeLabels(const QString& format) const;
  void askAndSave(bool chartImage);
  QString suggestedFile(const char* suffix) const;

  tarnix::DepthHistory& history_;
  tarnix::SeriesKey key_;
  Memory& memory_;
  std::size_t span_ = 0;
  std::uint64_t shownRevision_ = 0;
  QChartView* view_;
  std::array<QAbstractButton*, tarnix::kHistorySpans.size()> spanButtons_{};
  QTimer* timer_;
};

}  // namespace tk
