#include <gtest/gtest.h>

#include "platform/messaging/test_seams.h"
#include "tests/messaging/queue_fixture.h"

namespace kx::testing {
namespace {

using SeamsTest = QueueFixture;

TEST_F(SeamsTest, TheTraceShowsClosesDisconnectsAndDestructions) {
  std::vector<std::string> events;
  setTraceHook([&](TraceEvent event, const void*, std::string_view name) {
    static const char* const kNames[] = {"QueueClosed", "QueueDestroyed", "ManagerDisconnected",
                                         "ManagerDestroyed"};
    events.push_back(std::string(kNames[static_cast<int>(event)]) + " " + std::string(name));
  });
  {
    IkxQueueManager manager;
    IkxQueue kept;
    attach(manager, kept);
    ASSERT_TRUE(kept.openWith(openopt::kInputAsDefined));
    {
      IkxQueue brief;
      attach(manager, brief);
      ASSERT_EQ(brief.queryDepth(), 0);
    }
    ASSERT_TRUE(manager.disconnect());
  }
  const std::vector<std::string> expected = {"QueueClosed Q1",    "QueueDestroyed Q1",
                                             "QueueClosed Q1",    "ManagerDisconnected QM1",
                                             "QueueDestroyed Q1", "ManagerDestroyed QM1"};
  EXPECT_EQ(events, expected);
}

TEST_F(SeamsTest, TheFaultHookFailsChosenOperationsWithoutTouchingTheStore) {
  setFaultHook([](std::string_view queueName, std::string_view operation) -> ReasonCode {
    return queueName == "Q1" && (operation == "queryDepth" || operation == "put")
               ? reason::kConnectionBroken
               : reason::kNone;
  });
  QueueMessage message;
  EXPECT_FALSE(queue_.put(message));
  EXPECT_EQ(queue_.reason(), reason::kConnectionBroken);
  EXPECT_EQ(queue_.queryDepth(), -1);
  EXPECT_EQ(queue_.reason(), reason::kConnectionBroken);
  EXPECT_EQ(queue_.queryMaxDepth(), 5000);
  setFaultHook({});
  EXPECT_EQ(queue_.queryDepth(), 0);  // the failed put stored nothing
}

}  // namespace
}  // namespace kx::testing
