// The monitor window after its initialisation, its size for the queues it shows, and its
// teardown.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/messaging/test_seams.h"
#include "platform/runtime/process_end.h"
#include "platform/toolkit/message_box.h"
#include "tests/monitor/monitor_fixture.h"

namespace tarnix::testing {
namespace {

using MonitorWindow = MonitorFixture;

TEST_F(MonitorWindow, OneQueueStartsInItsDocumentedState) {
  defineQueue("Q1");
  tk::HeadlessWindow& w = open({"Q1"});

  EXPECT_EQ(w.title(), "QM1");
  ASSERT_TRUE(w.geometry().has_value());
  EXPECT_EQ(*w.geometry(), (tk::PixelRect{100, 100, 156, 50}));
  EXPECT_TRUE(w.topmost());
  EXPECT_TRUE(w.shown());
  EXPECT_TRUE(w.largeIcon().has_value());
  EXPECT_EQ(w.largeIcon()->width, 32);
  EXPECT_EQ(w.smallIcon()->width, 16);

  EXPECT_TRUE(w.checked(ctl::kStayOnTop));
  EXPECT_TRUE(w.checked(ctl::selectButton(0)));
  EXPECT_TRUE(w.checked(ctl::kConfirmDelete));
  EXPECT_FALSE(w.checked(ctl::kHex));
  EXPECT_FALSE(w.checked(ctl::kPersistent));
  EXPECT_EQ(w.textOf(ctl::kNumber), "1");
  EXPECT_EQ(w.textOf(ctl::kWarningPercent), "80");
  EXPECT_EQ(w.textOf(ctl::kRefreshRate), "1");
  EXPECT_EQ(w.timerPeriod(), 1000u);
  EXPECT_EQ(process_.refreshIntervalMs, 1000);
  EXPECT_TRUE(process_.initDone);
  EXPECT_TRUE(static_cast<bool>(process_.generatorProgressBar));
  EXPECT_EQ(w.spinBuddy(ctl::kNumberSpin), ctl::kNumber);
  EXPECT_EQ(w.progress(ctl::kProgress).position, 0);

  EXPECT_EQ(w.textOf(ctl::nameBox(0)), "Q1");
  EXPECT_TRUE(w.enabled(ctl::selectButton(0)));
  for (int k = 1; k < kSlotCount; ++k) {
    EXPECT_EQ(w.textOf(ctl::nameBox(k)), "") << k;
    EXPECT_FALSE(w.enabled(ctl::selectButton(k))) << k;
  }
  for (int k = 0; k < kSlotCount; ++k) {
    EXPECT_EQ(dialog_->alarmState(k), 1) << k;
    EXPECT_TRUE(w.enabled(ctl::emptyButton(k))) << k;
    EXPECT_EQ(depthText(k), "") << k;
    EXPECT_EQ(reasonText(k), "") << k;
  }
  for (int id : {ctl::kMessageData, ctl::kMsgId, ctl::kCorrelId, ctl::kMsgLength, ctl::kLastError,
                 ctl::kErrorMark, ctl::kFormat, ctl::kPutDate}) {
    EXPECT_EQ(w.textOf(id), "") << id;
  }
  EXPECT_EQ(dialog_->generateOptions().source, 'b');
  EXPECT_EQ(dialog_->generateOptions().randomLength, 1024u);
  EXPECT_TRUE(toolkit_.boxes().empty());
}

TEST_F(MonitorWindow, FiveQueuesEnableEverySelectButton) {
  for (const char* q : {"Q1", "Q2", "Q3", "Q4", "Q5"}) defineQueue(q);
  tk::HeadlessWindow& w = open({"Q1", "Q2", "Q3", "Q4", "Q5"});

  EXPECT_EQ(w.geometry()->height, 150);
  for (int k = 0; k < kSlotCount; ++k) {
    EXPECT_TRUE(w.enabled(ctl::selectButton(k))) << k;
    EXPECT_EQ(w.textOf(ctl::nameBox(k)), "Q" + std::to_string(k + 1));
    EXPECT_EQ(dialog_->boundQueueName(k), "Q" + std::to_string(k + 1));
  }
  EXPECT_TRUE(w.checked(ctl::selectButton(0)));
  EXPECT_EQ(dialog_->selectedSlot(), 0);
  w.click(ctl::selectButton(3));
  EXPECT_EQ(dialog_->selectedSlot(), 3);
  EXPECT_FALSE(w.checked(ctl::selectButton(0)));
}

TEST_F(MonitorWindow, WidthFollowsTheLongestNameAndHeightTheQueueCount) {
  struct Case {
    std::vector<std::string> names;
    int width;
    int height;
  };
  const std::string name48(48, 'N');
  const std::vector<Case> cases = {
      {{"A"}, 150, 50},
      {{"ABC", "ABCDEFGHIJ"}, 204, 75},
      {{"ABCDEFGHIJ", "ABC", "B"}, 204, 100},
      {{"A", "B", "C", "D"}, 150, 125},
      {{name48, "A", "B", "C", "D"}, 428, 150},
  };
  for (const Case& c : cases) {
    MonitorDialog dialog(process_);
    dialog.setManagerName(kManager);
    dialog.setQueueNames(c.names);
    tk::HeadlessWindow& w = toolkit_.open(dialog);
    ASSERT_TRUE(w.geometry().has_value());
    EXPECT_EQ(w.geometry()->width, c.width) << c.names.front();
    EXPECT_EQ(w.geometry()->height, c.height) << c.names.size();
    EXPECT_EQ(w.geometry()->x, 100);
    EXPECT_EQ(w.geometry()->y, 100);
    w.close();
  }
}

TEST_F(MonitorWindow, AliasKeepsItsNameOnScreenWhileItsQueueReadsTheBase) {
  defineQueue("BASE.Q");
  defineAlias("ALIAS.Q", "BASE.Q");
  put("BASE.Q", 3);
  tk::HeadlessWindow& w = open({"ALIAS.Q", "MISSING.Q"});

  EXPECT_EQ(w.textOf(ctl::nameBox(0)), "ALIAS.Q");
  EXPECT_EQ(dialog_->queueName(0), "ALIAS.Q");
  EXPECT_EQ(dialog_->boundQueueName(0), "BASE.Q");
  w.fireTimer();
  EXPECT_EQ(depthText(0), "3");
  // A queue that cannot be inquired keeps the name it was given.
  EXPECT_EQ(dialog_->boundQueueName(1), "MISSING.Q");
  EXPECT_TRUE(toolkit_.boxes().empty());
}

TEST_F(MonitorWindow, SettingTheNumberDuringInitialisationBrowsesNothing) {
  defineQueue("Q1");
  put("Q1", 2);
  std::vector<std::string> operations;
  kx::setFaultHook([&](std::string_view queue, std::string_view operation) {
    operations.push_back(std::string(queue) + " " + std::string(operation));
    return kx::reason::kNone;
  });
  bool initDoneWhileReadingSettings = true;
  dialog_ = std::make_unique<MonitorDialog>(process_, [&](const MonitorDialog::Presets& p) {
    // The settings file writes the Number edit too; nothing may be browsed yet.
    p.controls.setText(ctl::kNumber, "2");
    initDoneWhileReadingSettings = p.process.initDone;
  });
  dialog_->setManagerName(kManager);
  const std::vector<std::string> names = {"Q1"};
  dialog_->setQueueNames(names);
  window_ = &toolkit_.open(*dialog_);
  kx::setFaultHook({});

  EXPECT_FALSE(initDoneWhileReadingSettings);
  for (const std::string& op : operations) EXPECT_EQ(op.find(" get"), std::string::npos) << op;
  EXPECT_EQ(window_->textOf(ctl::kMessageData), "");
  EXPECT_TRUE(process_.initDone);
}

TEST_F(MonitorWindow, DragIconIsTheWindowIcon) {
  defineQueue("Q1");
  tk::HeadlessWindow& w = open({"Q1"});
  const tk::Icon* icon = w.dragIcon();
  ASSERT_NE(icon, nullptr);
  EXPECT_EQ(icon->width, 32);
  EXPECT_EQ(icon->pixels, w.largeIcon()->pixels);
}

TEST_F(MonitorWindow, CreditBoxShowsOnAboutOneReleaseInTen) {
  defineQueue("Q1");
  tk::HeadlessWindow& w = open({"Q1"});
  for (int i = 0; i < 1000; ++i) w.releaseLeftButton();
  const std::size_t shown = toolkit_.boxes().size();
  EXPECT_GT(shown, 50u);
  EXPECT_LT(shown, 150u);
  ASSERT_GT(shown, 0u);
  EXPECT_EQ(toolkit_.boxes().front().caption, "Die persoon wat die program geskryf het");
  EXPECT_EQ(toolkit_.boxes().front().style, tk::mb::kIconInformation);
  EXPECT_TRUE(toolkit_.boxes().front().owned);
}

}  // namespace
}  // namespace tarnix::testing
