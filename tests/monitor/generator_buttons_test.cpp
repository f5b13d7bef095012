// "Gen" on the monitor window: each press starts a run of its own with the request of that
// moment, and closing the window ends a run promptly.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "generator/request_text.h"
#include "tests/monitor/monitor_fixture.h"

namespace tarnix::testing {
namespace {

class GenButton : public MonitorFixture {
 protected:
  // Waits until `queue` holds at least `depth` messages; false after half a minute.
  bool waitForDepth(std::string_view queue, std::int32_t depth) {
    for (int tries = 0; tries < 3000; ++tries) {
      if (depthOf(queue) >= depth) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }
};

TEST_F(GenButton, RequestNamesTheSelectedQueueAndTheConnectedManager) {
  for (const char* q : {"Q1", "Q2", "Q3"}) defineQueue(q);
  ::setenv("KX_DEFAULT_QMGR", kManager, 1);
  tk::HeadlessWindow& w = open({"Q1", "Q2", "Q3"}, "");
  ::unsetenv("KX_DEFAULT_QMGR");
  w.click(ctl::selectButton(2));
  const std::vector<std::string> fields = splitRequest(dialog_->generatorRequest());
  ASSERT_GE(fields.size(), 17u);
  EXPECT_EQ(fields[1], kManager) << "the default queue manager by the name it answered to";
  EXPECT_EQ(fields[2], "Q3");
}

TEST_F(GenButton, TwoPressesRunSideBySideEachWithItsOwnRequest) {
  defineQueue("Q1", 10000);
  defineQueue("Q2", 10000);
  tk::HeadlessWindow& w = open({"Q1", "Q2"});
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
  w.close();
  EXPECT_EQ(depthOf("Q1"), 2);
  EXPECT_EQ(depthOf("Q2"), 200);
}

TEST_F(GenButton, ClosingTheWindowEndsARunInTheMiddleOfALongPause) {
  defineQueue("Q1");
  tk::HeadlessWindow& w = open({"Q1"});
  editOptions([](tk::HeadlessWindow& o) {
    o.type(optctl::kMessageCount, "5");
    o.type(optctl::kSleepMs, "60000");
  });
  w.click(ctl::kGen);
  ASSERT_TRUE(waitForDepth("Q1", 1));
  const auto closing = std::chrono::steady_clock::now();
  w.close();  // stops and joins the run
  const auto took = std::chrono::steady_clock::now() - closing;
  EXPECT_LT(took, std::chrono::seconds(10)) << "the pause did not wake";
  EXPECT_EQ(depthOf("Q1"), 1) << "no put after the window closed";
}

}  // namespace
}  // namespace tarnix::testing
