// The monitor window after its initialisation, its size for the queues it shows, and its own
// small operations.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/toolkit/message_box.h"
#include "tests/monitor/monitor_fixture.h"

namespace tarnix::testing {
namespace {

using MonitorWindow = MonitorFixture;

TEST_F(MonitorWindow, StartsInItsDocumentedStateAndAnswersItsOwnControls) {
  defineQueue("BASE.Q");
  defineAlias("ALIAS.Q", "BASE.Q");
  put("BASE.Q", 3);
  // Whatever writes the Number edit while the settings are read, nothing is browsed before
  // initialisation ends.
  std::string numberBeforeSettings;
  tk::HeadlessWindow& w = open({"ALIAS.Q", "MISSING.Q"}, {.settings = [&](MonitorPresets&) {
                                 numberBeforeSettings = dialog_->window().text(ctl::kNumber, 10);
                                 dialog_->window().setText(ctl::kNumber, "2");
                               }});
  EXPECT_EQ(numberBeforeSettings, "1");
  EXPECT_EQ(w.textOf(ctl::kMessageData), "");

  EXPECT_TRUE(w.topmost());
  EXPECT_EQ(w.largeIcon()->width, 32);
  EXPECT_EQ(w.smallIcon()->width, 16);
  ASSERT_NE(w.dragIcon(), nullptr);
  EXPECT_EQ(w.dragIcon()->pixels, w.largeIcon()->pixels);
  EXPECT_TRUE(w.checked(ctl::kStayOnTop));
  EXPECT_TRUE(w.checked(ctl::selectButton(0)));
  EXPECT_TRUE(w.checked(ctl::kConfirmDelete));
  EXPECT_EQ(w.textOf(ctl::kWarningPercent), "80");
  EXPECT_EQ(w.textOf(ctl::kRefreshRate), "1");
  EXPECT_EQ(w.timerPeriod(), 1000u);
  EXPECT_TRUE(static_cast<bool>(dialog_->generatorLauncher().generatorProgressBar()));

  // An alias keeps its name on screen while its queue object reads the base queue; a queue that
  // cannot be inquired keeps the name it was given, and nothing is said of it.
  EXPECT_EQ(w.textOf(ctl::nameBox(0)), "ALIAS.Q");
  EXPECT_EQ(dialog_->queueSlots().boundQueueName(0), "BASE.Q");
  EXPECT_EQ(dialog_->queueSlots().boundQueueName(1), "MISSING.Q");
  w.fireTimer();
  EXPECT_EQ(depthText(0), "3");
  EXPECT_TRUE(toolkit_.boxes().empty());

  // Stay on Top off and on: the window leaves and rejoins the topmost band where it is.
  const std::optional<tk::PixelRect> where = w.geometry();
  w.click(ctl::kStayOnTop);
  EXPECT_FALSE(w.topmost());
  w.click(ctl::kStayOnTop);
  EXPECT_TRUE(w.topmost());
  EXPECT_EQ(w.geometry(), where);

  // The credit box shows on about one release in ten over the window's background.
  for (int i = 0; i < 1000; ++i) w.releaseLeftButton();
  const std::size_t shown = toolkit_.boxes().size();
  ASSERT_GT(shown, 50u);
  EXPECT_LT(shown, 150u);
  EXPECT_EQ(toolkit_.boxes().front().caption, "Die persoon wat die program geskryf het");
  EXPECT_EQ(toolkit_.boxes().front().style, tk::mb::kIconInformation);
  EXPECT_TRUE(toolkit_.boxes().front().owned);
}

// Sized to the rows of the queues given, each row's name shown and its select button enabled;
// the rows without a queue hidden; every slot within its threshold until the first tick. The
// height, in the host's pixels with its 26 of caption and frame, reaches the bottom of the last
// row's name box (17, 32, 47, 62 and 77 units down), and of the second row at least, so that
// "Gen" can be read.
TEST_F(MonitorWindow, RowsFollowTheQueuesWidthTheLongestNameAndHeightTheirCount) {
  const std::string name48(48, 'N');
  const std::vector<std::pair<std::vector<std::string>, tk::PixelRect>> cases = {
      {{"A"}, {100, 100, 150, 78}},
      {{"ABC", "ABCDEFGHIJ"}, {100, 100, 204, 78}},
      {{"ABCDEFGHIJ", "ABC", "B"}, {100, 100, 204, 103}},
      {{"A", "B", "C", "D"}, {100, 100, 150, 127}},
      {{name48, "A", "B", "C", "D"}, {100, 100, 428, 152}},
  };
  for (const auto& [names, rect] : cases) {
    SCOPED_TRACE(names.size());
    tk::HeadlessWindow& w = open(names);
    EXPECT_EQ(w.geometry(), rect);
    for (int k = 0; k < kSlotCount; ++k) {
      const bool used = k < static_cast<int>(names.size());
      EXPECT_EQ(w.textOf(ctl::nameBox(k)), used ? names[k] : "") << k;
      EXPECT_EQ(w.enabled(ctl::selectButton(k)), used) << k;
      EXPECT_TRUE(w.enabled(ctl::emptyButton(k))) << k;
      for (const int id : {ctl::emptyButton(k), ctl::depthBox(k), ctl::selectButton(k),
                           ctl::nameBox(k), ctl::reasonBox(k)}) {
        EXPECT_EQ(w.visible(id), used) << id;
      }
      EXPECT_EQ(dialog_->depthPoll().alarmState(k), AlarmState::Within) << k;
    }
    w.close();
  }
}

}  // namespace
}  // namespace tarnix::testing
