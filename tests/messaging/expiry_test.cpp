#include <gtest/gtest.h>

#include <chrono>

#include "platform/messaging/store_admin.h"
#include "platform/messaging/test_seams.h"
#include "tests/messaging/queue_fixture.h"

namespace kx::testing {
namespace {

// The store's clock is the seam's: a test moves time on without sleeping.
class ExpiryClock : public QueueFixture {
 protected:
  void SetUp() override {
    QueueFixture::SetUp();
    setClock([this] { return now_; });
  }
  void advance(std::chrono::milliseconds step) { now_ += step; }

  std::chrono::system_clock::time_point now_ =
      std::chrono::system_clock::time_point(std::chrono::seconds(1'700'000'000));
};
using ExpiryTest = tarnix::testing::OnEachBackend<ExpiryClock>;

void putExpiring(IkxQueue& queue, const std::string& text, std::int32_t tenths) {
  QueueMessage message;
  message.expiry = tenths;
  message.setData(text.data(), text.size());
  EXPECT_TRUE(queue.put(message)) << queue.reason();
}

TEST_P(ExpiryTest, ExpiredMessagesAreNeitherBrowsedNorCountedNorDelivered) {
  putExpiring(queue_, "short", 10);  // one second
  putExpiring(queue_, "forever", kExpiryUnlimited);
  putExpiring(queue_, "long", 600);
  EXPECT_EQ(queue_.queryDepth(), 3);

  advance(std::chrono::milliseconds(450));
  QueueMessage message;
  ASSERT_TRUE(queue_.get(message, GetOptions{getopt::kBrowseFirst}));
  EXPECT_EQ(textOf(message), "short");
  EXPECT_EQ(message.expiry, 6);  // 0.55 s left, in tenths rounded up

  advance(std::chrono::milliseconds(600));
  message = QueueMessage();  // its ids would select "short" again
  EXPECT_EQ(queue_.queryDepth(), 2);
  std::vector<admin::QueueInfo> listed;
  ASSERT_TRUE(admin::listQueues("QM1", listed));
  EXPECT_EQ(listed.at(0).depth, 2);
  ASSERT_TRUE(queue_.get(message, GetOptions{getopt::kBrowseFirst}));
  EXPECT_EQ(textOf(message), "forever");
  EXPECT_EQ(message.expiry, kExpiryUnlimited);

  advance(std::chrono::seconds(60));
  message = QueueMessage();
  ASSERT_TRUE(queue_.get(message, GetOptions{}));
  EXPECT_EQ(textOf(message), "forever");
  EXPECT_FALSE(queue_.get(message, GetOptions{}));
  EXPECT_EQ(queue_.reason(), reason::kNoMessageAvailable);
  EXPECT_EQ(queue_.queryDepth(), 0);
}

TEST_P(ExpiryTest, ExpiredMessagesDoNotFillTheQueue) {
  defineQueue("ONE", 1);
  attach(manager_, queue_, "ONE");
  putExpiring(queue_, "soon gone", 1);
  QueueMessage extra;
  EXPECT_FALSE(queue_.put(extra));
  EXPECT_EQ(queue_.reason(), reason::kQueueFull);
  advance(std::chrono::milliseconds(200));
  EXPECT_TRUE(queue_.put(extra)) << queue_.reason();
  EXPECT_EQ(queue_.queryDepth(), 1);
}

TEST_P(ExpiryTest, PutFillsThePutContextFromTheStoreClock) {
  now_ = std::chrono::system_clock::time_point(std::chrono::milliseconds(1'709'618'828'095));
  QueueMessage message;
  message.format = "TEXT";
  ASSERT_TRUE(queue_.put(message));
  EXPECT_EQ(message.putDate, "20240305");  // 2024-03-05 06:07:08.095 UTC
  EXPECT_EQ(message.putTime, "06070809");
  EXPECT_EQ(message.putApplType, kPutApplTypeThisPlatform);
  EXPECT_EQ(message.putAppl, "messaging_tests");

  QueueMessage received;
  ASSERT_TRUE(queue_.get(received, GetOptions{}));
  EXPECT_EQ(received.putDate, "20240305");
  EXPECT_EQ(received.putTime, "06070809");
  EXPECT_EQ(received.putAppl, "messaging_tests");
  EXPECT_EQ(received.format, "TEXT    ");
}

TARNIX_ON_EACH_BACKEND(ExpiryTest);

}  // namespace
}  // namespace kx::testing
