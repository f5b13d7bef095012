// The chooser on the headless toolkit against a real store: what it lists, the filter, the
// five-queue limit and the order, the remembered choice, starting a stopped queue manager, the
// demo, and the monitor it ends in.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "app/monitor_app.h"
#include "chooser/chooser_dialog.h"
#include "chooser/chooser_model.h"
#include "chooser/chooser_template.h"
#include "chooser/demo_manager.h"
#include "monitor/monitor_controls.h"
#include "platform/messaging/store_admin.h"
#include "platform/runtime/process_end.h"
#include "platform/toolkit/headless/headless_toolkit.h"
#include "platform/toolkit/message_box.h"
#include "tests/support/manager_fixture.h"

namespace tarnix::testing {
namespace {

namespace admin = kx::admin;
using namespace choose;
using Rows = std::vector<std::vector<std::string>>;
using Names = std::vector<std::string>;

class Chooser : public ManagerFixture {
 protected:
  void SetUp() override {
    ManagerFixture::SetUp();
    rt::setProcessEnder([](int) {});
  }
  void TearDown() override {
    rt::setProcessEnder({});
    ManagerFixture::TearDown();
  }

  // QM1 (running): five local queues and an alias; QM2 stopped with one queue; a damaged store.
  void makeManagers() {
    for (const char* q : {"ORDERS.IN", "ORDERS.OUT", "REPLIES", "EVENTS", "AUDIT"}) {
      defineQueue(q, 100);
    }
    defineQueue("BIG", 7);
    defineAlias("orders.alias", "ORDERS.IN");
    put("ORDERS.IN", 3);
    ASSERT_TRUE(admin::createQueueManager("QM2"));
    ASSERT_TRUE(admin::defineLocalQueue("QM2", "Q2"));
    std::ofstream(dataDir_ / "BAD.qmgr") << "not a store";
  }

  // The names of a list's rows (its first column).
  static Names firstColumn(const tk::HeadlessWindow& w, int list) {
    Names names;
    for (const auto& row : w.rowsOf(list)) names.push_back(row.front());
    return names;
  }
  static int rowOf(const tk::HeadlessWindow& w, int list, const std::string& name) {
    const Names names = firstColumn(w, list);
    return static_cast<int>(std::find(names.begin(), names.end(), name) - names.begin());
  }
  static void tick(tk::HeadlessWindow& w, const std::string& queue) {
    w.tickRow(kQueueList, rowOf(w, kQueueList, queue));
  }
  static Names chosen(const tk::HeadlessWindow& w) {
    Names names;
    for (const auto& row : w.rowsOf(kChosenList)) names.push_back(row[1]);
    return names;
  }

  // Runs the chooser with `script` inside; gives its result and, after OK, the choice.
  int choose(const std::function<void(tk::HeadlessWindow&)>& script,
             std::optional<std::string> asked = std::nullopt) {
    ChooserModel model(toolkit_.memory());
    ChooserDialog dialog(model, std::move(asked));
    toolkit_.onModal(kChooserTemplateId, script);
    const int result = toolkit_.runModal(dialog);
    choice_ = dialog.choice();
    return result;
  }

  tk::HeadlessToolkit toolkit_;
  Choice choice_;
};

TEST_F(Chooser, ListsManagersWithTheirStateAndTheQueuesOfTheSelectedOneWithDepths) {
  makeManagers();
  choose([&](tk::HeadlessWindow& w) {
    EXPECT_EQ(w.rowsOf(kManagerList), (Rows{{"BAD", "damaged", "file", ""},
                                            {"QM1", "running", "file", ""},
                                            {"QM2", "stopped", "file", ""}}));
    EXPECT_EQ(w.textOf(kManagersLabel), "Queue managers in " + dataDir_.string() + ":");
    // Nothing remembered and no default: the first is offered, and it is damaged.
    EXPECT_EQ(w.selectedRow(kManagerList), 0);
    EXPECT_NE(w.textOf(kNote).find("is not a usable queue manager store"), std::string::npos)
        << w.textOf(kNote);
    EXPECT_FALSE(w.enabled(kMonitor));

    w.chooseRow(kManagerList, 1);
    EXPECT_EQ(w.textOf(kQueuesLabel), "Queues of QM1:");
    // An alias shows the depths of the queue it stands for.
    EXPECT_EQ(w.rowsOf(kQueueList), (Rows{{"AUDIT", "local", "0", "100"},
                                          {"BIG", "local", "0", "7"},
                                          {"EVENTS", "local", "0", "100"},
                                          {"ORDERS.IN", "local", "3", "100"},
                                          {"ORDERS.OUT", "local", "0", "100"},
                                          {"REPLIES", "local", "0", "100"},
                                          {"orders.alias", "alias", "3", "100"}}));
    EXPECT_FALSE(w.enabled(kStart));
    EXPECT_FALSE(w.enabled(kMakeDemo)) << "there are queue managers";
    EXPECT_FALSE(w.enabled(kMonitor)) << "no queue ticked yet";

    // The filter matches any part of a name, whatever the case, and keeps the ticks.
    tick(w, "REPLIES");
    w.type(kFilter, "orDERS");
    EXPECT_EQ(firstColumn(w, kQueueList), (Names{"ORDERS.IN", "ORDERS.OUT", "orders.alias"}));
    tick(w, "orders.alias");
    w.type(kFilter, "");
    EXPECT_EQ(firstColumn(w, kQueueList).size(), 7u);
    EXPECT_TRUE(w.isRowChecked(kQueueList, rowOf(w, kQueueList, "REPLIES")));
    EXPECT_TRUE(w.isRowChecked(kQueueList, rowOf(w, kQueueList, "orders.alias")));
    EXPECT_EQ(chosen(w), (Names{"REPLIES", "orders.alias"}));
    EXPECT_EQ(w.rowsOf(kChosenList)[0][0], "1");
    EXPECT_TRUE(w.enabled(kMonitor));
  });
}

TEST_F(Chooser, TicksAtMostFiveQueuesInAnOrderTheUserSetsAndMonitorGivesThem) {
  makeManagers();
  const int result = choose(
      [&](tk::HeadlessWindow& w) {
        EXPECT_EQ(w.textOf(kQueuesLabel), "Queues of QM1:") << "the manager asked for";
        for (const char* q : {"ORDERS.IN", "ORDERS.OUT", "REPLIES", "EVENTS", "AUDIT"}) tick(w, q);
        tick(w, "BIG");  // a sixth: refused, its box cleared again
        EXPECT_FALSE(w.isRowChecked(kQueueList, rowOf(w, kQueueList, "BIG")));
        EXPECT_EQ(w.textOf(kNote),
                  "At most five queues are monitored: untick one before ticking BIG.");
        EXPECT_EQ(chosen(w), (Names{"ORDERS.IN", "ORDERS.OUT", "REPLIES", "EVENTS", "AUDIT"}));

        // Unticking makes room; the order is the order of ticking.
        tick(w, "ORDERS.OUT");
        tick(w, "BIG");
        EXPECT_EQ(chosen(w), (Names{"ORDERS.IN", "REPLIES", "EVENTS", "AUDIT", "BIG"}));

        // Up, Down and Remove work on the selected chosen row, and only where they can.
        EXPECT_FALSE(w.enabled(kUp) || w.enabled(kDown) || w.enabled(kRemove));
        w.chooseRow(kChosenList, 4);
        EXPECT_TRUE(w.enabled(kUp));
        EXPECT_FALSE(w.enabled(kDown));
        w.click(kUp);
        w.click(kUp);
        EXPECT_EQ(chosen(w), (Names{"ORDERS.IN", "REPLIES", "BIG", "EVENTS", "AUDIT"}));
        EXPECT_EQ(w.selectedRow(kChosenList), 2) << "the moved queue stays selected";
        w.chooseRow(kChosenList, 0);
        w.click(kDown);
        EXPECT_EQ(chosen(w), (Names{"REPLIES", "ORDERS.IN", "BIG", "EVENTS", "AUDIT"}));
        w.chooseRow(kChosenList, 4);
        w.click(kRemove);
        EXPECT_FALSE(w.isRowChecked(kQueueList, rowOf(w, kQueueList, "AUDIT")));
        w.click(kMonitor);
      },
      "QM1");
  EXPECT_EQ(result, tk::kIdOk);
  EXPECT_EQ(choice_, (Choice{"QM1", {"REPLIES", "ORDERS.IN", "BIG", "EVENTS"}}));
  EXPECT_TRUE(toolkit_.boxes().empty());
}

TEST_F(Chooser, TheLastChoiceIsOfferedFirstWithTheQueuesThatStillExist) {
  makeManagers();
  ASSERT_TRUE(admin::setDefaultQueueManager("QM2"));
  EXPECT_EQ(choose([&](tk::HeadlessWindow& w) {
              EXPECT_EQ(w.selectedRow(kManagerList), 2) << "nothing remembered: the default";
              w.chooseRow(kManagerList, 1);
              for (const char* q : {"EVENTS", "BIG", "ORDERS.IN"}) tick(w, q);
              w.click(kMonitor);
            }),
            tk::kIdOk);
  EXPECT_EQ(toolkit_.memory().recall("chooser/manager"), Names{"QM1"});
  EXPECT_EQ(toolkit_.memory().recall("chooser/queues"), (Names{"EVENTS", "BIG", "ORDERS.IN"}));

  ASSERT_TRUE(admin::deleteQueue(kManager, "BIG"));
  EXPECT_EQ(choose([&](tk::HeadlessWindow& w) {
              EXPECT_EQ(w.selectedRow(kManagerList), 1);
              EXPECT_EQ(chosen(w), (Names{"EVENTS", "ORDERS.IN"}));
              EXPECT_TRUE(w.enabled(kMonitor));
              // Another manager drops the ticks; coming back offers the remembered ones again.
              w.chooseRow(kManagerList, 2);
              EXPECT_TRUE(chosen(w).empty());
              w.chooseRow(kManagerList, 1);
              EXPECT_EQ(chosen(w), (Names{"EVENTS", "ORDERS.IN"}));
            }),
            tk::kIdCancel);

  // A manager named on the command line comes first; one that is not there is said.
  choose([&](tk::HeadlessWindow& w) { EXPECT_EQ(w.selectedRow(kManagerList), 2); }, "QM2");
  choose(
      [&](tk::HeadlessWindow& w) {
        EXPECT_EQ(w.selectedRow(kManagerList), 1);
        EXPECT_EQ(w.textOf(kNote), "there is no queue manager 'NOPE' in " + dataDir_.string());
      },
      "NOPE");
  // A memory that cannot keep the choice does not stop the monitor.
  toolkit_.memory().refusal = "cannot write the settings";
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(choose([](tk::HeadlessWindow& w) { w.click(kMonitor); }), tk::kIdOk);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(),
            "tarnix: the choice is not remembered for next time: cannot write the settings\n");
  EXPECT_EQ(choice_, (Choice{"QM1", {"EVENTS", "ORDERS.IN"}}));
}

TEST_F(Chooser, AStoppedManagerIsStartedAfterAQuestionByStartOrByMonitor) {
  makeManagers();
  const auto stateOf = [](const std::string& name) {
    std::vector<admin::ManagerInfo> managers;
    EXPECT_TRUE(admin::listQueueManagers(managers));
    for (const auto& m : managers) {
      if (m.name == name) return m.running;
    }
    return false;
  };
  const int result = choose(
      [&](tk::HeadlessWindow& w) {
        EXPECT_TRUE(w.enabled(kStart));
        EXPECT_EQ(w.textOf(kNote),
                  "QM2 is stopped: Start starts it, as kxadmin start does; Monitor asks first.");
        tick(w, "Q2");
        toolkit_.answerNextBox(tk::kIdNo);
        w.click(kStart);
        EXPECT_FALSE(stateOf("QM2"));
        toolkit_.answerNextBox(tk::kIdNo);
        w.click(kMonitor);
        EXPECT_FALSE(w.ended()) << "not started: the chooser stays";
        toolkit_.answerNextBox(tk::kIdYes);
        w.click(kMonitor);
      },
      "QM2");
  EXPECT_EQ(result, tk::kIdOk);
  EXPECT_TRUE(stateOf("QM2"));
  EXPECT_EQ(choice_, (Choice{"QM2", {"Q2"}}));
  ASSERT_EQ(toolkit_.boxes().size(), 3u);
  EXPECT_EQ(toolkit_.boxes()[0].text,
            "Queue manager QM2 is stopped. Start it now, as 'kxadmin start QM2' does? Its "
            "non-persistent messages are discarded.");
  EXPECT_EQ(toolkit_.boxes()[0].caption, "Start Queue Manager");
  EXPECT_EQ(toolkit_.boxes()[0].style, tk::mb::kYesNoQuestion);

  // Start alone: the row then shows it running, the tick kept.
  ASSERT_TRUE(admin::stopQueueManager("QM2"));
  choose([&](tk::HeadlessWindow& w) {
    toolkit_.answerNextBox(tk::kIdYes);
    w.click(kStart);
    EXPECT_EQ(w.rowsOf(kManagerList)[2][1], "running");
    EXPECT_FALSE(w.enabled(kStart));
    EXPECT_EQ(chosen(w), Names{"Q2"});
  });
}

TEST_F(Chooser, WithoutAnyManagerItSaysHowToMakeOneAndMakesTheDemo) {
  ASSERT_TRUE(admin::stopQueueManager(kManager));
  ASSERT_TRUE(admin::deleteQueueManager(kManager));
  const int result = choose([&](tk::HeadlessWindow& w) {
    EXPECT_TRUE(w.rowsOf(kManagerList).empty());
    EXPECT_EQ(w.textOf(kNote),
              "There is no queue manager here yet. Make one with kxadmin (kxadmin create QM1; "
              "kxadmin start QM1; kxadmin define QM1 Q1), or press Make Demo for the demo queue "
              "manager DEMO.");
    EXPECT_FALSE(w.enabled(kMonitor));
    w.click(kMakeDemo);
    EXPECT_EQ(w.rowsOf(kManagerList), (Rows{{"DEMO", "running", "file", ""}}));
    EXPECT_EQ(w.rowsOf(kQueueList), (Rows{{"DEMO.EVENTS", "local", "3", "50"},
                                          {"DEMO.ORDERS", "local", "85", "100"},
                                          {"DEMO.ORDERS.ALIAS", "alias", "85", "100"},
                                          {"DEMO.REPLIES", "local", "12", "5000"}}));
    EXPECT_EQ(chosen(w), demoQueues());
    EXPECT_FALSE(w.enabled(kMakeDemo));
    w.click(kMonitor);
  });
  EXPECT_EQ(result, tk::kIdOk);
  EXPECT_EQ(choice_.manager, kDemoManager);
  // Its messages are text, persistent, as kxadmin put --text --persistent makes them.
  kx::IkxQueueManager manager;
  manager.setManagerName(kDemoManager);
  ASSERT_TRUE(manager.connect());
  kx::IkxQueue queue;
  queue.bindManager(manager);
  queue.setQueueName("DEMO.REPLIES");
  kx::QueueMessage message;
  ASSERT_TRUE(queue.get(message, kx::GetOptions{}));
  EXPECT_EQ(message.format, kx::kFormatString);
  EXPECT_EQ(message.persistent, 1);
  EXPECT_EQ(std::string(message.data().begin(), message.data().end()), "reply");
}

TEST_F(Chooser, EndsInTheMonitorOnTheChosenQueuesOrWithStatusZeroOnCancel) {
  makeManagers();
  std::string seen;  // the monitor's title and names of its slots in use
  toolkit_.onModal(kChooserTemplateId, [&](tk::HeadlessWindow& w) {
    tick(w, "REPLIES");
    tick(w, "ORDERS.IN");
    w.click(kMonitor);
  });
  toolkit_.onModal(kMonitorTemplateId, [&](tk::HeadlessWindow& w) {
    seen = w.title();
    for (int k = 0; k < kSlotCount; ++k) {
      if (w.enabled(ctl::selectButton(k))) seen += " " + w.textOf(ctl::nameBox(k));
    }
  });
  MonitorApp app(toolkit_);
  EXPECT_EQ(app.runChooser({"tarnix", "QM1"}), rt::kExitNormal);
  EXPECT_EQ(seen, "QM1 REPLIES ORDERS.IN");

  seen.clear();
  toolkit_.onModal(kChooserTemplateId, [](tk::HeadlessWindow& w) { w.click(kCancel); });
  toolkit_.onModal(kMonitorTemplateId, [&](tk::HeadlessWindow& w) { seen = w.title(); });
  EXPECT_EQ(app.runChooser({"tarnix"}), rt::kExitNormal);
  EXPECT_EQ(seen, "") << "no monitor after Cancel";
  EXPECT_EQ(toolkit_.unusedScripts(), 1u) << "the monitor's script was never run";
}

}  // namespace
}  // namespace tarnix::testing
