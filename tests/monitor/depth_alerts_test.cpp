// The notes sent to the desktop: spaced so that a queue hovering at its mark does not flood it.
#include "monitor/depth_alerts.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "monitor/connect_advice.h"
#include "tests/monitor/monitor_fixture.h"

namespace tarnix::testing {
namespace {

using std::chrono::seconds;

class Alerts : public ::testing::Test {
 protected:
  // One tick for queue Q1 at `at` seconds from the start.
  void tick(bool over, int at) {
    alerts_.queueRead(0, "Q1", over, over ? 90 : 10, 100, start_ + seconds(at));
  }
  std::vector<std::string> sent_;
  DepthAlerts alerts_{
      "QM1", [this](const std::string& summary, const std::string&) { sent_.push_back(summary); }};
  DepthAlerts::Clock::time_point start_{};
};

TEST_F(Alerts, OverThenBackWithinAfterTwoTicks) {
  tick(false, 0);
  EXPECT_TRUE(sent_.empty());
  tick(true, 1);
  tick(true, 2);
  EXPECT_EQ(sent_, (std::vector<std::string>{"QM1: Q1 is over its warning mark"}));
  tick(false, 3);
  EXPECT_EQ(sent_.size(), 1u) << "one tick within is not enough";
  tick(false, 4);
  EXPECT_EQ(sent_.back(), "QM1: Q1 is back within its warning mark");
  tick(false, 5);
  EXPECT_EQ(sent_.size(), 2u);
}

TEST_F(Alerts, AQueueFlickeringAtItsMarkIsNotedAtMostOnceAMinute) {
  for (int at = 0; at < 59; at += 2) {
    tick(true, at);
    tick(false, at + 1);
  }
  EXPECT_EQ(sent_, (std::vector<std::string>{"QM1: Q1 is over its warning mark"}));
  // Back within for good, then over again inside the minute: the alarm waits for the minute,
  // and is noted then if it still stands.
  tick(false, 59);
  tick(false, 59);
  ASSERT_EQ(sent_.size(), 2u);
  tick(true, 30 + 29);
  EXPECT_EQ(sent_.size(), 2u);
  tick(true, 61);
  EXPECT_EQ(sent_.size(), 3u);
  EXPECT_EQ(sent_.back(), "QM1: Q1 is over its warning mark");
}

TEST_F(Alerts, QueuesAreSpacedEachOnTheirOwn) {
  tick(true, 0);
  alerts_.queueRead(1, "Q2", true, 95, 100, start_ + seconds(1));
  EXPECT_EQ(sent_.size(), 2u);
  EXPECT_EQ(sent_.back(), "QM1: Q2 is over its warning mark");
}

TEST_F(Alerts, AnOutageIsNotedOnceAndItsEndOnce) {
  alerts_.managerAnswered();
  EXPECT_TRUE(sent_.empty()) << "no outage, nothing to say";
  alerts_.reconnectFailed(kx::reason::kQueueManagerNotAvailable);
  alerts_.reconnectFailed(kx::reason::kQueueManagerNotAvailable);
  EXPECT_EQ(sent_, (std::vector<std::string>{"QM1: queue manager lost"}));
  alerts_.managerAnswered();
  alerts_.managerAnswered();
  EXPECT_EQ(sent_.back(), "QM1: queue manager back");
  EXPECT_EQ(sent_.size(), 2u);
}

// The window sends its notes as its poll sees the queues, through the toolkit.
class AlertsFromTheWindow : public MonitorFixture {};

TEST_F(AlertsFromTheWindow, PollNotesAlarmsAndOutagesAndLeavesTheWindowAlone) {
  defineQueue("Q1", 10);
  std::vector<std::string> notes;
  dialog_ = std::make_unique<MonitorDialog>(process_);
  dialog_->setManagerName(kManager);
  const std::vector<std::string> names{"Q1"};
  dialog_->setQueueNames(names);
  dialog_->notifyAlerts([&](const std::string& summary, const std::string& body) {
    notes.push_back(summary + " / " + body);
  });
  window_ = &toolkit_.open(*dialog_);
  window_->fireTimer();
  EXPECT_TRUE(notes.empty());
  put("Q1", 9);
  window_->fireTimer();
  ASSERT_EQ(notes.size(), 1u);
  EXPECT_EQ(notes[0], "QM1: Q1 is over its warning mark / Depth 9 of at most 10.");
  EXPECT_EQ(window_->colourOf(ctl::depthBox(0)).textBackground, (tk::Colour{255, 0, 0}));

  stopManager();
  window_->fireTimer();
  window_->fireTimer();
  EXPECT_EQ(notes.size(), 2u);
  EXPECT_EQ(notes[1].rfind("QM1: queue manager lost / Reason 2009", 0), 0u) << notes[1];
  startManager();
  window_->fireTimer();
  EXPECT_EQ(notes.back(), "QM1: queue manager back / The monitor is connected again.");
}

TEST(ConnectAdvice, NamesTheManagerTheReasonAndWhatToDo) {
  EXPECT_EQ(connectAdvice("QM1", kx::reason::kQueueManagerNotAvailable),
            "tarnix: cannot connect to queue manager QM1: reason 2059, queue manager not "
            "available (stopped). Start it with 'kxadmin start QM1'.");
  EXPECT_NE(connectAdvice("NOPE", kx::reason::kQueueManagerNameError).find("'kxadmin list'"),
            std::string::npos);
  EXPECT_NE(connectAdvice("", kx::reason::kNoDefaultQueueManager).find("the default queue manager"),
            std::string::npos);
}

}  // namespace
}  // namespace tarnix::testing
