// Removing the Nth message and emptying a queue, on a real store, with other programs at work on
// the same queues.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "platform/messaging/report_word.h"
#include "platform/toolkit/message_box.h"
#include "tests/monitor/monitor_fixture.h"

namespace tarnix::testing {
namespace {

using MessageRemoval = MonitorFixture;
using Texts = std::vector<std::string>;

TEST_F(MessageRemoval, RemovesTheNthAndShowsTheMessageThatMovedIntoItsPlace) {
  defineQueue("Q1");
  putTexts("Q1", {"one", "two", "three"});
  tk::HeadlessWindow& w = open({"Q1"});

  // Past the last message, N = 0 and numbers from 2^31 up: nothing is taken, the data and ids
  // blank, the length stays.
  for (const char* n : {"4", "0", "2147483648"}) {
    w.type(ctl::kNumber, n);
    w.setText(ctl::kMessageData, "shown before");
    w.setText(ctl::kMsgLength, "kept");
    w.click(ctl::kRemove);
    EXPECT_EQ(textsOn("Q1"), (Texts{"one", "two", "three"})) << n;
    EXPECT_EQ(w.textOf(ctl::kMessageData), " ") << n;
    EXPECT_EQ(w.textOf(ctl::kMsgId), " ") << n;
    EXPECT_EQ(w.textOf(ctl::kMsgLength), "kept") << n;
  }

  w.type(ctl::kNumber, "2");
  ASSERT_EQ(w.textOf(ctl::kMessageData), "two");
  w.click(ctl::kRemove);
  EXPECT_EQ(textsOn("Q1"), (Texts{"one", "three"}));
  EXPECT_EQ(w.textOf(ctl::kMessageData), "three");
  EXPECT_EQ(w.textOf(ctl::kMsgLength), "5");

  // N at the depth: the last goes, and nothing stands at N afterwards.
  w.click(ctl::kRemove);
  EXPECT_EQ(textsOn("Q1"), (Texts{"one"}));
  for (int id : {ctl::kMessageData, ctl::kMsgId, ctl::kCorrelId, ctl::kMsgLength}) {
    EXPECT_EQ(w.textOf(id), " ") << id;
  }

  // The only message: the display after it finds the queue empty and reports its first browse,
  // while the message controls keep what they showed.
  w.type(ctl::kNumber, "1");
  ASSERT_EQ(w.textOf(ctl::kMessageData), "one");
  const std::string msgId = w.textOf(ctl::kMsgId);
  w.click(ctl::kRemove);
  EXPECT_TRUE(textsOn("Q1").empty());
  EXPECT_EQ(w.textOf(ctl::kLastError), std::to_string(kx::reason::kNoMessageAvailable));
  EXPECT_EQ(w.textOf(ctl::kErrorMark), "e");
  EXPECT_EQ(w.textOf(ctl::kMessageData), "one");
  EXPECT_EQ(w.textOf(ctl::kMsgId), msgId);
}

TEST_F(MessageRemoval, MessageTakenByAnotherProgramAfterTheBrowseLeavesTheRestInPlace) {
  defineQueue("Q1");
  putTexts("Q1", {"one", "two", "three"});
  tk::HeadlessWindow& w = open({"Q1"});
  w.type(ctl::kNumber, "2");
  const std::string two = w.textOf(ctl::kMsgId);

  // Removal browses twice, then takes; just before the take, kxadmin takes message two.
  int gets = 0;
  int taken = -1;
  kx::setFaultHook([&](std::string_view, std::string_view operation) {
    if (operation == "get" && ++gets == 3) taken = kxadmin("get QM1 Q1 --msg-id-hex " + two);
    return kx::reason::kNone;
  });
  w.click(ctl::kRemove);
  kx::setFaultHook({});
  ASSERT_EQ(taken, 0) << "kxadmin could not take the message";
  EXPECT_EQ(textsOn("Q1"), (Texts{"one", "three"}));
  EXPECT_EQ(w.textOf(ctl::kMessageData), "three");
}

TEST_F(MessageRemoval, EmptyButtonsAskFirstEmptyTheirOwnRowShowNothingAndEndABackOff) {
  defineQueue("Q1");
  defineQueue("Q2");
  putTexts("Q1", {"stays"});
  putTexts("Q2", {"a", "b", "c"});
  tk::HeadlessWindow& w = open({"Q1", "Q2"});
  ASSERT_TRUE(w.checked(ctl::selectButton(0)));

  // "L" with slot 0 selected: the question about slot 1's queue, No keeps it.
  toolkit_.answerNextBox(tk::kIdNo);
  w.click(ctl::emptyButton(1));
  ASSERT_EQ(toolkit_.boxes().size(), 1u);
  const tk::ShownBox& box = toolkit_.boxes().back();
  EXPECT_EQ(box.text, "Are you sure you want to delete all messages from queue Q2?");
  EXPECT_EQ(box.caption, "Empty Queue?");
  EXPECT_EQ(box.style, 36);
  EXPECT_TRUE(box.owned);
  EXPECT_EQ(depthOf("Q2"), 3);

  toolkit_.answerNextBox(tk::kIdYes);
  w.click(ctl::emptyButton(1));
  EXPECT_EQ(depthOf("Q2"), 0);
  EXPECT_EQ(depthOf("Q1"), 1);

  // Cleared: no question.
  putTexts("Q2", {"d", "e"});
  w.click(ctl::kConfirmDelete);
  w.click(ctl::emptyButton(1));
  EXPECT_EQ(depthOf("Q2"), 0);

  // Already empty: the first get fails, and nothing says so.
  w.click(ctl::emptyButton(1));
  EXPECT_EQ(w.textOf(ctl::kLastError), "");
  EXPECT_EQ(w.textOf(ctl::kErrorMark), "");
  EXPECT_EQ(toolkit_.boxes().size(), 2u);

  // A row without a queue: no question even with confirmation ticked, and no client call.
  int operations = 0;
  const auto counting = [&](auto, auto) {
    ++operations;
    return kx::reason::kNone;
  };
  w.click(ctl::kConfirmDelete);
  kx::setFaultHook(counting);
  w.click(ctl::emptyButton(4));
  kx::setFaultHook({});
  EXPECT_EQ(operations, 0);
  EXPECT_EQ(toolkit_.boxes().size(), 2u);

  // During an outage's back-off the question comes first; then the back-off ends and no queue is
  // asked for anything.
  w.type(ctl::kRefreshRate, "3");
  stopManager();
  w.fireTimer();
  w.fireTimer();
  ASSERT_EQ(depthText(0), "R2");
  toolkit_.answerNextBox(tk::kIdYes);
  kx::setFaultHook(counting);
  w.click(ctl::emptyButton(0));
  EXPECT_EQ(operations, 0);
  EXPECT_EQ(toolkit_.boxes().size(), 3u);
  EXPECT_EQ(dialog_->depthPoll().reconnectCount(), 0);
  EXPECT_EQ(w.timerPeriod(), 3000u);
}

// Removing a message delivers it, so a message asking for a delivery report gets one; emptying a
// queue is the operator throwing messages away, and confirms no delivery.
TEST_F(MessageRemoval, RemovingAMessageConfirmsItsDeliveryAndEmptyingDoesNot) {
  defineQueue("Q1");
  defineQueue("REPLY");
  {
    Client client("Q1");
    for (const char* text : {"one", "two", "three"}) {
      kx::QueueMessage message;
      message.report = kx::report::kCod;
      message.replyToQ = "REPLY";
      message.setData(text, std::string_view(text).size());
      ASSERT_TRUE(client.queue.put(message));
    }
  }
  tk::HeadlessWindow& w = open({"Q1", "REPLY"});
  w.type(ctl::kNumber, "2");
  w.click(ctl::kRemove);
  EXPECT_EQ(textsOn("Q1"), (Texts{"one", "three"}));
  EXPECT_EQ(depthOf("REPLY"), 1);

  w.click(ctl::kConfirmDelete);
  w.click(ctl::emptyButton(0));
  EXPECT_EQ(depthOf("Q1"), 0);
  EXPECT_EQ(depthOf("REPLY"), 1);
}

TEST_F(MessageRemoval, EmptyingWhileAnotherProgramPutsEndsOnceAGetFails) {
  defineQueue("Q1", 100000);
  putTexts("Q1", {"first"});
  tk::HeadlessWindow& w = open({"Q1"});
  w.click(ctl::kConfirmDelete);

  // Another program puts one message after another until the test stops it, and says how many.
  const std::string stop = (dataDir_ / "stop").string();
  const std::string putter =
      "n=0; while [ ! -e " + stop + " ]; do " + KXADMIN +
      " put QM1 Q1 --text more >/dev/null || exit 1; n=$((n+1)); done; echo $n";
  FILE* other = ::popen(putter.c_str(), "r");
  ASSERT_NE(other, nullptr);
  EXPECT_TRUE(waitForDepth("Q1", 3)) << "the other program is not putting";

  // One message more arrives while the emptying runs; it goes too.
  int gets = 0;
  kx::setFaultHook([&](std::string_view queue, std::string_view operation) {
    if (queue == "Q1" && operation == "get" && ++gets == 1) kxadmin("put QM1 Q1 --text during");
    return kx::reason::kNone;
  });
  w.click(ctl::emptyButton(0));  // returns once a get finds nothing, though the putter goes on
  kx::setFaultHook({});

  // What the putter puts from now on stays.
  EXPECT_TRUE(waitForDepth("Q1", 1)) << "the other program stopped putting";
  std::ofstream(stop).close();
  int puts = -1;
  EXPECT_EQ(std::fscanf(other, "%d", &puts), 1);
  EXPECT_EQ(::pclose(other), 0);
  const Texts left = textsOn("Q1");
  EXPECT_EQ(left, Texts(left.size(), "more")) << "the first or the one put during it was left";
  // Every get but the last took one message: the emptying ended at its first failed get.
  EXPECT_EQ(left.size() + static_cast<std::size_t>(gets) - 1, static_cast<std::size_t>(puts) + 2);
}

}  // namespace
}  // namespace tarnix::testing
