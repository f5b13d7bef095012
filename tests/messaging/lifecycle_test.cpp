#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "platform/messaging/store_admin.h"
#include "tests/messaging/store_fixture.h"

namespace kx::testing {
namespace {

using LifecycleTest = StoreFixture;

TEST_F(LifecycleTest, StopBreaksTheConnectionUntilItIsMadeAgainAfterStart) {
  IkxQueueManager manager;
  IkxQueue queue;
  IkxQueue other;
  attach(manager, queue);
  other.bindManager(manager);
  other.setQueueName("Q1");
  putText(queue, "kept", true);
  ASSERT_EQ(queue.queryDepth(), 1);

  ASSERT_TRUE(admin::stopQueueManager("QM1"));
  EXPECT_EQ(queue.queryDepth(), -1);
  EXPECT_EQ(queue.reason(), reason::kConnectionBroken);
  QueueMessage message;
  EXPECT_FALSE(other.get(message, GetOptions{}));
  EXPECT_EQ(other.reason(), reason::kConnectionBroken);

  IkxQueueManager late;
  late.setManagerName("QM1");
  EXPECT_FALSE(late.connect());
  EXPECT_EQ(late.reason(), reason::kQueueManagerNotAvailable);

  // Started again, the old connection stays broken until it is made again.
  ASSERT_TRUE(admin::startQueueManager("QM1"));
  EXPECT_EQ(queue.queryDepth(), -1);
  EXPECT_EQ(queue.reason(), reason::kConnectionBroken);
  ASSERT_TRUE(manager.disconnect());
  ASSERT_TRUE(manager.connect());
  EXPECT_EQ(queue.queryDepth(), 1);  // the same objects, not bound again
  ASSERT_TRUE(other.get(message, GetOptions{}));
  EXPECT_EQ(textOf(message), "kept");
}

TEST_F(LifecycleTest, StopAndStartInBetweenAlsoBreaksTheConnection) {
  IkxQueueManager manager;
  IkxQueue queue;
  attach(manager, queue);
  ASSERT_TRUE(admin::stopQueueManager("QM1"));
  ASSERT_TRUE(admin::startQueueManager("QM1"));
  QueueMessage message;
  EXPECT_FALSE(queue.put(message));
  EXPECT_EQ(queue.reason(), reason::kConnectionBroken);
}

TEST_F(LifecycleTest, QueuesWithoutAConnectedManagerFailWithNotConnected) {
  QueueMessage message;
  IkxQueue unbound;
  unbound.setQueueName("Q1");
  EXPECT_EQ(unbound.queryDepth(), -1);
  EXPECT_EQ(unbound.reason(), reason::kNotConnected);

  IkxQueueManager never;
  never.setManagerName("QM1");
  IkxQueue queue;
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
}

TEST_F(LifecycleTest, DestroyingTheManagerFirstLeavesItsQueuesUnbound) {
  IkxQueue queue;
  {
    auto manager = std::make_unique<IkxQueueManager>();
    attach(*manager, queue);
    ASSERT_EQ(queue.queryDepth(), 0);
  }
  EXPECT_FALSE(queue.isOpen());
  EXPECT_EQ(queue.queryDepth(), -1);
  EXPECT_EQ(queue.reason(), reason::kNotConnected);
}

TEST_F(LifecycleTest, TheEmptyNameConnectsToTheDefaultQueueManager) {
  IkxQueueManager manager;
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

TEST_F(LifecycleTest, UnknownQueueManagerIsRefused) {
  IkxQueueManager manager;
  manager.setManagerName("NOPE");
  EXPECT_FALSE(manager.connect());
  EXPECT_EQ(manager.reason(), reason::kQueueManagerNameError);
  EXPECT_FALSE(manager.connected());
}

TEST_F(LifecycleTest, AdministrationRefusesWhatWouldLoseMessages) {
  EXPECT_EQ(admin::deleteQueueManager("QM1").reason, reason::kQueueManagerRunning);
  EXPECT_EQ(admin::startQueueManager("QM1").reason, reason::kQueueManagerRunning);
  IkxQueueManager manager;
  IkxQueue queue;
  attach(manager, queue);
  putText(queue, "x", true);
  EXPECT_EQ(admin::deleteQueue("QM1", "Q1").reason, reason::kQueueNotEmpty);
  EXPECT_EQ(queue.queryDepth(), 1);
  ASSERT_TRUE(admin::stopQueueManager("QM1"));
  EXPECT_EQ(admin::stopQueueManager("QM1").reason, reason::kQueueManagerStopped);
  EXPECT_EQ(admin::createQueueManager("QM1").reason, reason::kObjectAlreadyExists);
  ASSERT_TRUE(admin::deleteQueueManager("QM1"));
  EXPECT_FALSE(std::filesystem::exists(dir_ / "QM1.qmgr"));
}

}  // namespace
}  // namespace kx::testing
