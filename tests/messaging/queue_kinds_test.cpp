#include <gtest/gtest.h>

#include "platform/messaging/store_admin.h"
#include "tests/messaging/queue_fixture.h"

namespace kx::testing {
namespace {

using QueueKindsTest = tarnix::testing::OnEachBackend<QueueFixture>;

TEST_P(QueueKindsTest, AnUnknownQueueFailsEveryOperation) {
  IkxQueue queue;
  attach(manager_, queue, "NOSUCH");
  QueueMessage message;
  EXPECT_FALSE(queue.openWith(openopt::kInputAsDefined));
  EXPECT_EQ(queue.reason(), reason::kUnknownObjectName);
  EXPECT_EQ(queue.queryDepth(), -1);
  EXPECT_EQ(queue.reason(), reason::kUnknownObjectName);
  EXPECT_EQ(queue.resolvedName(), "");
  EXPECT_EQ(queue.reason(), reason::kUnknownObjectName);
  EXPECT_FALSE(queue.put(message));
  EXPECT_EQ(queue.reason(), reason::kUnknownObjectName);
  EXPECT_FALSE(queue.get(message, GetOptions{}));
  EXPECT_EQ(queue.reason(), reason::kUnknownObjectName);
  EXPECT_FALSE(queue.isOpen());
}

TEST_P(QueueKindsTest, AnAliasResolvesToItsBaseQueueAndHasNoDepth) {
  ASSERT_TRUE(admin::defineAliasQueue("QM1", "A1", "Q1"));
  EXPECT_EQ(admin::defineAliasQueue("QM1", "A2", "A1").reason, reason::kNotAliasable);
  ASSERT_TRUE(admin::defineAliasQueue("QM1", "DANGLING", "MISSING"));
  // An alias may not come to stand for an alias by defining its target later.
  EXPECT_EQ(admin::defineAliasQueue("QM1", "MISSING", "Q1").reason, reason::kNotAliasable);

  IkxQueue alias;
  attach(manager_, alias, "A1");
  IkxQueue& base = queue_;
  EXPECT_EQ(alias.resolvedName(), "Q1");
  EXPECT_EQ(base.resolvedName(), "Q1");
  EXPECT_EQ(alias.queryDepth(), -1);
  EXPECT_EQ(alias.reason(), reason::kSelectorNotForType);

  putText(alias, "through the alias");
  EXPECT_EQ(base.queryDepth(), 1);
  QueueMessage message;
  ASSERT_TRUE(alias.get(message, GetOptions{}));
  EXPECT_EQ(textOf(message), "through the alias");

  IkxQueue dangling;
  attach(manager_, dangling, "DANGLING");
  EXPECT_EQ(dangling.resolvedName(), "");
  EXPECT_EQ(dangling.reason(), reason::kUnknownObjectName);
}

TEST_P(QueueKindsTest, APutOntoAFullQueueFailsAndStoresNothing) {
  defineQueue("SMALL", 2);
  IkxQueue queue;
  attach(manager_, queue, "SMALL");
  putText(queue, "1");
  putText(queue, "2");
  QueueMessage third;
  third.setData("3", 1);
  EXPECT_FALSE(queue.put(third));
  EXPECT_EQ(queue.reason(), reason::kQueueFull);
  EXPECT_TRUE(third.msgId.isNone());
  EXPECT_EQ(queue.queryDepth(), 2);
  EXPECT_EQ(queue.queryMaxDepth(), 2);

  ASSERT_TRUE(admin::alterMaxDepth("QM1", "SMALL", 3));
  EXPECT_TRUE(queue.put(third));
  EXPECT_EQ(queue.queryMaxDepth(), 3);
  EXPECT_EQ(queue.queryDepth(), 3);

  // Room made by gets is room again, as often as the queue fills.
  for (int round = 0; round < 3; ++round) {
    QueueMessage taken;
    ASSERT_TRUE(queue.get(taken, GetOptions{})) << queue.reason();
    third.msgId.reset();
    EXPECT_TRUE(queue.put(third)) << queue.reason();
    EXPECT_FALSE(queue.put(third));
    EXPECT_EQ(queue.reason(), reason::kQueueFull);
  }
  EXPECT_EQ(queue.queryDepth(), 3);
}

TEST_P(QueueKindsTest, AConnectionSeesQueuesDeletedAndDefinedAfterItConnected) {
  putText(queue_, "old");
  QueueMessage message;
  ASSERT_TRUE(queue_.get(message, GetOptions{getopt::kBrowseFirst}));

  ASSERT_TRUE(admin::deleteQueue("QM1", "Q1", true));
  EXPECT_EQ(queue_.queryDepth(), -1);
  EXPECT_EQ(queue_.reason(), reason::kUnknownObjectName);

  ASSERT_TRUE(admin::defineLocalQueue("QM1", "Q1", 7));
  EXPECT_EQ(queue_.queryDepth(), 0);
  EXPECT_EQ(queue_.queryMaxDepth(), 7);
  putText(queue_, "new");
  // The old cursor belongs to the deleted queue: it must not land on the new queue's messages.
  EXPECT_FALSE(queue_.get(message, GetOptions{getopt::kBrowseFirst | getopt::kUnderCursor}));
  EXPECT_EQ(queue_.reason(), reason::kNoMessageUnderCursor);
  message = QueueMessage();
  ASSERT_TRUE(queue_.get(message, GetOptions{getopt::kBrowseNext}));
  EXPECT_EQ(textOf(message), "new");
}

TARNIX_ON_EACH_BACKEND(QueueKindsTest);

}  // namespace
}  // namespace kx::testing
