// Every tick: the depths against the warning threshold and their colours, failures, reconnection
// with a growing wait, the error boxes and the spin range; and the refresh rate.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/messaging/store_admin.h"
#include "tests/monitor/monitor_fixture.h"

namespace tarnix::testing {
namespace {

using DepthPoll = MonitorFixture;
using Range = std::pair<std::int16_t, std::int16_t>;

TEST_F(DepthPoll, ThresholdDividesWithinFromOverAsTheWarningBoxReadsAndTheColoursFollow) {
  struct Case {
    const char* warning;  // what the % Warning box holds
    std::int32_t depth;
    std::int32_t maxDepth;
    bool over;
    const char* warningAfter;  // what the box holds after the tick
  };
  const Case cases[] = {
      {"80", 70000, 100000, false, "80"},  // the spin's range is cut to 16 bits
      {"80", 4000, 5000, false, "80"},     // exactly at the mark is within
      {"80", 4001, 5000, true, "80"},      //
      {"150", 10, 10, false, "100"},       // above 100 counts as 100 and is written back
      {"100.0", 10, 10, false, "100.0"},   // 100 itself is not above it
      {"", 0, 10, false, ""},              // nothing readable is 0 percent:
      {"abc", 1, 10, true, "abc"},         //   any message is over it
      {"-10", 0, 200, true, "-10"},        // below 0: even an empty queue is over
      {"85.5", 171, 200, false, "85.5"},   // 85.5 percent of 200 is 171
      {"85.5", 172, 200, true, "85.5"},    //
  };
  const std::vector<std::uint8_t> data(8, 'x');
  defineQueue("Q1");
  defineQueue("Q2", 10);
  put("Q2", 1);
  tk::HeadlessWindow& w = open({"Q1", "Q2"});
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string("'") + c.warning + "' " + std::to_string(c.depth));
    std::int64_t removed = 0;
    ASSERT_TRUE(kx::admin::purgeQueue(kManager, "Q1", removed));
    ASSERT_TRUE(kx::admin::alterMaxDepth(kManager, "Q1", c.maxDepth));
    ASSERT_TRUE(kx::admin::loadMessages(kManager, "Q1", c.depth, data, false));
    w.setText(ctl::kWarningPercent, c.warning);
    w.fireTimer();
    EXPECT_EQ(depthText(0), std::to_string(c.depth));
    EXPECT_EQ(dialog_->depthPoll().alarmState(0), c.over ? AlarmState::Over : AlarmState::Within);
    EXPECT_EQ(w.textOf(ctl::kWarningPercent), c.warningAfter);
    EXPECT_EQ(w.spinRange(ctl::kNumberSpin), (Range{1, static_cast<std::int16_t>(c.depth)}));
    // White on red over the mark, blue on green within; the rest of the box black.
    const tk::ColourAnswer colours = w.colourOf(ctl::depthBox(0));
    EXPECT_EQ(colours.textColour, (c.over ? tk::Colour{255, 255, 255} : tk::Colour{0, 0, 255}));
    EXPECT_EQ(colours.textBackground, (c.over ? tk::Colour{255, 0, 0} : tk::Colour{0, 255, 0}));
    EXPECT_EQ(colours.brush, (tk::Colour{0, 0, 0}));
  }
  // Each box by its own slot: Q1 is over the 85.5 mark, Q2 within it. The spin follows the
  // selected queue.
  EXPECT_EQ(w.colourOf(ctl::depthBox(1)).textBackground, (tk::Colour{0, 255, 0}));
  w.click(ctl::selectButton(1));
  w.fireTimer();
  EXPECT_EQ(w.spinRange(ctl::kNumberSpin), (Range{1, 1}));
  EXPECT_EQ(dialog_->depthPoll().alarmState(2), AlarmState::Within) << "unused slots stay within";
  // Other controls keep the toolkit's colours.
  EXPECT_FALSE(w.colourOf(ctl::nameBox(0)).brush.has_value());
  EXPECT_FALSE(w.colourOf(ctl::kDisplay).brush.has_value());
}

TEST_F(DepthPoll, FailuresShowTheirCodeOnlySlotZeroReconnectsAndErrorBoxesClearEverySixthTick) {
  defineQueue("Q1");
  defineQueue("Q4");
  tk::HeadlessWindow& w = open({"Q1", "NOT.DEFINED", "BAD NAME", "Q4"});
  w.click(ctl::selectButton(1));
  kx::setFaultHook([](std::string_view queue, std::string_view operation) {
    return queue == "Q4" && operation == "queryDepth" ? kx::reason::kConnectionBroken
                                                      : kx::reason::kNone;
  });
  int disconnects = 0;
  kx::setTraceHook([&](kx::TraceEvent event, const void*, std::string_view) {
    if (event == kx::TraceEvent::ManagerDisconnected) ++disconnects;
  });
  w.fireTimer();
  kx::setTraceHook({});
  kx::setFaultHook({});
  EXPECT_EQ(depthText(0), "0");
  EXPECT_EQ(depthText(1), "N/A");
  EXPECT_EQ(reasonText(1), std::to_string(kx::reason::kUnknownObjectName));
  EXPECT_EQ(w.spinRange(ctl::kNumberSpin), (Range{1, 0})) << "a selected queue without a depth";
  EXPECT_EQ(depthText(2), "Err");
  EXPECT_EQ(reasonText(2), std::to_string(kx::reason::kObjectNameError));
  // A connection code on another slot is shown like any failure, and nothing reconnects.
  EXPECT_EQ(depthText(3), "Err");
  EXPECT_EQ(reasonText(3), std::to_string(kx::reason::kConnectionBroken));
  EXPECT_EQ(disconnects, 0);

  // An error shown just before each tick: only the 6th, 12th and 18th tick of the process clear
  // it.
  for (int tick = 2; tick <= 18; ++tick) {
    w.setText(ctl::kLastError, "2033");
    w.setText(ctl::kErrorMark, "e");
    w.fireTimer();
    EXPECT_EQ(w.textOf(ctl::kLastError), tick % 6 == 0 ? " " : "2033") << tick;
    EXPECT_EQ(w.textOf(ctl::kErrorMark), tick % 6 == 0 ? " " : "e") << tick;
  }
}

TEST_F(DepthPoll, PeriodFollowsTheRefreshRateAndGrowsDuringAnOutage) {
  defineQueue("Q1");
  defineQueue("Q2");
  put("Q1", 3);
  put("Q2", 5);
  tk::HeadlessWindow& w = open({"Q1", "Q2"});
  w.type(ctl::kRefreshRate, "5");
  EXPECT_EQ(w.timerPeriod(), 5000u);
  // No number is 0 ms, which the timer runs at its shortest; a negative rate is a very long
  // period.
  for (const char* text : {"0", "", "soon"}) {
    w.setText(ctl::kRefreshRate, text);
    EXPECT_EQ(w.timerPeriod(), 10u) << "'" << text << "'";
  }
  w.setText(ctl::kRefreshRate, "-1");
  EXPECT_EQ(dialog_->depthPoll().refreshIntervalMs(), -1000);
  EXPECT_EQ(w.timerPeriod(), 2147483647u);
  w.fireTimer();
  ASSERT_EQ(depthText(1), "5");

  // Each failed reconnect waits a second longer.
  stopManager();
  for (int attempt = 1; attempt <= 3; ++attempt) {
    w.fireTimer();
    EXPECT_EQ(depthText(0), "R" + std::to_string(attempt));
    EXPECT_EQ(w.timerPeriod(), static_cast<std::uint32_t>(attempt) * 1000u);
    EXPECT_EQ(depthText(1), "5") << "slots 1 to 4 wait while slot 0 reconnects";
  }
  EXPECT_EQ(reasonText(0), std::to_string(kx::reason::kNotConnected));
  // A new refresh rate counts at once; the count and label wait for the next tick.
  w.type(ctl::kRefreshRate, "2");
  EXPECT_EQ(w.timerPeriod(), 2000u);
  EXPECT_EQ(dialog_->depthPoll().reconnectCount(), 3);
  // The label holds the whole count, however long the outage.
  dialog_->depthPoll().assumeOutage(123455);
  w.fireTimer();
  EXPECT_EQ(depthText(0), "R123456");
  EXPECT_EQ(w.timerPeriod(), 123456000u);
  // A tick on which slot 0 answers with another code ends the back-off without a reconnect.
  kx::setFaultHook([](auto, std::string_view operation) {
    return operation == "queryDepth" ? kx::reason::kObjectNameError : kx::reason::kNone;
  });
  w.fireTimer();
  kx::setFaultHook({});
  EXPECT_EQ(dialog_->depthPoll().reconnectCount(), 0);
  EXPECT_EQ(w.timerPeriod(), 2000u);

  startManager();
  w.fireTimer();  // reconnects; the rows wait for the next tick
  EXPECT_EQ(dialog_->depthPoll().reconnectCount(), 0);
  EXPECT_EQ(w.timerPeriod(), 2000u);
  w.fireTimer();  // the same queue objects read again
  EXPECT_EQ(depthText(0), "0") << "non-persistent messages go with a restart";
  EXPECT_EQ(reasonText(0), "");
  EXPECT_EQ(depthText(1), "0");
}

}  // namespace
}  // namespace tarnix::testing
