// "Gen" on the monitor window: each press starts a run of its own with the request of that
// moment, and closing the window ends a run promptly.
#include <gtest/gtest.h>

#include "generator/request_text.h"
#include "tests/monitor/monitor_fixture.h"

namespace tarnix::testing {
namespace {

using GenButton = MonitorFixture;

TEST_F(GenButton, PressesRunSideBySideEachWithItsOwnRequestAndClosingEndsThem) {
  defineQueue("Q1", 10000);
  defineQueue("Q2", 10000);
  ::setenv("KX_DEFAULT_QMGR", kManager, 1);
  tk::HeadlessWindow& w = open({"Q1", "Q2"}, {.manager = ""});
  ::unsetenv("KX_DEFAULT_QMGR");
  const std::vector<std::string> fields = splitRequest(dialog_->generatorRequest());
  EXPECT_EQ(fields.at(1), kManager) << "the default queue manager by the name it answered to";

  // The first run pauses after its first put, so the second runs while the first is connected;
  // a connection or counter shared between them would end or cut one of them short.
  editOptions([](tk::HeadlessWindow& o) {
    o.type(optctl::kMessageCount, "2");
    o.type(optctl::kSleepMs, "1000");
    o.type(optctl::kRandomLength, "100");
  });
  w.click(ctl::kGen);
  ASSERT_TRUE(waitForDepth("Q1", 1));
  editOptions([](tk::HeadlessWindow& o) {
    o.type(optctl::kMessageCount, "200");
    o.type(optctl::kSleepMs, "0");
  });
  w.click(ctl::selectButton(1));
  w.click(ctl::kGen);
  EXPECT_TRUE(waitForDepth("Q2", 200));
  EXPECT_TRUE(waitForDepth("Q1", 2));

  // A run in a pause of some three weeks: a close that did not wake it would hang the test.
  editOptions([](tk::HeadlessWindow& o) {
    o.type(optctl::kMessageCount, "5");
    o.type(optctl::kSleepMs, "2000000000");
  });
  w.click(ctl::kGen);
  ASSERT_TRUE(waitForDepth("Q2", 201));
  w.close();  // stops and joins the run
  EXPECT_EQ(depthOf("Q1"), 2);
  EXPECT_EQ(depthOf("Q2"), 201) << "no put after the window closed";
}

}  // namespace
}  // namespace tarnix::testing
