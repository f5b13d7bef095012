// The History windows on real widgets: the chart's lines from the kept points, the spans, live
// redrawing, the saved chart and exported points, and opening from the monitor's depth boxes.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QChart>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QLineSeries>
#include <QTemporaryDir>
#include <QTest>

#include "history/history_csv.h"
#include "monitor/monitor_controls.h"
#include "monitor/monitor_dialog.h"
#include "platform/toolkit/qt/history/qt_history_windows.h"
#include "tests/history/history_fixture.h"
#include "tests/support/manager_fixture.h"
#include "tests/toolkit/qt_test_support.h"

namespace tarnix::testing {
namespace {

// The chart's series of one line, by name: each an unbroken run of points.
std::vector<std::vector<QPointF>> runsOf(QChart* chart, const QString& name) {
  std::vector<std::vector<QPointF>> runs;
  for (QAbstractSeries* series : chart->series()) {
    auto* line = qobject_cast<QLineSeries*>(series);
    if (line != nullptr && line->name() == name && line->count() > 0) {
      const QList<QPointF> points = line->points();
      runs.emplace_back(points.begin(), points.end());
    }
  }
  return runs;
}

TEST(HistoryWindow, DrawsTheSpanLiveAndSavesTheChartAndThePoints) {
  qttest::toolkit();
  TestClock time;
  DepthHistory history(nullptr, time.clock());
  const TimeMs start = time.now;
  // Two hours: a tick a second, with an outage of three ticks four minutes ago.
  for (int s = 0; s < 2 * 3600; ++s) {
    time.now = start + s * kSecondMs;
    const int ago = 2 * 3600 - 1 - s;
    if (ago >= 237 && ago < 240) {
      history.record(kQ1, std::nullopt, std::nullopt);
    } else {
      history.record(kQ1, s % 100, 200);
    }
  }
  history.setWarningFraction(0.5);
  tk::HistoryWindow window(history, kQ1, qttest::toolkit().memory(), nullptr);
  window.show();

  // Five minutes: every tick, in two runs around the outage; the warning mark at half the max.
  auto depth = runsOf(window.chart(), "Depth");
  ASSERT_EQ(depth.size(), 2u);
  EXPECT_EQ(depth[0].size() + depth[1].size(), 5u * 60 - 3 + 1);
  EXPECT_EQ(depth[1].back(), QPointF(static_cast<qreal>(time.now), (2 * 3600 - 1) % 100));
  EXPECT_EQ(runsOf(window.chart(), "% Warning")[0].front().y(), 100);
  EXPECT_EQ(runsOf(window.chart(), "Maximum depth")[1].back().y(), 200);

  // A day: the thinned minutes too, still broken at the outage.
  window.showSpan(2);
  depth = runsOf(window.chart(), "Depth");
  ASSERT_EQ(depth.size(), 2u);
  EXPECT_EQ(depth[0].front().x(), static_cast<qreal>(history.pointsSince(kQ1, 0).front().at));

  // Live: a new tick shows at the next redraw.
  window.showSpan(0);
  time.now += kSecondMs;
  history.record(kQ1, 123, 200);
  window.refresh();
  EXPECT_EQ(runsOf(window.chart(), "Depth").back().back().y(), 123);

  QTemporaryDir folder;
  QString why;
  const QString png = folder.filePath("chart.png");
  ASSERT_TRUE(window.saveChart(png, why)) << why.toStdString();
  const QImage image(png);
  EXPECT_FALSE(image.isNull());
  EXPECT_GE(image.width(), 480);
  const QString csv = folder.filePath("points.csv");
  ASSERT_TRUE(window.exportPoints(csv, why)) << why.toStdString();
  QFile written(csv);
  ASSERT_TRUE(written.open(QIODevice::ReadOnly));
  EXPECT_EQ(written.readAll().toStdString(),
            historyCsv(history.pointsSince(kQ1, time.now - 5 * kMinuteMs)));
  EXPECT_FALSE(window.exportPoints(folder.filePath("no/such/folder/points.csv"), why));
  EXPECT_TRUE(why.contains("no/such/folder")) << why.toStdString();
}

class HistoryFromMonitor : public ManagerFixture {};

TEST_F(HistoryFromMonitor, DoubleClickOrHistoryEntryOpensAWindowPerQueueThatClosesWithTheMonitor) {
  defineQueue("Q1");
  defineQueue("Q2");
  put("Q2", 4);
  TestClock time;
  DepthHistory history(nullptr, time.clock());
  tk::QtHistoryWindows windows(history, qttest::toolkit().memory());
  MonitorDialog dialog;
  dialog.setManagerName(kManager);
  const std::vector<std::string> queues{"Q1", "Q2"};
  dialog.setQueueNames(queues);
  dialog.keepHistory(&history, &windows);
  qttest::runWith(dialog, [&](QWidget* monitor) {
    qttest::processUntil([&] { return !history.pointsSince({kManager, "Q2"}, 0).empty(); });
    auto* box = qttest::control<QLineEdit>(monitor, ctl::depthBox(0));
    QTest::mouseDClick(box, Qt::LeftButton);
    ASSERT_EQ(windows.openWindows().size(), 1u);
    EXPECT_EQ(windows.openWindows()[0]->key(), (SeriesKey{kManager, "Q1"}));
    EXPECT_TRUE(windows.openWindows()[0]->isVisible());
    // Over the monitor's modal run, not blocked by it.
    EXPECT_EQ(windows.openWindows()[0]->parentWidget(), QApplication::activeModalWidget());

    auto* second = qttest::control<QLineEdit>(monitor, ctl::depthBox(1));
    const QList<QAction*> entries = second->actions();
    ASSERT_EQ(entries.size(), 1);
    EXPECT_EQ(entries[0]->text(), "History...");
    entries[0]->trigger();
    entries[0]->trigger();  // the open window comes forward, no second one
    ASSERT_EQ(windows.openWindows().size(), 2u);
    EXPECT_EQ(runsOf(windows.openWindows()[1]->chart(), "Depth").back().back().y(), 4);
  });
  windows.closeAll();  // as the application does once the monitor's run has ended
  EXPECT_TRUE(windows.openWindows().empty());
}

}  // namespace
}  // namespace tarnix::testing
