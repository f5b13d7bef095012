// The monitor window on real widgets: its size, and the depth boxes painted by their alarm state.
#include <gtest/gtest.h>

#include <QImage>
#include <QLineEdit>
#include <QScreen>
#include <QWidget>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "monitor/monitor_controls.h"
#include "monitor/monitor_dialog.h"
#include "tests/support/manager_fixture.h"
#include "tests/toolkit/qt_test_support.h"

namespace tarnix::testing {
namespace {

class MonitorOnQt : public ManagerFixture {
 protected:
  // Runs the monitor on `queues` with `script` inside its modal run.
  void runMonitor(const std::vector<std::string>& queues, std::function<void(QWidget*)> script) {
    MonitorDialog dialog;
    dialog.setManagerName(kManager);
    dialog.setQueueNames(queues);
    dialog_ = &dialog;
    qttest::runWith(dialog, std::move(script));
  }
  MonitorDialog* dialog_ = nullptr;  // while a script runs
};

// What the screen shows of the box: the window's backing store as last painted, not a fresh
// render.
QImage onScreen(QWidget* window, const QRect& box) {
  qttest::processFor(50);
  return window->screen()->grabWindow(window->winId()).toImage().copy(box);
}

// How many pixels of `image` are exactly `colour`.
int pixelsOf(const QImage& image, QRgb colour) {
  int count = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) count += image.pixel(x, y) == colour ? 1 : 0;
  }
  return count;
}

TEST_F(MonitorOnQt, DepthBoxesShowTheirAlarmStateAfterEveryTick) {
  defineQueue("Q1", 10);
  put("Q1", 8);
  runMonitor({"Q1"}, [this](QWidget* window) {
    const QRect box = qttest::control(window, ctl::depthBox(0))->geometry();
    // The flat fills and the glyphs' cores are exactly the colours asked for.
    const auto expectShown = [&](QRgb text, QRgb background, QRgb stale) {
      const QImage shown = onScreen(window, box);
      EXPECT_GT(pixelsOf(shown, text), 5);
      EXPECT_GT(pixelsOf(shown, background), 20);
      EXPECT_EQ(pixelsOf(shown, stale), 0);
    };
    dialog_->depthPoll().pollDepths();
    ASSERT_EQ(dialog_->depthPoll().alarmState(0), AlarmState::Within);
    expectShown(qRgb(0, 0, 255), qRgb(0, 255, 0), qRgb(255, 0, 0));  // blue on green

    // The depth stays 8 while the threshold drops under it: same text, new colours.
    qttest::control<QLineEdit>(window, ctl::kWarningPercent)->setText("70");
    dialog_->depthPoll().pollDepths();
    ASSERT_EQ(dialog_->depthPoll().alarmState(0), AlarmState::Over);
    expectShown(qRgb(255, 255, 255), qRgb(255, 0, 0), qRgb(0, 255, 0));  // white on red
  });
}

// Whatever frame a desktop adds, the client area takes in the used rows whole, the last row's
// name box to its bottom edge, and shows nothing of the rows without a queue.
TEST_F(MonitorOnQt, ClientAreaShowsTheUsedRowsWholeAndNoneOfTheOthers) {
  const std::vector<std::string> names = {"Q1", "ORDERS.IN", "Q3", "A.LONGER.NAME", "Q5"};
  for (const std::string& name : names) defineQueue(name);
  for (std::size_t count = 1; count <= names.size(); ++count) {
    SCOPED_TRACE(count);
    const std::vector<std::string> queues(names.begin(), names.begin() + count);
    runMonitor(queues, [&](QWidget* window) {
      EXPECT_EQ(window->pos(), QPoint(100, 100));
      const int last = static_cast<int>(count) - 1;
      EXPECT_LE(qttest::control(window, ctl::nameBox(last))->geometry().bottom(),
                window->height() - 1);
      for (int k = 0; k < kSlotCount; ++k) {
        auto* box = qttest::control<QLineEdit>(window, ctl::nameBox(k));
        if (k > last) {
          EXPECT_FALSE(box->isVisible()) << k;
          EXPECT_FALSE(qttest::control(window, ctl::depthBox(k))->isVisible()) << k;
          continue;
        }
        // Every name shows whole across.
        const int textEnd = box->x() + 4 + box->fontMetrics().horizontalAdvance(box->text());
        EXPECT_LE(textEnd, window->width()) << queues[k];
      }
    });
  }
}

}  // namespace
}  // namespace tarnix::testing
