#include <gtest/gtest.h>

#include "platform/messaging/store_admin.h"
#include "tests/messaging/store_fixture.h"

namespace kx::testing {
namespace {

using GetTest = StoreFixture;

TEST_F(GetTest, DestructiveGetsTakeMessagesInArrivalOrderAndEmptyFailsAtOnce) {
  IkxQueueManager manager;
  IkxQueue queue;
  attach(manager, queue);
  putText(queue, "one", true);
  putText(queue, "two", false);
  putText(queue, "three", true);
  for (const char* expected : {"one", "two", "three"}) {
    QueueMessage message;
    ASSERT_TRUE(queue.get(message, GetOptions{})) << queue.reason();
    EXPECT_EQ(textOf(message), expected);
  }
  QueueMessage message;
  EXPECT_FALSE(queue.get(message, GetOptions{}));
  EXPECT_EQ(queue.reason(), reason::kNoMessageAvailable);
  EXPECT_EQ(queue.queryDepth(), 0);
}

TEST_F(GetTest, SelectsByMsgIdOrCorrelIdAndLeavesTheReceivedIds) {
  IkxQueueManager manager;
  IkxQueue queue;
  attach(manager, queue);
  std::vector<MessageId24> ids;
  for (int i = 0; i < 3; ++i) {
    QueueMessage message;
    message.correlId = *MessageId24::fromText("corr" + std::to_string(i));
    const std::string text = "m" + std::to_string(i);
    message.setData(text.data(), text.size());
    ASSERT_TRUE(queue.put(message));
    ids.push_back(message.msgId);
  }

  QueueMessage byId;
  byId.msgId = ids[1];
  ASSERT_TRUE(queue.get(byId, GetOptions{getopt::kBrowseFirst}));
  EXPECT_EQ(textOf(byId), "m1");
  EXPECT_EQ(byId.correlId, *MessageId24::fromText("corr1"));

  QueueMessage byCorrel;
  byCorrel.correlId = *MessageId24::fromText("corr2");
  ASSERT_TRUE(queue.get(byCorrel, GetOptions{}));
  EXPECT_EQ(textOf(byCorrel), "m2");
  EXPECT_EQ(byCorrel.msgId, ids[2]);

  // Both set: both must match.
  QueueMessage mismatch;
  mismatch.msgId = ids[0];
  mismatch.correlId = *MessageId24::fromText("corr1");
  EXPECT_FALSE(queue.get(mismatch, GetOptions{}));
  EXPECT_EQ(queue.reason(), reason::kNoMessageAvailable);

  // The ids left in a message select the same message again; reset, it takes any.
  QueueMessage reused = byId;
  ASSERT_TRUE(queue.get(reused, GetOptions{}));
  EXPECT_EQ(textOf(reused), "m1");
  reused.msgId.reset();
  reused.correlId.reset();
  ASSERT_TRUE(queue.get(reused, GetOptions{}));
  EXPECT_EQ(textOf(reused), "m0");
}

TEST_F(GetTest, PutAssignsNewIdsOrKeepsTheGivenOne) {
  IkxQueueManager first;
  IkxQueueManager second;
  IkxQueue q1;
  IkxQueue q2;
  attach(first, q1);
  attach(second, q2);
  const MessageId24 a = putText(q1, "a");
  const MessageId24 b = putText(q1, "b");
  const MessageId24 c = putText(q2, "c");
  EXPECT_FALSE(a.isNone());
  EXPECT_NE(a, b);
  EXPECT_NE(a, c);
  EXPECT_NE(b, c);

  QueueMessage chosen;
  chosen.msgId = *MessageId24::fromText("mine");
  ASSERT_TRUE(q1.put(chosen));
  EXPECT_EQ(chosen.msgId, *MessageId24::fromText("mine"));
  QueueMessage got;
  got.msgId = chosen.msgId;
  EXPECT_TRUE(q2.get(got, GetOptions{}));
}

TEST_F(GetTest, AnIdChosenAsCopyOfAnAssignedOneSelectsBothMessagesInOrder) {
  ASSERT_TRUE(admin::defineLocalQueue("QM1", "Q2"));
  IkxQueueManager manager;
  IkxQueue queue;
  IkxQueue other;
  attach(manager, queue);
  other.bindManager(manager);
  other.setQueueName("Q2");
  const MessageId24 assigned = putText(queue, "original");
  putText(queue, "unrelated");
  QueueMessage copy;
  copy.msgId = assigned;  // forwarded under the same id
  copy.setData("copy", 4);
  ASSERT_TRUE(queue.put(copy));
  QueueMessage elsewhere = copy;
  ASSERT_TRUE(other.put(elsewhere));

  for (const char* expected : {"original", "copy"}) {
    QueueMessage message;
    message.msgId = assigned;
    ASSERT_TRUE(queue.get(message, GetOptions{})) << expected;
    EXPECT_EQ(textOf(message), expected);
  }
  QueueMessage none;
  none.msgId = assigned;
  EXPECT_FALSE(queue.get(none, GetOptions{}));
  EXPECT_EQ(queue.reason(), reason::kNoMessageAvailable);
  EXPECT_EQ(other.queryDepth(), 1);  // the other queue's copy is its own
}

TEST_F(GetTest, FixedBufferWithoutAcceptTruncatedLeavesTheMessage) {
  IkxQueueManager manager;
  IkxQueue queue;
  attach(manager, queue);
  putText(queue, "hello");

  QueueMessage small;
  small.setBufferSize(3);
  EXPECT_FALSE(queue.get(small, GetOptions{}));
  EXPECT_EQ(queue.reason(), reason::kTruncatedMessageFailed);
  EXPECT_FALSE(queue.get(small, GetOptions{getopt::kBrowseFirst}));
  EXPECT_EQ(queue.reason(), reason::kTruncatedMessageFailed);
  EXPECT_EQ(queue.queryDepth(), 1);

  ASSERT_TRUE(queue.get(small, GetOptions{getopt::kAcceptTruncated}));
  EXPECT_EQ(queue.reason(), reason::kNone);
  EXPECT_EQ(textOf(small), "hel");
  EXPECT_EQ(small.totalLength(), 5u);
  EXPECT_EQ(queue.queryDepth(), 0);
}

TEST_F(GetTest, ZeroBufferAcceptingTruncationRemovesALargeMessageUnread) {
  IkxQueueManager manager;
  IkxQueue queue;
  attach(manager, queue);
  const std::vector<std::uint8_t> big(1 << 20, 0x5A);
  QueueMessage put;
  put.setData(big.data(), big.size());
  ASSERT_TRUE(queue.put(put));
  putText(queue, "next");

  QueueMessage empty;
  empty.setBufferSize(0);
  ASSERT_TRUE(queue.get(empty, GetOptions{getopt::kAcceptTruncated}));
  EXPECT_EQ(empty.dataLength(), 0u);
  EXPECT_EQ(empty.totalLength(), big.size());
  EXPECT_EQ(queue.queryDepth(), 1);

  QueueMessage whole;  // a new message takes the next one whole
  ASSERT_TRUE(queue.get(whole, GetOptions{}));
  EXPECT_EQ(textOf(whole), "next");
}

TEST_F(GetTest, OptionsAreCheckedAndTheOpenModeIsSupplied) {
  IkxQueueManager manager;
  IkxQueue queue;
  attach(manager, queue);
  ASSERT_TRUE(queue.openWith(openopt::kOutput));
  putText(queue, "x");
  QueueMessage message;
  EXPECT_FALSE(queue.get(message, GetOptions{0x1}));
  EXPECT_EQ(queue.reason(), reason::kOptionsError);
  EXPECT_FALSE(queue.get(message, GetOptions{getopt::kBrowseFirst | getopt::kBrowseNext}));
  EXPECT_EQ(queue.reason(), reason::kOptionsError);
  EXPECT_FALSE(queue.openWith(0x40000));
  EXPECT_EQ(queue.reason(), reason::kOptionsError);

  // Opened for output only, the queue still browses and gets: the library adds the mode.
  const std::int32_t quiet = getopt::kFailIfQuiescing | getopt::kConvert;
  ASSERT_TRUE(queue.get(message, GetOptions{getopt::kBrowseFirst | quiet}));
  ASSERT_TRUE(queue.close());
  ASSERT_TRUE(queue.get(message, GetOptions{quiet}));  // closed: reopened as needed
  EXPECT_EQ(textOf(message), "x");
}

}  // namespace
}  // namespace kx::testing
