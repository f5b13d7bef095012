// The monitor window on real widgets: its template made whole, Stay on Top, and the depth
// boxes painted by their alarm state.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QWidget>
#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "monitor/monitor_controls.h"
#include "monitor/monitor_dialog.h"
#include "monitor/monitor_template.h"
#include "platform/toolkit/qt/dialog_font.h"
#include "tests/support/manager_fixture.h"
#include "tests/toolkit/qt_test_support.h"

namespace tarnix::testing {
namespace {

class MonitorOnQt : public ManagerFixture {
 protected:
  // Runs the monitor on `queues` with `script` inside its modal run.
  void runMonitor(const std::vector<std::string>& queues, std::function<void(QWidget*)> script) {
    ProcessValues process;
    MonitorDialog dialog(process);
    dialog.setManagerName(kManager);
    dialog.setQueueNames(queues);
    dialog_ = &dialog;
    qttest::runWith(dialog, std::move(script));
    dialog_ = nullptr;
  }
  MonitorDialog* dialog_ = nullptr;
};

TEST_F(MonitorOnQt, StayOnTopOffAndOnLeavesTheWindowWhereItWas) {
  defineQueue("Q1");
  runMonitor({"Q1"}, [](QWidget* window) {
    const QPoint where = window->pos();
    const QSize size = window->size();
    EXPECT_EQ(where, QPoint(100, 100));
    EXPECT_TRUE(window->windowFlags() & Qt::WindowStaysOnTopHint);
    auto* stayOnTop = qttest::control<QCheckBox>(window, ctl::kStayOnTop);
    ASSERT_NE(stayOnTop, nullptr);

    stayOnTop->click();
    qttest::processUntil([&] { return window->isVisible(); });
    EXPECT_FALSE(window->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(window->pos(), where);
    EXPECT_EQ(window->size(), size);

    stayOnTop->click();
    qttest::processUntil([&] { return window->isVisible(); });
    EXPECT_TRUE(window->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(window->pos(), where);
    EXPECT_EQ(window->size(), size);
  });
}

struct ColourCount {
  int text = 0;
  int textBackground = 0;
  int brush = 0;
  int other = 0;
};

int distance(QRgb a, QRgb b) {
  const int dr = qRed(a) - qRed(b);
  const int dg = qGreen(a) - qGreen(b);
  const int db = qBlue(a) - qBlue(b);
  return static_cast<int>(std::sqrt(dr * dr + dg * dg + db * db));
}

// Sorts each pixel to the nearest of the three colours; glyph edges are smoothed, so text
// counts within a wider distance than the flat fills.
ColourCount countColours(const QImage& image, QRgb text, QRgb textBackground, QRgb brush) {
  ColourCount count;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const QRgb p = image.pixel(x, y);
      const int toText = distance(p, text);
      const int toBackground = distance(p, textBackground);
      const int toBrush = distance(p, brush);
      if (toText < toBackground && toText < toBrush && toText < 160) {
        ++count.text;
      } else if (toBackground < 40) {
        ++count.textBackground;
      } else if (toBrush < 40) {
        ++count.brush;
      } else {
        ++count.other;
      }
    }
  }
  return count;
}

// What the screen shows of the window: its backing store as last painted, not a fresh render.
QImage onScreen(QWidget* window) {
  qttest::processFor(50);
  return window->screen()->grabWindow(window->winId()).toImage();
}

// Text in its colour on its background, the rest of the box the black brush.
void expectBox(const QImage& screen, const QRect& box, QRgb text, QRgb background) {
  const ColourCount c = countColours(screen.copy(box), text, background, qRgb(0, 0, 0));
  EXPECT_GT(c.text, 5);
  EXPECT_GT(c.textBackground, 20);
  EXPECT_GT(c.brush, c.textBackground);
}

TEST_F(MonitorOnQt, DepthBoxesShowTheirAlarmStateAfterEveryTick) {
  defineQueue("Q1", 10);
  put("Q1", 8);
  runMonitor({"Q1"}, [this](QWidget* window) {
    const QRect box = qttest::control(window, ctl::depthBox(0))->geometry();
    dialog_->pollDepths();
    ASSERT_EQ(dialog_->alarmState(0), 1);
    expectBox(onScreen(window), box, qRgb(0, 0, 255), qRgb(0, 255, 0));  // blue on green

    // The depth stays 8 while the threshold drops under it: same text, new colours.
    qttest::control<QLineEdit>(window, ctl::kWarningPercent)->setText("70");
    dialog_->pollDepths();
    ASSERT_EQ(dialog_->alarmState(0), 0);
    const QImage after = onScreen(window);
    after.save("monitor_depth_recoloured.png");
    expectBox(after, box, qRgb(255, 255, 255), qRgb(255, 0, 0));  // white on red
  });
}

TEST_F(MonitorOnQt, OuterSizeIsTheLogicsScaledLikeTheDialogUnits) {
  const std::vector<std::string> names = {"Q1", "ORDERS.IN", "Q3", "A.LONGER.NAME", "Q5"};
  for (const std::string& name : names) defineQueue(name);
  for (std::size_t count = 1; count <= names.size(); ++count) {
    SCOPED_TRACE(count);
    const std::vector<std::string> queues(names.begin(), names.begin() + count);
    std::size_t longest = 0;
    for (const std::string& q : queues) longest = std::max(longest, q.size());
    runMonitor(queues, [&](QWidget* window) {
      const tk::DialogUnits units = tk::dialogUnits(window->font());
      const int width = static_cast<int>(static_cast<double>(longest) * 5.9 + 145);
      const int height = 50 + 25 * static_cast<int>(count - 1);
      EXPECT_EQ(window->frameGeometry(),
                QRect(100, 100, units.hostWidth(width), units.hostHeight(height)));
      // Every name shows whole in its box.
      for (std::size_t k = 0; k < count; ++k) {
        auto* box = qttest::control<QLineEdit>(window, ctl::nameBox(static_cast<int>(k)));
        const int textEnd = box->x() + 4 + box->fontMetrics().horizontalAdvance(box->text());
        EXPECT_LE(textEnd, window->width()) << queues[k];
      }
    });
  }
}

}  // namespace
}  // namespace tarnix::testing
