// The monitor's tooltips: reason codes with their names and meanings, the buttons' work.
#include <gtest/gtest.h>

#include "tests/monitor/monitor_fixture.h"

namespace tarnix::testing {
namespace {

using ToolTips = MonitorFixture;

TEST_F(ToolTips, ReasonCodesReadAsTheirNamesAndMeaningsAndButtonsSayWhatTheyDo) {
  defineQueue("Q1");
  defineQueue("Q3");
  tk::HeadlessWindow& w = open({"Q1", "ORDERS.X", "Q3"});
  w.click(ctl::selectButton(2));
  EXPECT_EQ(w.toolTipOf(ctl::emptyButton(0)), "Empty Q1");
  EXPECT_EQ(w.toolTipOf(ctl::emptyButton(1)), "Empty ORDERS.X");
  EXPECT_EQ(w.toolTipOf(ctl::kGen), "Generate: put test messages onto Q3 as set under Opt");
  EXPECT_EQ(w.toolTipOf(ctl::kOpt),
            "Options of the generator: how many messages, their content and descriptor");
  EXPECT_EQ(w.toolTipOf(ctl::kDisplay), "Show message Number of Q3, with its descriptor");
  EXPECT_EQ(w.toolTipOf(ctl::kRemove), "Remove message Number from Q3");
  EXPECT_EQ(w.toolTipOf(ctl::reasonBox(0)), "") << "nothing to explain before the first tick";

  // "N/A" and "Err", and their reason codes.
  kx::setFaultHook([](std::string_view queue, std::string_view operation) {
    return queue == "Q3" && operation == "queryDepth" ? kx::reason::kStoreBusy : kx::reason::kNone;
  });
  w.fireTimer();
  kx::setFaultHook({});
  ASSERT_EQ(depthText(1), "N/A");
  const std::string unknown = "2085: unknown object name: QM1 has no queue ORDERS.X";
  EXPECT_EQ(w.toolTipOf(ctl::depthBox(1)), unknown);
  EXPECT_EQ(w.toolTipOf(ctl::reasonBox(1)), unknown);
  ASSERT_EQ(depthText(2), "Err");
  const std::string busy =
      "7002: store busy: another process held the store of QM1 locked for too long";
  EXPECT_EQ(w.toolTipOf(ctl::depthBox(2)), busy);
  EXPECT_EQ(w.toolTipOf(ctl::reasonBox(2)), busy);
  EXPECT_EQ(w.toolTipOf(ctl::depthBox(0)), "") << "a depth explains itself";
  EXPECT_EQ(w.toolTipOf(ctl::reasonBox(0)), "");

  // "Last Error": the browser's failure on the queue it browsed.
  w.click(ctl::selectButton(0));
  w.click(ctl::kDisplay);
  ASSERT_EQ(w.textOf(ctl::kLastError), "2033");
  EXPECT_EQ(w.toolTipOf(ctl::kLastError),
            "2033: no message available: Q1 holds no message that qualifies");

  // "R<n>": the reconnects that failed, and why the last did.
  stopManager();
  w.fireTimer();
  ASSERT_EQ(depthText(0), "R1");
  EXPECT_EQ(w.toolTipOf(ctl::depthBox(0)),
            "Reconnecting to QM1: try 1 failed, the next comes 1 s later\n"
            "2059: queue manager not available: QM1 is stopped or its store cannot be reached");
  startManager();
}

}  // namespace
}  // namespace tarnix::testing
