#include <gtest/gtest.h>

#include "tests/messaging/queue_fixture.h"

namespace kx::testing {
namespace {

using GetTest = tarnix::testing::OnEachBackend<QueueFixture>;

TEST_P(GetTest, SelectsByMsgIdOrCorrelIdAndLeavesTheReceivedIds) {
  std::vector<MessageId24> ids;
  for (int i = 0; i < 3; ++i) {
    QueueMessage message;
    message.correlId = *MessageId24::fromText("corr" + std::to_string(i));
    const std::string text = "m" + std::to_string(i);
    message.setData(text.data(), text.size());
    ASSERT_TRUE(queue_.put(message));
    ids.push_back(message.msgId);
  }

  QueueMessage byId;
  byId.msgId = ids[1];
  ASSERT_TRUE(queue_.get(byId, GetOptions{getopt::kBrowseFirst}));
  EXPECT_EQ(textOf(byId), "m1");
  EXPECT_EQ(byId.correlId, *MessageId24::fromText("corr1"));

  QueueMessage byCorrel;
  byCorrel.correlId = *MessageId24::fromText("corr2");
  ASSERT_TRUE(queue_.get(byCorrel, GetOptions{}));
  EXPECT_EQ(textOf(byCorrel), "m2");
  EXPECT_EQ(byCorrel.msgId, ids[2]);

  // Both set: both must match.
  QueueMessage mismatch;
  mismatch.msgId = ids[0];
  mismatch.correlId = *MessageId24::fromText("corr1");
  EXPECT_FALSE(queue_.get(mismatch, GetOptions{}));
  EXPECT_EQ(queue_.reason(), reason::kNoMessageAvailable);

  // The ids left in a message select the same message again; reset, it takes any.
  QueueMessage reused = byId;
  ASSERT_TRUE(queue_.get(reused, GetOptions{}));
  EXPECT_EQ(textOf(reused), "m1");
  reused.msgId.reset();
  reused.correlId.reset();
  ASSERT_TRUE(queue_.get(reused, GetOptions{}));
  EXPECT_EQ(textOf(reused), "m0");
}

TEST_P(GetTest, AssignedIdsDifferAndAGivenIdIsKeptEvenAsACopyOfAnAssignedOne) {
  defineQueue("Q2");
  IkxQueueManager second;
  IkxQueue other;
  attach(second, other, "Q2");
  const MessageId24 assigned = putText(queue_, "original");
  EXPECT_FALSE(assigned.isNone());
  EXPECT_NE(putText(queue_, "unrelated"), assigned);
  EXPECT_NE(putText(other, "on another connection"), assigned);

  QueueMessage copy;
  copy.msgId = assigned;  // forwarded under the same id
  copy.setData("copy", 4);
  ASSERT_TRUE(queue_.put(copy));
  EXPECT_EQ(copy.msgId, assigned);
  QueueMessage elsewhere = copy;
  ASSERT_TRUE(other.put(elsewhere));

  for (const char* expected : {"original", "copy"}) {
    QueueMessage message;
    message.msgId = assigned;
    ASSERT_TRUE(queue_.get(message, GetOptions{})) << expected;
    EXPECT_EQ(textOf(message), expected);
  }
  QueueMessage none;
  none.msgId = assigned;
  EXPECT_FALSE(queue_.get(none, GetOptions{}));
  EXPECT_EQ(queue_.reason(), reason::kNoMessageAvailable);
  EXPECT_EQ(other.queryDepth(), 2);  // the other queue's copy is its own
}

TEST_P(GetTest, FixedBufferWithoutAcceptTruncatedLeavesTheMessage) {
  putText(queue_, "hello");
  QueueMessage small;
  small.setBufferSize(3);
  EXPECT_FALSE(queue_.get(small, GetOptions{}));
  EXPECT_EQ(queue_.reason(), reason::kTruncatedMessageFailed);
  EXPECT_FALSE(queue_.get(small, GetOptions{getopt::kBrowseFirst}));
  EXPECT_EQ(queue_.reason(), reason::kTruncatedMessageFailed);
  EXPECT_EQ(queue_.queryDepth(), 1);

  ASSERT_TRUE(queue_.get(small, GetOptions{getopt::kAcceptTruncated}));
  EXPECT_EQ(queue_.reason(), reason::kNone);
  EXPECT_EQ(textOf(small), "hel");
  EXPECT_EQ(small.totalLength(), 5u);
  EXPECT_EQ(queue_.queryDepth(), 0);
}

TEST_P(GetTest, ZeroBufferAcceptingTruncationRemovesALargeMessageUnread) {
  const std::vector<std::uint8_t> big(1 << 20, 0x5A);
  QueueMessage put;
  put.setData(big.data(), big.size());
  ASSERT_TRUE(queue_.put(put));
  putText(queue_, "next");

  QueueMessage empty;
  empty.setBufferSize(0);
  ASSERT_TRUE(queue_.get(empty, GetOptions{getopt::kAcceptTruncated}));
  EXPECT_EQ(empty.dataLength(), 0u);
  EXPECT_EQ(empty.totalLength(), big.size());
  EXPECT_EQ(queue_.queryDepth(), 1);

  QueueMessage whole;  // a new message takes the next one whole
  ASSERT_TRUE(queue_.get(whole, GetOptions{}));
  EXPECT_EQ(textOf(whole), "next");
}

TEST_P(GetTest, OptionsAreCheckedAndTheOpenModeIsSupplied) {
  ASSERT_TRUE(queue_.openWith(openopt::kOutput));
  putText(queue_, "x");
  QueueMessage message;
  EXPECT_FALSE(queue_.get(message, GetOptions{0x1}));
  EXPECT_EQ(queue_.reason(), reason::kOptionsError);
  EXPECT_FALSE(queue_.get(message, GetOptions{getopt::kBrowseFirst | getopt::kBrowseNext}));
  EXPECT_EQ(queue_.reason(), reason::kOptionsError);
  EXPECT_FALSE(queue_.openWith(0x40000));
  EXPECT_EQ(queue_.reason(), reason::kOptionsError);

  // Opened for output only, the queue still browses and gets: the library adds the mode.
  const std::int32_t quiet = getopt::kFailIfQuiescing | getopt::kConvert;
  ASSERT_TRUE(queue_.get(message, GetOptions{getopt::kBrowseFirst | quiet}));
  ASSERT_TRUE(queue_.close());
  ASSERT_TRUE(queue_.get(message, GetOptions{quiet}));  // closed: reopened as needed
  EXPECT_EQ(textOf(message), "x");
}

TARNIX_ON_EACH_BACKEND(GetTest);

}  // namespace
}  // namespace kx::testing
