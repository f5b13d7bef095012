// Start-up: the command line, the usage refusal, the modal run and the teardown order.
#include "app/monitor_app.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "monitor/monitor_controls.h"
#include "platform/messaging/test_seams.h"
#include "platform/runtime/process_end.h"
#include "platform/toolkit/headless/headless_toolkit.h"
#include "platform/toolkit/message_box.h"
#include "tests/support/manager_fixture.h"

namespace tarnix::testing {
namespace {

class StartUp : public ManagerFixture {
 protected:
  void SetUp() override {
    ManagerFixture::SetUp();
    rt::setProcessEnder([](int) {});  // endProcess then throws ProcessEnded with the status
  }
  void TearDown() override {
    rt::setProcessEnder({});
    kx::setTraceHook({});
    ManagerFixture::TearDown();
  }

  // Runs the application; gives its status, or the status the process was ended with.
  int run(std::vector<std::string> arguments, bool notify = false) {
    arguments.insert(arguments.begin(), "tarnix");
    MonitorApp app(toolkit_);
    try {
      return app.run(arguments, notify);
    } catch (const rt::ProcessEnded& ended) {
      return ended.status;
    }
  }

  tk::HeadlessToolkit toolkit_;
};

TEST_F(StartUp, WithoutAQueueNameShowsUsageAndEndsWithStatusTwo) {
  const std::vector<std::vector<std::string>> lines = {{}, {"QM1"}, {"QM1", ""}};
  for (const std::vector<std::string>& arguments : lines) {
    EXPECT_EQ(run(arguments), rt::kExitUsage) << "ended at the usage, before any window ran";
  }
  ASSERT_EQ(toolkit_.boxes().size(), lines.size());
  for (const tk::ShownBox& box : toolkit_.boxes()) {
    EXPECT_EQ(box.text, "Tarnix qmgr queue [queue x 4]");
    EXPECT_EQ(box.caption, "Error");
    EXPECT_EQ(box.style, tk::mb::kIconError);
    EXPECT_FALSE(box.owned);
  }
}

TEST_F(StartUp, MonitorsTheFirstFiveNamedQueuesOfTheNamedOrDefaultManager) {
  for (const char* q : {"Q1", "Q2", "Q3", "Q4", "Q5"}) defineQueue(q);
  std::vector<std::string> seen;  // the title, then the names of the slots in use
  const auto look = [&](tk::HeadlessWindow& w) {
    seen = {w.title()};
    for (int k = 0; k < kSlotCount; ++k) {
      if (w.enabled(ctl::selectButton(k))) seen.push_back(w.textOf(ctl::nameBox(k)));
    }
  };
  toolkit_.onModal(kMonitorTemplateId, look);
  EXPECT_EQ(run({"QM1", "Q1", "Q2", "Q3", "Q4", "Q5", "Q6", "Q7"}), rt::kExitNormal);
  EXPECT_EQ(seen, (std::vector<std::string>{"QM1", "Q1", "Q2", "Q3", "Q4", "Q5"}));

  // An empty queue argument ends the list; an empty manager name is the default manager.
  ::setenv("KX_DEFAULT_QMGR", kManager, 1);
  toolkit_.onModal(kMonitorTemplateId, look);
  EXPECT_EQ(run({"", "Q1", "", "Q3"}), rt::kExitNormal);
  ::unsetenv("KX_DEFAULT_QMGR");
  EXPECT_EQ(seen, (std::vector<std::string>{"QM1", "Q1"}));
  EXPECT_TRUE(toolkit_.boxes().empty());
}

TEST_F(StartUp, ClosingTheWindowTearsDownQueuesFifthFirstThenTheManager) {
  defineQueue("Q1");
  defineQueue("Q2");
  std::vector<std::string> destroyed;
  toolkit_.onModal(kMonitorTemplateId, [&](tk::HeadlessWindow&) {
    kx::setTraceHook([&](kx::TraceEvent event, const void*, std::string_view name) {
      if (event == kx::TraceEvent::QueueDestroyed || event == kx::TraceEvent::ManagerDestroyed) {
        destroyed.emplace_back(name);
      }
    });
  });
  EXPECT_EQ(run({"QM1", "Q1", "Q2"}), rt::kExitNormal);
  kx::setTraceHook({});
  EXPECT_EQ(destroyed, (std::vector<std::string>{"", "", "", "Q2", "Q1", "QM1"}))
      << "the five queues, fifth first, then the manager";
}

TEST_F(StartUp, AFailedConnectSaysOnStandardErrorWhatToDo) {
  defineQueue("Q1");
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(run({"NOSUCH", "Q1"}), rt::kExitFailure);
  std::string said = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(said,
            "tarnix: cannot connect to queue manager NOSUCH: reason 2058, unknown or bad queue "
            "manager name. 'kxadmin list' shows the queue managers there are; 'kxadmin create "
            "NOSUCH' makes a new one.\n");
  ASSERT_EQ(toolkit_.boxes().size(), 1u);
  EXPECT_EQ(toolkit_.boxes()[0].text,
            "Problem with KX connect (2058) : Minimum startup: tarnix qmgr queue [queue2 "
            "...queue5]");
  EXPECT_EQ(toolkit_.boxes()[0].caption, "tarnix") << "no caption of its own";
  EXPECT_EQ(toolkit_.boxes()[0].style, tk::mb::kOk);

  stopManager();
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(run({"QM1", "Q1"}), rt::kExitFailure);
  said = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(said.find("queue manager QM1: reason 2059"), std::string::npos) << said;
  EXPECT_NE(said.find("'kxadmin start QM1'"), std::string::npos) << said;
}

TEST_F(StartUp, NotifyWithoutANotificationServiceSaysSoAndRunsOn) {
  defineQueue("Q1", 10);
  put("Q1", 9);
  toolkit_.setNotificationService(false);
  toolkit_.onModal(kMonitorTemplateId, [](tk::HeadlessWindow& w) { w.fireTimer(); });
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(run({"QM1", "Q1"}, true), rt::kExitNormal) << "the window ran and was closed";
  EXPECT_EQ(::testing::internal::GetCapturedStderr(),
            "tarnix: --notify: no notification service on the session bus; the monitor runs "
            "without notifications\n");
  EXPECT_TRUE(toolkit_.notes().empty());
}

}  // namespace
}  // namespace tarnix::testing
