// "Gen" on the monitor window: each press starts a run of its own with the request of that
// moment; a run that fails says so in the window and ends, the window going on; the progress
// bar's menu and closing the window end runs promptly.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <thread>

#include "generator/request_text.h"
#include "platform/toolkit/message_box.h"
#include "tests/monitor/monitor_fixture.h"

namespace tarnix::testing {
namespace {

class GenButton : public MonitorFixture {
 protected:
  void TearDown() override {
    kx::setTraceHook({});
    MonitorFixture::TearDown();
  }
  // Counts the disconnects made on threads other than the test's: the runs'.
  void countRunDisconnects() {
    kx::setTraceHook([this, test = std::this_thread::get_id()](kx::TraceEvent event, const void*,
                                                               std::string_view) {
      if (event == kx::TraceEvent::ManagerDisconnected && std::this_thread::get_id() != test) {
        ++runDisconnects_;
      }
    });
  }
  // "Opt" with the source `letter` (q or f) and its argument, then "Gen"; waits for the run.
  void runFrom(int sourceButton, int sourceEdit, const std::string& source) {
    editOptions([&](tk::HeadlessWindow& o) {
      o.type(optctl::kMessageCount, "3");
      o.click(sourceButton);
      o.type(sourceEdit, source);
    });
    window_->click(ctl::kGen);
    window_->waitForWorkers();
  }
  std::atomic<int> runDisconnects_ = 0;
};

TEST_F(GenButton, PressesRunSideBySideEachWithItsOwnRequestAndClosingEndsThem) {
  defineQueue("Q1", 10000);
  defineQueue("Q2", 10000);
  ::setenv("KX_DEFAULT_QMGR", kManager, 1);
  tk::HeadlessWindow& w = open({"Q1", "Q2"}, {.manager = ""});
  ::unsetenv("KX_DEFAULT_QMGR");
  const std::vector<std::string> fields =
      splitRequest(dialog_->generatorLauncher().generatorRequest());
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

namespace tarnix::testing {
namespace {

// (A source letter other than b, q and f never reaches a run from the window: the request
// writes any other as f. The worker's own tests give it one.)
TEST_F(GenButton, RunsThatFailSayWhyInOneBoxAndEndWhileTheWindowGoesOn) {
  defineQueue("Q1");
  defineQueue("EMPTY");
  const std::string fifo = (dataDir_ / "lines.fifo").string();
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string missing = (dataDir_ / "missing.txt").string();
  const std::string folder = dataDir_.string();
  tk::HeadlessWindow& w = open({"Q1"});
  countRunDisconnects();
  ::testing::internal::CaptureStdout();
  runFrom(optctl::kQueue, optctl::kSourceQueue, "EMPTY");
  ASSERT_EQ(w.notices().size(), 1u);
  const tk::HeadlessWindow::Notice& box = w.notices().front();
  EXPECT_EQ(box.text, "No messages in the input queue EMPTY");
  EXPECT_EQ(box.caption, "Gen");
  EXPECT_EQ(box.style, tk::mb::kIconWarning);
  EXPECT_TRUE(box.open);

  // While the box is open the poll goes on, and the next failure joins the box.
  runFrom(optctl::kFile, optctl::kSourceFile, missing);
  put("Q1", 2);
  w.fireTimer();
  EXPECT_EQ(depthText(0), "2");
  ASSERT_EQ(w.notices().size(), 1u);
  EXPECT_EQ(w.notices().front().text,
            "No messages in the input queue EMPTY\nCannot open the input file " + missing +
                ": No such file or directory");

  // Once it is closed, the next failure opens a box of its own.
  w.dismissNotices();
  runFrom(optctl::kFile, optctl::kSourceFile, folder);
  runFrom(optctl::kFile, optctl::kSourceFile, fifo);
  ASSERT_EQ(w.notices().size(), 2u);
  EXPECT_EQ(w.notices().back().text, "Cannot open the input file " + folder +
                                         ": Is a directory\nCannot open the input file " + fifo +
                                         ": not a regular file");
  EXPECT_EQ(::testing::internal::GetCapturedStdout(),
            w.notices().front().text + "\n" + w.notices().back().text + "\n")
      << "every line is on standard output too";
  EXPECT_EQ(runDisconnects_, 4) << "each run released its connection";
  EXPECT_EQ(w.progress(ctl::kProgress).position, 0);
  EXPECT_FALSE(w.closed());

  // A run that completes shows nothing new.
  w.dismissNotices();
  runFrom(optctl::kRandom, optctl::kRandomLength, "10");
  EXPECT_EQ(depthOf("Q1"), 5);
  EXPECT_EQ(w.notices().size(), 2u);
  EXPECT_FALSE(w.notices().back().open);
}

TEST_F(GenButton, StopFromTheBarsMenuEndsEveryRunAndTheBarSaysWhatARunPuts) {
  defineQueue("Q1", 2000000);
  defineQueue("Q2", 2000000);
  tk::HeadlessWindow& w = open({"Q1", "Q2"});
  EXPECT_EQ(w.contextActions(ctl::kProgress), std::vector<std::string>{"Stop generator run"});
  EXPECT_EQ(w.toolTipOf(ctl::kProgress), "") << "no run goes";
  countRunDisconnects();

  // One run in a pause of some three weeks after its first put, another putting without pause
  // towards a count it would take minutes to reach. A stop that did not reach both would hang
  // the wait below.
  editOptions([](tk::HeadlessWindow& o) {
    o.type(optctl::kMessageCount, "5");
    o.type(optctl::kSleepMs, "2000000000");
    o.type(optctl::kRandomLength, "10");
  });
  w.click(ctl::kGen);
  ASSERT_TRUE(waitForDepth("Q1", 1));
  EXPECT_EQ(w.toolTipOf(ctl::kProgress), "Putting 1 of 5 onto Q1");
  editOptions([](tk::HeadlessWindow& o) {
    o.type(optctl::kMessageCount, "1000000");
    o.type(optctl::kSleepMs, "0");
  });
  w.click(ctl::selectButton(1));
  w.click(ctl::kGen);
  ASSERT_TRUE(waitForDepth("Q2", 10));
  const std::string both = w.toolTipOf(ctl::kProgress);
  EXPECT_TRUE(both.starts_with("Putting 1 of 5 onto Q1\nPutting ")) << both;
  EXPECT_TRUE(both.ends_with(" of 1000000 onto Q2")) << both;

  w.chooseContextAction(ctl::kProgress, "Stop generator run");
  w.waitForWorkers();
  EXPECT_EQ(depthOf("Q1"), 1);
  EXPECT_LT(depthOf("Q2"), 1000000);
  EXPECT_EQ(runDisconnects_, 2) << "each run released its connection";
  EXPECT_EQ(w.progress(ctl::kProgress).position, 0);
  EXPECT_EQ(w.toolTipOf(ctl::kProgress), "");
  EXPECT_TRUE(w.notices().empty()) << "a stop is no failure";

  // The window goes on, and a run started after the stop runs to its end.
  const std::int32_t before = depthOf("Q2");
  editOptions([](tk::HeadlessWindow& o) { o.type(optctl::kMessageCount, "3"); });
  w.click(ctl::kGen);
  w.waitForWorkers();
  EXPECT_EQ(depthOf("Q2"), before + 3);
  EXPECT_EQ(runDisconnects_, 3);
}

}  // namespace
}  // namespace tarnix::testing
