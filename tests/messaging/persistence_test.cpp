#include <gtest/gtest.h>

#include "platform/messaging/store_admin.h"
#include "tests/messaging/store_fixture.h"

namespace kx::testing {
namespace {

using PersistenceTest = StoreFixture;

TEST_F(PersistenceTest, StartingDiscardsNonPersistentMessagesAndKeepsPersistentOnes) {
  ASSERT_TRUE(admin::defineLocalQueue("QM1", "Q2"));
  IkxQueueManager manager;
  IkxQueue queue;
  IkxQueue second;
  attach(manager, queue);
  second.bindManager(manager);
  second.setQueueName("Q2");
  putText(second, "np on Q2");
  putText(second, "p on Q2", true);
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
  QueueMessage kept;
  ASSERT_TRUE(second.get(kept, GetOptions{}));
  EXPECT_EQ(textOf(kept), "p on Q2");
  EXPECT_EQ(second.queryDepth(), 0);
}

}  // namespace
}  // namespace kx::testing
