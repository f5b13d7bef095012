#include <gtest/gtest.h>

#include "platform/messaging/store_admin.h"
#include "tests/messaging/store_fixture.h"

namespace kx::testing {
namespace {

using PersistenceTest = StoreFixture;

TEST_F(PersistenceTest, StartingDiscardsNonPersistentMessagesAndKeepsPersistentOnes) {
  IkxQueueManager manager;
  IkxQueue queue;
  attach(manager, queue);
  putText(queue, "np1");
  putText(queue, "p1", true);
  putText(queue, "np2");
  putText(queue, "p2", true);
  ASSERT_EQ(queue.queryDepth(), 4);

  ASSERT_TRUE(admin::stopQueueManager("QM1"));
  ASSERT_TRUE(admin::startQueueManager("QM1"));
  ASSERT_TRUE(manager.connect());
  EXPECT_EQ(queue.queryDepth(), 2);
  for (const char* expected : {"p1", "p2"}) {
    QueueMessage message;
    ASSERT_TRUE(queue.get(message, GetOptions{}));
    EXPECT_EQ(textOf(message), expected);
    EXPECT_EQ(message.persistent, 1);
  }
  EXPECT_EQ(queue.queryDepth(), 0);
}

}  // namespace
}  // namespace kx::testing
