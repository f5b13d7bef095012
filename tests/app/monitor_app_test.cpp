// Start-up: the command line, the usage refusal, the modal run and the teardown order.
#include "app/monitor_app.h"

#include <gtest/gtest.h>

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
    rt::setProcessEnder([this](int status) { endStatus_ = status; });
  }
  void TearDown() override {
    rt::setProcessEnder({});
    kx::setTraceHook({});
    ManagerFixture::TearDown();
  }

  // Runs the application; gives its status, or the status the process was ended with.
  int run(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), "tarnix");
    MonitorApp app(toolkit_);
    try {
      return app.run(arguments);
    } catch (const rt::ProcessEnded& ended) {
      return ended.status;
    }
  }

  tk::HeadlessToolkit toolkit_;
  int endStatus_ = -1;
};

TEST_F(StartUp, WithoutAQueueNameShowsUsageAndEndsWithStatusTwo) {
  for (const std::vector<std::string>& arguments :
       {std::vector<std::string>{}, std::vector<std::string>{"QM1"},
        std::vector<std::string>{"QM1", ""}}) {
    tk::HeadlessToolkit toolkit;
    MonitorApp app(toolkit);
    std::vector<std::string> line = {"tarnix"};
    line.insert(line.end(), arguments.begin(), arguments.end());
    bool windowRan = false;
    toolkit.onModal(kMonitorTemplateId, [&](tk::HeadlessWindow&) { windowRan = true; });
    EXPECT_THROW(app.run(line), rt::ProcessEnded);

    EXPECT_EQ(endStatus_, rt::kExitUsage);
    EXPECT_FALSE(windowRan);
    ASSERT_EQ(toolkit.boxes().size(), 1u);
    const tk::ShownBox& box = toolkit.boxes().front();
    EXPECT_EQ(box.text, "Tarnix qmgr queue [queue x 4]");
    EXPECT_EQ(box.caption, "Error");
    EXPECT_EQ(box.style, tk::mb::kIconError);
    EXPECT_FALSE(box.owned);
  }
}

TEST_F(StartUp, MonitorsTheFirstFiveQueuesAndIgnoresTheRest) {
  for (const char* q : {"Q1", "Q2", "Q3", "Q4", "Q5"}) defineQueue(q);
  std::vector<std::string> shown;
  toolkit_.onModal(kMonitorTemplateId, [&](tk::HeadlessWindow& w) {
    for (int k = 0; k < kSlotCount; ++k) shown.push_back(w.textOf(ctl::nameBox(k)));
    EXPECT_EQ(w.title(), "QM1");
  });
  EXPECT_EQ(run({"QM1", "Q1", "Q2", "Q3", "Q4", "Q5", "Q6", "Q7"}), rt::kExitNormal);
  EXPECT_EQ(shown, (std::vector<std::string>{"Q1", "Q2", "Q3", "Q4", "Q5"}));
  EXPECT_TRUE(toolkit_.boxes().empty());
}

TEST_F(StartUp, AnEmptyQueueArgumentEndsTheList) {
  defineQueue("Q1");
  defineQueue("Q3");
  std::vector<bool> enabled;
  int height = 0;
  toolkit_.onModal(kMonitorTemplateId, [&](tk::HeadlessWindow& w) {
    for (int k = 0; k < kSlotCount; ++k) enabled.push_back(w.enabled(ctl::selectButton(k)));
    height = w.geometry()->height;
  });
  EXPECT_EQ(run({"QM1", "Q1", "", "Q3"}), rt::kExitNormal);
  EXPECT_EQ(enabled, (std::vector<bool>{true, false, false, false, false}));
  EXPECT_EQ(height, 50);
}

TEST_F(StartUp, EmptyManagerNameConnectsToTheDefault) {
  defineQueue("Q1");
  ::setenv("KX_DEFAULT_QMGR", kManager, 1);
  std::string title;
  toolkit_.onModal(kMonitorTemplateId, [&](tk::HeadlessWindow& w) { title = w.title(); });
  EXPECT_EQ(run({"", "Q1"}), rt::kExitNormal);
  ::unsetenv("KX_DEFAULT_QMGR");
  EXPECT_EQ(title, "QM1");
}

TEST_F(StartUp, ClosingTheWindowTearsDownQueuesFifthFirstThenTheManager) {
  defineQueue("Q1");
  defineQueue("Q2");
  std::vector<std::pair<kx::TraceEvent, std::string>> trace;
  toolkit_.onModal(kMonitorTemplateId, [&](tk::HeadlessWindow&) {
    kx::setTraceHook([&](kx::TraceEvent event, const void*, std::string_view name) {
      if (event == kx::TraceEvent::QueueDestroyed || event == kx::TraceEvent::ManagerDestroyed) {
        trace.emplace_back(event, std::string(name));
      }
    });
  });
  MonitorApp app(toolkit_);
  EXPECT_EQ(app.run({"tarnix", "QM1", "Q1", "Q2"}), rt::kExitNormal);
  kx::setTraceHook({});

  using E = kx::TraceEvent;
  const std::vector<std::pair<E, std::string>> expected = {
      {E::QueueDestroyed, ""},   {E::QueueDestroyed, ""},   {E::QueueDestroyed, ""},
      {E::QueueDestroyed, "Q2"}, {E::QueueDestroyed, "Q1"}, {E::ManagerDestroyed, "QM1"}};
  EXPECT_EQ(trace, expected);
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
  bool ran = false;
  toolkit_.onModal(kMonitorTemplateId, [&](tk::HeadlessWindow& w) {
    w.fireTimer();
    ran = true;
  });
  MonitorApp app(toolkit_);
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(app.run({"tarnix", "QM1", "Q1"}, true), rt::kExitNormal);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(),
            "tarnix: --notify: no notification service on the session bus; the monitor runs "
            "without notifications\n");
  EXPECT_TRUE(ran);

  // With a service, the over note reaches it.
  tk::HeadlessToolkit desktop;
  desktop.onModal(kMonitorTemplateId, [](tk::HeadlessWindow& w) { w.fireTimer(); });
  MonitorApp notifying(desktop);
  EXPECT_EQ(notifying.run({"tarnix", "QM1", "Q1"}, true), rt::kExitNormal);
  ASSERT_EQ(desktop.notes().size(), 1u);
  EXPECT_EQ(desktop.notes()[0].summary, "QM1: Q1 is over its warning mark");
}

}  // namespace
}  // namespace tarnix::testing
