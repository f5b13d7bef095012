#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "platform/messaging/store_admin.h"
#include "platform/messaging/store_location.h"
#include "tests/messaging/queue_fixture.h"

namespace kx::testing {
namespace {

using LifecycleTest = tarnix::testing::OnEachBackend<QueueFixture>;

TEST_P(LifecycleTest, StopBreaksTheConnectionUntilItIsMadeAgainAfterStart) {
  IkxQueue other;
  attach(manager_, other);
  IkxQueueManager idle;  // not used while the queue manager is stopped
  IkxQueue idleQueue;
  attach(idle, idleQueue);
  putText(queue_, "kept", true);
  ASSERT_EQ(queue_.queryDepth(), 1);

  stopManager();
  EXPECT_EQ(queue_.queryDepth(), -1);
  EXPECT_EQ(queue_.reason(), reason::kConnectionBroken);
  QueueMessage message;
  EXPECT_FALSE(other.get(message, GetOptions{}));
  EXPECT_EQ(other.reason(), reason::kConnectionBroken);

  IkxQueueManager late;
  late.setManagerName(kManager);
  EXPECT_FALSE(late.connect());
  EXPECT_EQ(late.reason(), reason::kQueueManagerNotAvailable);

  // Started again, the old connections stay broken until they are made again.
  startManager();
  EXPECT_EQ(queue_.queryDepth(), -1);
  EXPECT_EQ(queue_.reason(), reason::kConnectionBroken);
  EXPECT_FALSE(idleQueue.put(message));
  EXPECT_EQ(idleQueue.reason(), reason::kConnectionBroken);
  ASSERT_TRUE(manager_.disconnect());
  ASSERT_TRUE(manager_.connect());
  EXPECT_EQ(queue_.queryDepth(), 1);  // the same objects, not bound again
  ASSERT_TRUE(other.get(message, GetOptions{}));
  EXPECT_EQ(textOf(message), "kept");
}

TEST_P(LifecycleTest, StartingDiscardsNonPersistentMessagesAndKeepsPersistentOnes) {
  defineQueue("Q2");
  IkxQueue second;
  attach(manager_, second, "Q2");
  putText(second, "np on Q2");
  putText(second, "p on Q2", true);
  for (const char* text : {"np1", "p1", "np2", "p2"}) putText(queue_, text, text[0] == 'p');
  ASSERT_EQ(queue_.queryDepth(), 4);

  stopManager();
  startManager();
  ASSERT_TRUE(manager_.connect());
  EXPECT_EQ(queue_.queryDepth(), 2);
  for (const char* expected : {"p1", "p2"}) {
    QueueMessage message;
    ASSERT_TRUE(queue_.get(message, GetOptions{}));
    EXPECT_EQ(textOf(message), expected);
    EXPECT_EQ(message.persistent, 1);
  }
  EXPECT_EQ(queue_.queryDepth(), 0);
  QueueMessage kept;
  ASSERT_TRUE(second.get(kept, GetOptions{}));
  EXPECT_EQ(textOf(kept), "p on Q2");
  EXPECT_EQ(second.queryDepth(), 0);
}

TEST_P(LifecycleTest, QueuesWithoutAConnectedManagerFailWithNotConnected) {
  QueueMessage message;
  IkxQueue unbound;
  unbound.setQueueName("Q1");
  EXPECT_EQ(unbound.queryDepth(), -1);
  EXPECT_EQ(unbound.reason(), reason::kNotConnected);

  IkxQueue queue;
  {
    IkxQueueManager never;
    never.setManagerName(kManager);
    queue.bindManager(never);
    queue.setQueueName("Q1");
    EXPECT_FALSE(queue.put(message));
    EXPECT_EQ(queue.reason(), reason::kNotConnected);
    EXPECT_EQ(queue.resolvedName(), "");
    EXPECT_EQ(queue.reason(), reason::kNotConnected);

    ASSERT_TRUE(never.connect());
    EXPECT_EQ(queue.queryDepth(), 0);
    ASSERT_TRUE(never.disconnect());
    EXPECT_FALSE(queue.get(message, GetOptions{}));
    EXPECT_EQ(queue.reason(), reason::kNotConnected);
    ASSERT_TRUE(never.connect());
    ASSERT_TRUE(queue.openWith(openopt::kInputAsDefined));
  }
  // Destroyed first, the manager leaves its queues unbound rather than dangling.
  EXPECT_FALSE(queue.isOpen());
  EXPECT_EQ(queue.queryDepth(), -1);
  EXPECT_EQ(queue.reason(), reason::kNotConnected);
}

TEST_P(LifecycleTest, ConnectsByNameOrToTheDefaultQueueManager) {
  IkxQueueManager manager;
  manager.setManagerName("NOPE");
  EXPECT_FALSE(manager.connect());
  EXPECT_EQ(manager.reason(), reason::kQueueManagerNameError);
  EXPECT_FALSE(manager.connected());

  manager.setManagerName("");  // the empty name stands for the default
  EXPECT_FALSE(manager.connect());
  EXPECT_EQ(manager.reason(), reason::kNoDefaultQueueManager);
  ASSERT_TRUE(admin::createQueueManager("QM2"));
  ASSERT_TRUE(admin::startQueueManager("QM2"));
  ASSERT_TRUE(admin::setDefaultQueueManager("QM1"));
  ASSERT_TRUE(manager.connect());
  EXPECT_EQ(manager.managerName(), "QM1");

  ::setenv("KX_DEFAULT_QMGR", "QM2", 1);
  IkxQueueManager fromEnvironment;
  ASSERT_TRUE(fromEnvironment.connect());
  EXPECT_EQ(fromEnvironment.managerName(), "QM2");
  ::unsetenv("KX_DEFAULT_QMGR");
}

TEST_P(LifecycleTest, AdministrationRefusesWhatWouldLoseMessages) {
  EXPECT_EQ(admin::deleteQueueManager("QM1").reason, reason::kQueueManagerRunning);
  EXPECT_EQ(admin::startQueueManager("QM1").reason, reason::kQueueManagerRunning);
  putText(queue_, "x", true);
  EXPECT_EQ(admin::deleteQueue("QM1", "Q1").reason, reason::kQueueNotEmpty);
  EXPECT_EQ(queue_.queryDepth(), 1);
  stopManager();
  EXPECT_EQ(admin::stopQueueManager("QM1").reason, reason::kQueueManagerStopped);
  EXPECT_EQ(admin::createQueueManager("QM1").reason, reason::kObjectAlreadyExists);
  ASSERT_TRUE(admin::deleteQueueManager("QM1"));
  EXPECT_EQ(storeKindOf("QM1"), StoreKind::kNone);
}

TARNIX_ON_EACH_BACKEND(LifecycleTest);

}  // namespace
}  // namespace kx::testing
