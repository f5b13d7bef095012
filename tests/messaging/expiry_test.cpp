#include <gtest/gtest.h>

#include <chrono>

#include "platform/messaging/store_admin.h"
#include "platform/messaging/test_seams.h"
#include "tests/messaging/store_fixture.h"

namespace kx::testing {
namespace {

// The store's clock is the seam's: a test moves time on without sleeping.
class ExpiryTest : public StoreFixture {
 protected:
  void SetUp() override {
    StoreFixture::SetUp();
    setClock([this] { return now_; });
  }
  void advance(std::chrono::milliseconds step) { now_ += step; }

  std::chrono::system_clock::time_point now_ =
      std::chrono::system_clock::time_point(std::chrono::seconds(1'700'000'000));
};

MessageId24 putExpiring(IkxQueue& queue, const std::string& text, std::int32_t tenths) {
  QueueMessage message;
  message.expiry = tenths;
  message.setData(text.data(), text.size());
  EXPECT_TRUE(queue.put(message)) << queue.reason();
  return message.msgId;
}

TEST_F(ExpiryTest, ExpiredMessagesAreNeitherBrowsedNorCountedNorDelivered) {
  IkxQueueManager manager;
  IkxQueue queue;
  attach(manager, queue);
  putExpiring(queue, "short", 10);  // one second
  putExpiring(queue, "forever", kExpiryUnlimited);
  putExpiring(queue, "long", 600);
  EXPECT_EQ(queue.queryDepth(), 3);

  advance(std::chrono::milliseconds(450));
  QueueMessage message;
  ASSERT_TRUE(queue.get(message, GetOptions{getopt::kBrowseFirst}));
  EXPECT_EQ(textOf(message), "short");
  EXPECT_EQ(message.expiry, 6);  // 0.55 s left, in tenths rounded up

  advance(std::chrono::milliseconds(600));
  message = QueueMessage();  // its ids would select "short" again
  EXPECT_EQ(queue.queryDepth(), 2);
  std::vector<admin::QueueInfo> listed;
  ASSERT_TRUE(admin::listQueues("QM1", listed));
  EXPECT_EQ(listed.at(0).depth, 2);
  ASSERT_TRUE(queue.get(message, GetOptions{getopt::kBrowseFirst}));
  EXPECT_EQ(textOf(message), "forever");
  EXPECT_EQ(message.expiry, kExpiryUnlimited);

  advance(std::chrono::seconds(60));
  message = QueueMessage();
  ASSERT_TRUE(queue.get(message, GetOptions{}));
  EXPECT_EQ(textOf(message), "forever");
  EXPECT_FALSE(queue.get(message, GetOptions{}));
  EXPECT_EQ(queue.reason(), reason::kNoMessageAvailable);
  EXPECT_EQ(queue.queryDepth(), 0);
}

TEST_F(ExpiryTest, ExpiredMessagesDoNotFillTheQueue) {
  ASSERT_TRUE(admin::defineLocalQueue("QM1", "ONE", 1));
  IkxQueueManager manager;
  IkxQueue queue;
  attach(manager, queue, "ONE");
  putExpiring(queue, "soon gone", 1);
  QueueMessage extra;
  EXPECT_FALSE(queue.put(extra));
  EXPECT_EQ(queue.reason(), reason::kQueueFull);
  advance(std::chrono::milliseconds(200));
  EXPECT_TRUE(queue.put(extra)) << queue.reason();
  EXPECT_EQ(queue.queryDepth(), 1);
}

TEST_F(ExpiryTest, ExpiryMustBePositiveOrUnlimited) {
  IkxQueueManager manager;
  IkxQueue queue;
  attach(manager, queue);
  for (std::int32_t bad : {0, -2}) {
    QueueMessage message;
    message.expiry = bad;
    EXPECT_FALSE(queue.put(message));
    EXPECT_EQ(queue.reason(), reason::kExpiryError);
  }
  EXPECT_EQ(queue.queryDepth(), 0);
}

TEST_F(ExpiryTest, PutFillsThePutContextFromTheStoreClock) {
  now_ = std::chrono::system_clock::time_point(std::chrono::milliseconds(1'709'618'828'095));
  IkxQueueManager manager;
  IkxQueue queue;
  attach(manager, queue);
  QueueMessage message;
  message.format = "TEXT";
  ASSERT_TRUE(queue.put(message));
  EXPECT_EQ(message.putDate, "20240305");  // 2024-03-05 06:07:08.095 UTC
  EXPECT_EQ(message.putTime, "06070809");
  EXPECT_EQ(message.putApplType, kPutApplTypeThisPlatform);
  EXPECT_EQ(message.putAppl, "messaging_tests");

  QueueMessage received;
  ASSERT_TRUE(queue.get(received, GetOptions{}));
  EXPECT_EQ(received.putDate, "20240305");
  EXPECT_EQ(received.putTime, "06070809");
  EXPECT_EQ(received.putAppl, "messaging_tests");
  EXPECT_EQ(received.format, "TEXT    ");
}

TEST_F(ExpiryTest, DescriptorTextsLongerThanTheirWidthFailThePut) {
  IkxQueueManager manager;
  IkxQueue queue;
  attach(manager, queue);
  QueueMessage format;
  format.format = "NINECHARS";
  QueueMessage replyTo;
  replyTo.replyToQ = std::string(49, 'R');
  QueueMessage replyQmgr;
  replyQmgr.replyQmgr = std::string(49, 'M');
  for (QueueMessage* message : {&format, &replyTo, &replyQmgr}) {
    EXPECT_FALSE(queue.put(*message));
    EXPECT_EQ(queue.reason(), reason::kFieldTooLong);
  }
  EXPECT_EQ(queue.queryDepth(), 0);
}

}  // namespace
}  // namespace kx::testing
