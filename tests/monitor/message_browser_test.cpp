// The browser: the Nth message of the selected queue, as text or hex, with its descriptor.
#include <gtest/gtest.h>

#include <string>

#include "monitor/message_text.h"
#include "tests/monitor/monitor_fixture.h"

namespace tarnix::testing {
namespace {

class MessageBrowser : public MonitorFixture {
 protected:
  void putMessage(std::string_view queueName, const kx::QueueMessage& prototype) {
    kx::IkxQueueManager manager;
    manager.setManagerName(kManager);
    ASSERT_TRUE(manager.connect());
    kx::IkxQueue queue;
    queue.setQueueName(queueName);
    queue.bindManager(manager);
    kx::QueueMessage message = prototype;
    ASSERT_TRUE(queue.put(message)) << queue.reason();
  }
  void putBytes(std::string_view queueName, std::string_view bytes) {
    kx::QueueMessage message;
    message.setData(bytes.data(), bytes.size());
    putMessage(queueName, message);
  }
};

TEST_F(MessageBrowser, ShowsTheNthMessageWithItsDescriptor) {
  defineQueue("Q1");
  defineQueue("Q2");
  putBytes("Q2", "first");
  kx::QueueMessage second;
  second.setData("Hello", 5);
  second.format = "KXSTR   ";
  second.msgType = 113;
  second.priority = 4;
  second.persistent = 1;
  second.replyToQ = "REPLY.Q";
  second.replyQmgr = "QM2";
  second.feedback = 7;
  putMessage("Q2", second);
  tk::HeadlessWindow& w = open({"Q1", "Q2"});

  w.click(ctl::selectButton(1));
  w.setText(ctl::kNumber, "2");
  EXPECT_EQ(w.textOf(ctl::kMessageData), "Hello");
  EXPECT_EQ(w.textOf(ctl::kMsgLength), "5");
  EXPECT_EQ(w.textOf(ctl::kFormat), "KXSTR   ");
  EXPECT_EQ(w.textOf(ctl::kMsgType), "KXE Fields");
  EXPECT_EQ(w.textOf(ctl::kPriority), "4");
  EXPECT_EQ(w.textOf(ctl::kFeedback), "7");
  EXPECT_EQ(w.textOf(ctl::kReplyToQ), "REPLY.Q");
  EXPECT_EQ(w.textOf(ctl::kReplyQmgr), "QM2");
  EXPECT_EQ(w.textOf(ctl::kExpiry), "-1");
  EXPECT_EQ(w.textOf(ctl::kBackoutCount), "0");
  EXPECT_TRUE(w.checked(ctl::kPersistent));
  EXPECT_EQ(w.textOf(ctl::kPutDate).size(), 8u);
  EXPECT_EQ(w.textOf(ctl::kPutTime).size(), 11u);
  EXPECT_EQ(w.textOf(ctl::kMsgId).size(), 48u);
  EXPECT_EQ(w.textOf(ctl::kCorrelId), std::string(48, '0'));

  // Hex browses the same position afresh.
  w.click(ctl::kHex);
  EXPECT_EQ(w.textOf(ctl::kMessageData), "48 65 6C 6C 6F ");
  EXPECT_EQ(w.textOf(ctl::kMsgLength), "5");
}

TEST_F(MessageBrowser, PositionsBeyondTheQueueAndEmptyQueues) {
  defineQueue("ONE");
  defineQueue("EMPTY");
  putBytes("ONE", "only");
  tk::HeadlessWindow& w = open({"ONE", "EMPTY"});
  w.click(ctl::kDisplay);
  ASSERT_EQ(w.textOf(ctl::kMessageData), "only");
  const std::string format = w.textOf(ctl::kFormat);

  // Past the last message: data, ids and length blank; the other fields stay.
  w.setText(ctl::kNumber, "2");
  EXPECT_EQ(w.textOf(ctl::kMessageData), " ");
  EXPECT_EQ(w.textOf(ctl::kMsgId), " ");
  EXPECT_EQ(w.textOf(ctl::kCorrelId), " ");
  EXPECT_EQ(w.textOf(ctl::kMsgLength), " ");
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
  EXPECT_EQ(w.textOf(ctl::kMessageData), "only");
}

TEST_F(MessageBrowser, TypingDigitsShowsEachNewPosition) {
  defineQueue("Q1");
  for (int i = 1; i <= 12; ++i) putBytes("Q1", "m" + std::to_string(i));
  tk::HeadlessWindow& w = open({"Q1"});
  w.type(ctl::kNumber, "");
  EXPECT_EQ(w.textOf(ctl::kMessageData), " ");
  w.type(ctl::kNumber, "1");
  EXPECT_EQ(w.textOf(ctl::kMessageData), "m1");
  w.type(ctl::kNumber, "12");
  EXPECT_EQ(w.textOf(ctl::kMessageData), "m12");
  // The spin steps through the queue, one display a step.
  w.fireTimer();
  w.spinDown(ctl::kNumberSpin);
  EXPECT_EQ(w.textOf(ctl::kMessageData), "m11");
}

TEST_F(MessageBrowser, DataWithZerosAndNoData) {
  defineQueue("Q1");
  putBytes("Q1", std::string_view("ab\0cd", 5));
  putBytes("Q1", "");
  tk::HeadlessWindow& w = open({"Q1"});
  w.click(ctl::kDisplay);
  EXPECT_EQ(w.textOf(ctl::kMessageData), "ab");
  EXPECT_EQ(w.textOf(ctl::kMsgLength), "5");
  w.click(ctl::kHex);
  EXPECT_EQ(w.textOf(ctl::kMessageData), "61 62 00 63 64 ");
  w.setText(ctl::kNumber, "2");
  EXPECT_EQ(w.textOf(ctl::kMessageData), "");
  EXPECT_EQ(w.textOf(ctl::kMsgLength), "0");
}

TEST(MessageText, LabelsAndLayouts) {
  EXPECT_EQ(messageTypeLabel(3), "Unknown");
  EXPECT_EQ(messageTypeLabel(0), "Unknown");
  EXPECT_EQ(messageTypeLabel(-8), "Unknown");
  EXPECT_EQ(messageTypeLabel(8), "Datagram");
  EXPECT_EQ(messageTypeLabel(999999999), "Appl Last");
  EXPECT_EQ(putApplTypeLabel(10), "10");
  EXPECT_EQ(putApplTypeLabel(27), "27");
  EXPECT_EQ(putApplTypeLabel(-1), "Unknown");
  EXPECT_EQ(putApplTypeLabel(6), "Unix");
  EXPECT_EQ(putTimeText("12345678"), "12:34:56 78");
  EXPECT_EQ(putTimeText("1234"), "12:34:");
  EXPECT_EQ(putTimeText("123"), "12:3");
  EXPECT_EQ(putTimeText(""), "");
  const std::string bytes(200, 'A');
  EXPECT_EQ(hexBytes({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()}).size(),
            600u);
}

}  // namespace
}  // namespace tarnix::testing
