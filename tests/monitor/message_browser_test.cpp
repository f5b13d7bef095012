// The browser: the Nth message of the selected queue, as text or hex, with its descriptor.
#include <gtest/gtest.h>

#include <string>

#include "monitor/message_text.h"
#include "platform/messaging/dead_letter.h"
#include "platform/messaging/report_word.h"
#include "tests/monitor/monitor_fixture.h"

namespace tarnix::testing {
namespace {

using MessageBrowser = MonitorFixture;

TEST_F(MessageBrowser, ShowsTheNthMessageWithItsDescriptorAsTextOrHex) {
  defineQueue("Q1");
  defineQueue("Q2");
  putTexts("Q1", {std::string("ab\0cd", 5), ""});
  putTexts("Q2", {"first"});
  kx::QueueMessage second;
  second.setData("Hello", 5);
  second.format = "KXSTR   ";
  second.msgType = 113;
  second.priority = 4;
  second.persistent = 1;
  second.replyToQ = "REPLY.Q";
  second.replyQmgr = "QM2";
  second.feedback = 7;
  ASSERT_TRUE(Client("Q2").queue.put(second));
  tk::HeadlessWindow& w = open({"Q1", "Q2"});

  w.click(ctl::selectButton(1));
  w.setText(ctl::kNumber, "2");
  const std::pair<int, const char*> shown[] = {
      {ctl::kMessageData, "Hello"},  {ctl::kMsgLength, "5"},   {ctl::kFormat, "KXSTR   "},
      {ctl::kMsgType, "KXE Fields"}, {ctl::kPriority, "4"},    {ctl::kFeedback, "7"},
      {ctl::kReplyToQ, "REPLY.Q"},   {ctl::kReplyQmgr, "QM2"}, {ctl::kExpiry, "-1"},
      {ctl::kBackoutCount, "0"}};
  for (const auto& [id, text] : shown) EXPECT_EQ(w.textOf(id), text) << id;
  EXPECT_TRUE(w.checked(ctl::kPersistent));
  EXPECT_EQ(w.textOf(ctl::kPutDate).size(), 8u);
  EXPECT_EQ(w.textOf(ctl::kPutTime).size(), 11u);
  EXPECT_EQ(w.textOf(ctl::kMsgId).size(), 48u);
  EXPECT_EQ(w.textOf(ctl::kCorrelId), std::string(48, '0'));

  // Hex browses the same position afresh.
  w.click(ctl::kHex);
  EXPECT_EQ(w.textOf(ctl::kMessageData), "48 65 6C 6C 6F ");

  // A zero byte ends the text but not the hex or the length; no data is no text.
  w.click(ctl::selectButton(0));
  w.setText(ctl::kNumber, "1");
  EXPECT_EQ(w.textOf(ctl::kMessageData), "61 62 00 63 64 ");
  w.click(ctl::kHex);
  EXPECT_EQ(w.textOf(ctl::kMessageData), "ab");
  EXPECT_EQ(w.textOf(ctl::kMsgLength), "5");
  w.setText(ctl::kNumber, "2");
  EXPECT_EQ(w.textOf(ctl::kMessageData), "");
  EXPECT_EQ(w.textOf(ctl::kMsgLength), "0");
}

TEST_F(MessageBrowser, EachNewNumberShowsItsPositionAndPositionsBeyondTheQueueShowBlanks) {
  defineQueue("Q1");
  defineQueue("EMPTY");
  std::vector<std::string> texts;
  for (int i = 1; i <= 12; ++i) texts.push_back("m" + std::to_string(i));
  putTexts("Q1", texts);
  tk::HeadlessWindow& w = open({"Q1", "EMPTY"});
  // Typing 1 and then 2 shows message 1 and then message 12; the spin steps one display a step.
  w.type(ctl::kNumber, "1");
  EXPECT_EQ(w.textOf(ctl::kMessageData), "m1");
  w.type(ctl::kNumber, "12");
  EXPECT_EQ(w.textOf(ctl::kMessageData), "m12");
  w.fireTimer();
  w.spinDown(ctl::kNumberSpin);
  EXPECT_EQ(w.textOf(ctl::kMessageData), "m11");
  const std::string format = w.textOf(ctl::kFormat);

  // Past the last message: data, ids and length blank; the other fields stay.
  w.setText(ctl::kNumber, "13");
  for (int id : {ctl::kMessageData, ctl::kMsgId, ctl::kCorrelId, ctl::kMsgLength}) {
    EXPECT_EQ(w.textOf(id), " ") << id;
  }
  EXPECT_EQ(w.textOf(ctl::kFormat), format);
  EXPECT_EQ(w.textOf(ctl::kLastError), "");

  // Below 1: data and ids blank, nothing browsed.
  w.setText(ctl::kMsgLength, "kept");
  for (const char* n : {"0", "", "-3", "2147483648", "x"}) {
    w.setText(ctl::kNumber, n);
    EXPECT_EQ(w.textOf(ctl::kMessageData), " ") << n;
    EXPECT_EQ(w.textOf(ctl::kMsgLength), "kept") << n;
  }

  // An empty queue: the reason of the first browse and the error mark; the rest stays.
  w.setText(ctl::kNumber, "1");
  w.click(ctl::selectButton(1));
  w.click(ctl::kDisplay);
  EXPECT_EQ(w.textOf(ctl::kLastError), std::to_string(kx::reason::kNoMessageAvailable));
  EXPECT_EQ(w.textOf(ctl::kErrorMark), "e");
  EXPECT_EQ(w.textOf(ctl::kMessageData), "m1");
}

// A report shows as one: its type, its feedback code with what the code means, and on the
// dead-letter queue the header that says why it is there.
TEST_F(MessageBrowser, AReportShowsItsFeedbackAndADeadLetterItsHeader) {
  defineQueue("DLQ");
  kx::dead_letter::Header header;
  header.reason = kx::reason::kUnknownObjectName;
  header.queue = "REPLY.Q";
  header.manager = "QM1";
  header.format = "KXSTR   ";
  header.putDate = "20261208";
  header.putTime = "06503125";
  const std::string data = kx::dead_letter::write(header) + "original";
  kx::QueueMessage dead;
  dead.msgType = kx::msgtype::kReport;
  dead.feedback = kx::feedback::kCoa;
  dead.format = kx::dead_letter::kFormat;
  dead.setData(data.data(), data.size());
  ASSERT_TRUE(Client("DLQ").queue.put(dead));
  putTexts("DLQ", {"plain"});
  tk::HeadlessWindow& w = open({"DLQ"});

  w.click(ctl::kDisplay);
  EXPECT_EQ(w.textOf(ctl::kMsgType), "Report");
  EXPECT_EQ(w.textOf(ctl::kFeedback), "259");
  EXPECT_EQ(w.toolTipOf(ctl::kFeedback), "259: confirm on arrival");
  EXPECT_EQ(w.textOf(ctl::kMessageData), data);
  EXPECT_EQ(w.toolTipOf(ctl::kMessageData),
            "Dead-letter header: 2085 (unknown object name), for REPLY.Q on QM1, put aside "
            "2026-12-08 06:50:31 UTC, format KXSTR   ");

  // A message that is neither has no such tips.
  w.setText(ctl::kNumber, "2");
  EXPECT_EQ(w.textOf(ctl::kMessageData), "plain");
  EXPECT_EQ(w.toolTipOf(ctl::kFeedback), "");
  EXPECT_EQ(w.toolTipOf(ctl::kMessageData), "");
}

TEST(MessageText, LabelsAndPutTimes) {
  EXPECT_EQ(messageTypeLabel(3), "Unknown");
  EXPECT_EQ(putApplTypeLabel(27), "27");
  EXPECT_EQ(putApplTypeLabel(-1), "Unknown");
  EXPECT_EQ(putApplTypeLabel(6), "Unix");
  EXPECT_EQ(putTimeText("12345678"), "12:34:56 78");
  EXPECT_EQ(putTimeText("1234"), "12:34:");
  EXPECT_EQ(putTimeText("123"), "12:3");
  EXPECT_EQ(putTimeText(""), "");
}

}  // namespace
}  // namespace tarnix::testing
