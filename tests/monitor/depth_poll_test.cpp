// Every tick: the depths against the warning threshold, failures, reconnection with a growing
// wait, the spin range and the refresh rate.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/messaging/store_admin.h"
#include "platform/messaging/test_seams.h"
#include "tests/monitor/monitor_fixture.h"

namespace tarnix::testing {
namespace {

using DepthPoll = MonitorFixture;

struct ThresholdCase {
  const char* warning;  // what the % Warning box holds
  std::int32_t depth;
  std::int32_t maxDepth;
  bool over;
  const char* warningAfter;  // what the box holds after the tick
};

TEST_F(DepthPoll, ThresholdDividesWithinFromOverAsTheWarningBoxReads) {
  const ThresholdCase cases[] = {
      {"80", 4000, 5000, false, "80"},    // exactly at the mark is within
      {"80", 4001, 5000, true, "80"},     //
      {"150", 10, 10, false, "100"},      // above 100 counts as 100 and is written back
      {"100.0", 10, 10, false, "100.0"},  // 100 itself is not above it
      {"", 0, 10, false, ""},             // nothing readable is 0 percent:
      {"", 1, 10, true, ""},              //   any message is over it
      {"abc", 1, 10, true, "abc"},        //
      {"-10", 0, 200, true, "-10"},       // below 0: even an empty queue is over
      {"85.5", 171, 200, false, "85.5"},  // 85.5 percent of 200 is 171
      {"85.5", 172, 200, true, "85.5"},   //
  };
  defineQueue("Q1");
  tk::HeadlessWindow& w = open({"Q1"});
  for (const ThresholdCase& c : cases) {
    SCOPED_TRACE(std::string("'") + c.warning + "' " + std::to_string(c.depth) + " of " +
                 std::to_string(c.maxDepth));
    std::int64_t removed = 0;
    ASSERT_TRUE(kx::admin::purgeQueue(kManager, "Q1", removed));
    ASSERT_TRUE(kx::admin::alterMaxDepth(kManager, "Q1", c.maxDepth));
    const std::vector<std::uint8_t> data(8, 'x');
    if (c.depth > 0) {
      ASSERT_TRUE(kx::admin::loadMessages(kManager, "Q1", c.depth, data, false));
    }
    w.setText(ctl::kWarningPercent, c.warning);
    w.fireTimer();
    EXPECT_EQ(depthText(0), std::to_string(c.depth));
    EXPECT_EQ(dialog_->alarmState(0), c.over ? 0 : 1);
    EXPECT_EQ(w.textOf(ctl::kWarningPercent), c.warningAfter);
  }
  EXPECT_EQ(dialog_->alarmState(1), 1) << "unused slots stay within";
}

TEST_F(DepthPoll, DepthBoxColoursFollowTheAlarmState) {
  defineQueue("WITHIN", 10);
  defineQueue("OVER", 10);
  put("OVER", 9);
  tk::HeadlessWindow& w = open({"WITHIN", "OVER"});
  w.fireTimer();

  const tk::ColourAnswer within = w.colourOf(ctl::depthBox(0));
  EXPECT_EQ(within.textColour, (tk::Colour{0, 0, 255}));
  EXPECT_EQ(within.textBackground, (tk::Colour{0, 255, 0}));
  EXPECT_EQ(within.brush, (tk::Colour{0, 0, 0}));
  const tk::ColourAnswer over = w.colourOf(ctl::depthBox(1));
  EXPECT_EQ(over.textColour, (tk::Colour{255, 255, 255}));
  EXPECT_EQ(over.textBackground, (tk::Colour{255, 0, 0}));
  EXPECT_EQ(over.brush, (tk::Colour{0, 0, 0}));
  // Other controls keep the toolkit's colours.
  EXPECT_FALSE(w.colourOf(ctl::nameBox(0)).brush.has_value());
  EXPECT_FALSE(w.colourOf(ctl::reasonBox(1)).brush.has_value());
  EXPECT_FALSE(w.colourOf(ctl::kDisplay).brush.has_value());
}

TEST_F(DepthPoll, FailuresShowNotApplicableOrErrWithTheirCode) {
  defineQueue("Q1");
  tk::HeadlessWindow& w = open({"Q1", "NOT.DEFINED", "BAD NAME"});
  w.fireTimer();
  EXPECT_EQ(depthText(0), "0");
  EXPECT_EQ(depthText(1), "N/A");
  EXPECT_EQ(reasonText(1), std::to_string(kx::reason::kUnknownObjectName));
  EXPECT_EQ(depthText(2), "Err");
  EXPECT_EQ(reasonText(2), std::to_string(kx::reason::kObjectNameError));

  // Once the queue exists, the next tick shows its depth and empties the code box.
  defineQueue("NOT.DEFINED");
  put("NOT.DEFINED", 2);
  w.fireTimer();
  EXPECT_EQ(depthText(1), "2");
  EXPECT_EQ(reasonText(1), "");
}

TEST_F(DepthPoll, OutageRetriesWithAGrowingWaitUntilTheManagerReturns) {
  defineQueue("Q1");
  defineQueue("Q2");
  put("Q1", 3);
  put("Q2", 5);
  tk::HeadlessWindow& w = open({"Q1", "Q2"});
  w.fireTimer();
  ASSERT_EQ(depthText(1), "5");

  stopManager();
  for (int attempt = 1; attempt <= 3; ++attempt) {
    w.fireTimer();
    EXPECT_EQ(depthText(0), "R" + std::to_string(attempt));
    EXPECT_EQ(w.timerPeriod(), static_cast<std::uint32_t>(attempt) * 1000u);
    EXPECT_EQ(process_.reconnectCount, attempt);
    EXPECT_EQ(depthText(1), "5") << "slots 1 to 4 wait while slot 0 reconnects";
    EXPECT_EQ(reasonText(1), "");
  }
  EXPECT_EQ(reasonText(0), std::to_string(kx::reason::kNotConnected));

  startManager();
  w.fireTimer();  // reconnects; the rows wait for the next tick
  EXPECT_EQ(process_.reconnectCount, 0);
  EXPECT_EQ(w.timerPeriod(), 1000u);
  w.fireTimer();  // the same queue objects read again
  EXPECT_EQ(depthText(0), "0") << "non-persistent messages go with a restart";
  EXPECT_EQ(reasonText(0), "");
  EXPECT_EQ(depthText(1), "0");
}

TEST_F(DepthPoll, ConnectionCodeOnAnotherSlotDoesNotReconnect) {
  defineQueue("Q1");
  defineQueue("Q2");
  defineQueue("Q3");
  tk::HeadlessWindow& w = open({"Q1", "Q2", "Q3"});
  kx::setFaultHook([](std::string_view queue, std::string_view operation) {
    return queue == "Q3" && operation == "queryDepth" ? kx::reason::kConnectionBroken
                                                      : kx::reason::kNone;
  });
  w.fireTimer();
  kx::setFaultHook({});

  EXPECT_EQ(depthText(2), "Err");
  EXPECT_EQ(reasonText(2), std::to_string(kx::reason::kConnectionBroken));
  EXPECT_EQ(process_.reconnectCount, 0);
  EXPECT_EQ(w.timerPeriod(), 1000u);
  EXPECT_EQ(depthText(0), "0");
  EXPECT_TRUE(dialog_->managerConnected());
}

TEST_F(DepthPoll, ErrorBoxesAreBlankedEverySixthTick) {
  defineQueue("Q1");
  tk::HeadlessWindow& w = open({"Q1"});
  auto showError = [&] {
    w.setText(ctl::kLastError, "2033");
    w.setText(ctl::kErrorMark, "e");
  };
  showError();
  for (int tick = 1; tick <= 5; ++tick) {
    w.fireTimer();
    EXPECT_EQ(w.textOf(ctl::kLastError), "2033") << tick;
  }
  w.fireTimer();  // the sixth tick of the process
  EXPECT_EQ(w.textOf(ctl::kLastError), " ");
  EXPECT_EQ(w.textOf(ctl::kErrorMark), " ");

  // An error shown just after a blanking stays for six ticks.
  showError();
  for (int tick = 1; tick <= 5; ++tick) w.fireTimer();
  EXPECT_EQ(w.textOf(ctl::kErrorMark), "e");
  w.fireTimer();
  EXPECT_EQ(w.textOf(ctl::kErrorMark), " ");

  // One shown just before a blanking goes at the next tick.
  for (int tick = 1; tick <= 5; ++tick) w.fireTimer();
  showError();
  w.fireTimer();
  EXPECT_EQ(w.textOf(ctl::kLastError), " ");
}

TEST_F(DepthPoll, SpinRangeFollowsTheSelectedQueueCutToSixteenBits) {
  defineQueue("DEEP", 100000);
  defineQueue("Q2");
  put("DEEP", 70000, "x");
  put("Q2", 7);
  tk::HeadlessWindow& w = open({"DEEP", "Q2", "NOT.DEFINED"});
  w.fireTimer();
  EXPECT_EQ(w.spinRange(ctl::kNumberSpin), (std::pair<std::int16_t, std::int16_t>{1, 4464}));

  w.click(ctl::selectButton(1));
  w.fireTimer();
  EXPECT_EQ(w.spinRange(ctl::kNumberSpin), (std::pair<std::int16_t, std::int16_t>{1, 7}));

  w.click(ctl::selectButton(2));
  w.fireTimer();
  EXPECT_EQ(w.spinRange(ctl::kNumberSpin), (std::pair<std::int16_t, std::int16_t>{1, 0}));
}

TEST_F(DepthPoll, RefreshRateSetsThePeriodAtOnceEvenDuringABackOff) {
  defineQueue("Q1");
  tk::HeadlessWindow& w = open({"Q1"});
  w.type(ctl::kRefreshRate, "5");
  EXPECT_EQ(process_.refreshIntervalMs, 5000);
  EXPECT_EQ(w.timerPeriod(), 5000u);

  stopManager();
  w.fireTimer();
  w.fireTimer();
  ASSERT_EQ(depthText(0), "R2");
  ASSERT_EQ(w.timerPeriod(), 2000u);
  w.type(ctl::kRefreshRate, "3");
  EXPECT_EQ(w.timerPeriod(), 3000u);
  EXPECT_EQ(process_.reconnectCount, 2) << "the count and label wait for the next tick";
  EXPECT_EQ(depthText(0), "R2");

  startManager();
  w.fireTimer();
  EXPECT_EQ(w.timerPeriod(), 3000u);
  EXPECT_EQ(process_.reconnectCount, 0);
}

TEST_F(DepthPoll, RefreshRatesTheTimerCannotHoldRunAtItsNearestPeriod) {
  defineQueue("Q1");
  tk::HeadlessWindow& w = open({"Q1"});
  for (const char* text : {"0", "", "soon"}) {
    w.setText(ctl::kRefreshRate, text);
    EXPECT_EQ(process_.refreshIntervalMs, 0) << "'" << text << "'";
    EXPECT_EQ(w.timerPeriod(), 10u) << "'" << text << "'";
  }
  w.setText(ctl::kRefreshRate, "-1");
  EXPECT_EQ(process_.refreshIntervalMs, -1000);
  EXPECT_EQ(w.timerPeriod(), 2147483647u);
}

TEST_F(DepthPoll, RetryLabelShowsTheWholeCount) {
  defineQueue("Q1");
  tk::HeadlessWindow& w = open({"Q1"});
  stopManager();
  process_.reconnectCount = 123455;
  w.fireTimer();
  EXPECT_EQ(depthText(0), "R123456");
  EXPECT_EQ(w.timerPeriod(), 123456000u);
}

}  // namespace
}  // namespace tarnix::testing
