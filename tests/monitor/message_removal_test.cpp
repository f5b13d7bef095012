// Removing the Nth message and emptying a queue, on a real store, with other programs at work on
// the same queues.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "platform/messaging/get_options.h"
#include "platform/messaging/test_seams.h"
#include "platform/toolkit/message_box.h"
#include "tests/monitor/monitor_fixture.h"

namespace tarnix::testing {
namespace {

class MessageRemoval : public MonitorFixture {
 protected:
  void TearDown() override {
    kx::setFaultHook({});
    MonitorFixture::TearDown();
  }

  // Puts one persistent message per text, so that they survive a restart; gives their ids.
  std::vector<kx::MessageId24> putTexts(std::string_view queueName,
                                        const std::vector<std::string>& texts) {
    kx::IkxQueueManager manager;
    manager.setManagerName(kManager);
    EXPECT_TRUE(manager.connect());
    kx::IkxQueue queue;
    queue.setQueueName(queueName);
    queue.bindManager(manager);
    std::vector<kx::MessageId24> ids;
    for (const std::string& text : texts) {
      kx::QueueMessage message;
      message.persistent = 1;
      message.setData(text.data(), text.size());
      EXPECT_TRUE(queue.put(message)) << queue.reason();
      ids.push_back(message.msgId);
    }
    return ids;
  }

  // The data of every message on the queue, in order, read without taking them.
  std::vector<std::string> textsOn(std::string_view queueName) {
    kx::IkxQueueManager manager;
    manager.setManagerName(kManager);
    EXPECT_TRUE(manager.connect());
    kx::IkxQueue queue;
    queue.setQueueName(queueName);
    queue.bindManager(manager);
    std::vector<std::string> texts;
    kx::QueueMessage message;
    kx::GetOptions options{kx::getopt::kBrowseFirst};
    while (queue.get(message, options)) {
      texts.emplace_back(message.data().begin(), message.data().end());
      message.msgId.reset();
      message.correlId.reset();
      options.options = kx::getopt::kBrowseNext;
    }
    return texts;
  }

  // The queue operations that `act` makes, by name.
  std::vector<std::string> operationsDuring(const std::function<void()>& act) {
    std::vector<std::string> operations;
    kx::setFaultHook([&](std::string_view, std::string_view operation) {
      operations.emplace_back(operation);
      return kx::reason::kNone;
    });
    act();
    kx::setFaultHook({});
    return operations;
  }

  // Runs kxadmin with `arguments` as a program of its own; gives its exit status.
  static int kxadmin(const std::string& arguments) {
    return std::system((std::string(KXADMIN) + " " + arguments + " >/dev/null 2>&1").c_str());
  }
};

TEST_F(MessageRemoval, RemovesTheNthAndShowsTheMessageThatMovedIntoItsPlace) {
  defineQueue("Q1");
  putTexts("Q1", {"one", "two", "three"});
  tk::HeadlessWindow& w = open({"Q1"});

  w.setText(ctl::kNumber, "2");
  ASSERT_EQ(w.textOf(ctl::kMessageData), "two");
  w.click(ctl::kRemove);
  EXPECT_EQ(textsOn("Q1"), (std::vector<std::string>{"one", "three"}));
  EXPECT_EQ(w.textOf(ctl::kMessageData), "three");
  EXPECT_EQ(w.textOf(ctl::kMsgLength), "5");

  // N at the depth: the last goes, and nothing stands at N afterwards.
  w.click(ctl::kRemove);
  EXPECT_EQ(textsOn("Q1"), (std::vector<std::string>{"one"}));
  EXPECT_EQ(w.textOf(ctl::kMessageData), " ");
  EXPECT_EQ(w.textOf(ctl::kMsgId), " ");
  EXPECT_EQ(w.textOf(ctl::kCorrelId), " ");
  EXPECT_EQ(w.textOf(ctl::kMsgLength), " ");

  // The only message: the display after it finds the queue empty and reports its first browse,
  // while the message controls keep what they showed.
  w.setText(ctl::kNumber, "1");
  ASSERT_EQ(w.textOf(ctl::kMessageData), "one");
  const std::string msgId = w.textOf(ctl::kMsgId);
  w.click(ctl::kRemove);
  EXPECT_TRUE(textsOn("Q1").empty());
  EXPECT_EQ(w.textOf(ctl::kLastError), std::to_string(kx::reason::kNoMessageAvailable));
  EXPECT_EQ(w.textOf(ctl::kErrorMark), "e");
  EXPECT_EQ(w.textOf(ctl::kMessageData), "one");
  EXPECT_EQ(w.textOf(ctl::kMsgId), msgId);
}

TEST_F(MessageRemoval, PositionsOutsideTheQueueRemoveNothing) {
  defineQueue("Q1");
  putTexts("Q1", {"alpha", "beta"});
  tk::HeadlessWindow& w = open({"Q1"});
  w.setText(ctl::kNumber, "1");
  ASSERT_EQ(w.textOf(ctl::kMsgLength), "5");

  // Past the last message: the browse fails before anything is taken; the length stays.
  w.type(ctl::kNumber, "3");
  w.setText(ctl::kMessageData, "shown before");
  w.setText(ctl::kMsgLength, "5");
  w.click(ctl::kRemove);
  EXPECT_EQ(textsOn("Q1"), (std::vector<std::string>{"alpha", "beta"}));
  EXPECT_EQ(w.textOf(ctl::kMessageData), " ");
  EXPECT_EQ(w.textOf(ctl::kMsgId), " ");
  EXPECT_EQ(w.textOf(ctl::kMsgLength), "5");

  // N = 0, and numbers from 2^31 up: nothing is touched.
  for (const char* n : {"0", "2147483648"}) {
    w.type(ctl::kNumber, n);
    w.setText(ctl::kMessageData, "shown before");
    w.setText(ctl::kMsgLength, "5");
    w.click(ctl::kRemove);
    EXPECT_EQ(textsOn("Q1").size(), 2u) << n;
    EXPECT_EQ(w.textOf(ctl::kMessageData), " ") << n;
    EXPECT_EQ(w.textOf(ctl::kMsgLength), "5") << n;
  }
}

TEST_F(MessageRemoval, MessageTakenByAnotherProgramAfterTheBrowseLeavesTheRestInPlace) {
  defineQueue("Q1");
  const std::vector<kx::MessageId24> ids = putTexts("Q1", {"one", "two", "three"});
  tk::HeadlessWindow& w = open({"Q1"});
  w.setText(ctl::kNumber, "2");

  // Removal browses twice, then takes; just before the take, kxadmin takes message two.
  int gets = 0;
  int taken = -1;
  kx::setFaultHook([&](std::string_view, std::string_view operation) {
    if (operation == "get" && ++gets == 3) {
      taken = kxadmin("get QM1 Q1 --msg-id-hex " + ids[1].toHex());
    }
    return kx::reason::kNone;
  });
  w.click(ctl::kRemove);
  kx::setFaultHook({});
  ASSERT_EQ(taken, 0) << "kxadmin could not take the message";
  EXPECT_EQ(textsOn("Q1"), (std::vector<std::string>{"one", "three"}));
  EXPECT_EQ(w.textOf(ctl::kMessageData), "three");
}

TEST_F(MessageRemoval, EmptyingAsksFirstWhenConfirmationIsTicked) {
  defineQueue("Q1");
  putTexts("Q1", {"a", "b", "c"});
  tk::HeadlessWindow& w = open({"Q1"});
  ASSERT_TRUE(w.checked(ctl::kConfirmDelete));

  toolkit_.answerNextBox(tk::kIdNo);
  w.click(ctl::emptyButton(0));
  ASSERT_EQ(toolkit_.boxes().size(), 1u);
  const tk::ShownBox& box = toolkit_.boxes().back();
  EXPECT_EQ(box.text, "Are you sure you want to delete all messages from the selected queue?");
  EXPECT_EQ(box.caption, "Empty Queue?");
  EXPECT_EQ(box.style, 36);
  EXPECT_TRUE(box.owned);
  EXPECT_EQ(depthOf("Q1"), 3);

  toolkit_.answerNextBox(tk::kIdYes);
  w.click(ctl::emptyButton(0));
  EXPECT_EQ(depthOf("Q1"), 0);

  // Cleared: no question.
  putTexts("Q1", {"d", "e"});
  w.click(ctl::kConfirmDelete);
  w.click(ctl::emptyButton(0));
  EXPECT_EQ(toolkit_.boxes().size(), 2u);
  EXPECT_EQ(depthOf("Q1"), 0);
}

TEST_F(MessageRemoval, EmptyButtonChoosesTheQueueAndShowsNothing) {
  defineQueue("Q1");
  defineQueue("Q2");
  putTexts("Q1", {"stays"});
  putTexts("Q2", {"goes", "goes too"});
  tk::HeadlessWindow& w = open({"Q1", "Q2"});
  w.click(ctl::kConfirmDelete);
  ASSERT_TRUE(w.checked(ctl::selectButton(0)));

  w.click(ctl::emptyButton(1));  // "L", with slot 0 selected
  EXPECT_EQ(depthOf("Q1"), 1);
  EXPECT_EQ(depthOf("Q2"), 0);

  // Already empty: the first get fails, and nothing says so.
  w.click(ctl::emptyButton(1));
  EXPECT_EQ(w.textOf(ctl::kLastError), "");
  EXPECT_EQ(w.textOf(ctl::kErrorMark), "");
  EXPECT_EQ(depthOf("Q1"), 1);

  // A row without a queue: no question even with confirmation ticked, and no client call.
  w.click(ctl::kConfirmDelete);
  EXPECT_TRUE(operationsDuring([&] { w.click(ctl::emptyButton(4)); }).empty());
  EXPECT_TRUE(toolkit_.boxes().empty());
}

TEST_F(MessageRemoval, EmptyButtonDuringAnOutageEndsTheBackOffAndTouchesNoQueue) {
  defineQueue("Q1");
  putTexts("Q1", {"kept", "kept too"});
  tk::HeadlessWindow& w = open({"Q1"});
  w.type(ctl::kRefreshRate, "3");
  stopManager();
  w.fireTimer();
  w.fireTimer();
  ASSERT_EQ(depthText(0), "R2");
  ASSERT_EQ(w.timerPeriod(), 2000u);

  // The question comes first; then the back-off ends and no queue is asked for anything.
  toolkit_.answerNextBox(tk::kIdYes);
  EXPECT_TRUE(operationsDuring([&] { w.click(ctl::emptyButton(0)); }).empty());
  EXPECT_EQ(toolkit_.boxes().size(), 1u);
  EXPECT_EQ(process_.reconnectCount, 0);
  EXPECT_EQ(w.timerPeriod(), 3000u);
  EXPECT_EQ(process_.refreshIntervalMs, 3000);

  // The manager comes back with the messages untouched: a tick reconnects, the next shows them.
  startManager();
  EXPECT_EQ(depthOf("Q1"), 2);
  w.fireTimer();
  w.fireTimer();
  EXPECT_EQ(depthText(0), "2");
}

TEST_F(MessageRemoval, EmptyingWhileAnotherProgramPutsEndsOnceAGetFails) {
  defineQueue("Q1", 100000);
  putTexts("Q1", {"first"});
  tk::HeadlessWindow& w = open({"Q1"});
  w.click(ctl::kConfirmDelete);

  // kxadmin puts one message at a time while the queue is emptied.
  const std::string putter =
      std::string(KXADMIN) + " put QM1 Q1 --text more --count 3000 >/dev/null";
  FILE* other = ::popen(putter.c_str(), "r");
  ASSERT_NE(other, nullptr);
  for (int wait = 0; wait < 10000 && depthOf("Q1") < 50; ++wait) {
  }
  ASSERT_GE(depthOf("Q1"), 50) << "the other program is not putting";
  w.click(ctl::emptyButton(0));  // returns once a get finds nothing
  const int depthAfterEmptying = depthOf("Q1");
  EXPECT_EQ(::pclose(other), 0);
  EXPECT_LT(depthAfterEmptying, 3001);

  // Whatever arrived after the emptying ended stays, and a second emptying takes it all.
  w.click(ctl::emptyButton(0));
  EXPECT_EQ(depthOf("Q1"), 0);
}

}  // namespace
}  // namespace tarnix::testing
