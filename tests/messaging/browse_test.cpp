#include <gtest/gtest.h>

#include "tests/messaging/store_fixture.h"

namespace kx::testing {
namespace {

using BrowseTest = StoreFixture;

GetOptions opts(std::int32_t bits) { return GetOptions{bits}; }

std::string browse(IkxQueue& queue, std::int32_t bits) {
  QueueMessage message;
  if (!queue.get(message, opts(bits))) return "reason " + std::to_string(queue.reason());
  return textOf(message);
}

TEST_F(BrowseTest, TwoObjectsOnOneQueueKeepTheirOwnCursors) {
  IkxQueueManager manager;
  IkxQueue first;
  IkxQueue second;
  attach(manager, first);
  second.bindManager(manager);
  second.setQueueName("Q1");
  ASSERT_TRUE(second.openWith(openopt::kInputAsDefined));
  for (const char* text : {"A", "B", "C"}) putText(first, text);

  EXPECT_EQ(browse(first, getopt::kBrowseFirst), "A");
  EXPECT_EQ(browse(first, getopt::kBrowseNext), "B");
  EXPECT_EQ(browse(second, getopt::kBrowseFirst), "A");
  EXPECT_EQ(browse(first, getopt::kBrowseNext), "C");
  EXPECT_EQ(browse(second, getopt::kBrowseNext), "B");
  EXPECT_EQ(browse(first, getopt::kBrowseNext), "reason 2033");
  EXPECT_EQ(first.queryDepth(), 3);  // browsing removes nothing

  // A cursor at the end picks up what arrives later.
  putText(second, "D");
  EXPECT_EQ(browse(first, getopt::kBrowseNext), "D");
}

TEST_F(BrowseTest, BrowseNextBeforeAnyBrowseStartsAtTheFirstMessage) {
  IkxQueueManager manager;
  IkxQueue queue;
  attach(manager, queue);
  putText(queue, "A");
  putText(queue, "B");
  EXPECT_EQ(browse(queue, getopt::kBrowseNext), "A");
  EXPECT_EQ(browse(queue, getopt::kBrowseNext), "B");
}

TEST_F(BrowseTest, UnderCursorBrowsesAgainThenTakesExactlyThatMessage) {
  IkxQueueManager manager;
  IkxQueue queue;
  attach(manager, queue);
  for (const char* text : {"A", "B", "C"}) putText(queue, text);

  EXPECT_EQ(browse(queue, getopt::kUnderCursor), "reason 2034");  // no cursor yet
  EXPECT_EQ(browse(queue, getopt::kBrowseFirst), "A");
  EXPECT_EQ(browse(queue, getopt::kBrowseNext), "B");
  EXPECT_EQ(browse(queue, getopt::kBrowseNext | getopt::kUnderCursor), "B");
  EXPECT_EQ(queue.queryDepth(), 3);
  EXPECT_EQ(browse(queue, getopt::kUnderCursor), "B");  // destructive
  EXPECT_EQ(queue.queryDepth(), 2);
  EXPECT_EQ(browse(queue, getopt::kUnderCursor), "reason 2034");
  EXPECT_EQ(browse(queue, getopt::kBrowseNext), "C");  // the cursor moves on from where B was
  EXPECT_EQ(browse(queue, 0), "A");
}

TEST_F(BrowseTest, UnderCursorFailsWhenAnotherObjectTookTheMessage) {
  IkxQueueManager manager;
  IkxQueue browser;
  IkxQueue taker;
  attach(manager, browser);
  taker.bindManager(manager);
  taker.setQueueName("Q1");
  putText(browser, "A");
  putText(browser, "B");

  EXPECT_EQ(browse(browser, getopt::kBrowseFirst), "A");
  EXPECT_EQ(browse(taker, 0), "A");
  EXPECT_EQ(browse(browser, getopt::kUnderCursor), "reason 2034");
  EXPECT_EQ(browse(browser, getopt::kBrowseFirst | getopt::kUnderCursor), "reason 2034");
  EXPECT_EQ(browse(browser, getopt::kBrowseNext), "B");
}

TEST_F(BrowseTest, ClosingForgetsTheCursor) {
  IkxQueueManager manager;
  IkxQueue queue;
  attach(manager, queue);
  putText(queue, "A");
  putText(queue, "B");
  EXPECT_EQ(browse(queue, getopt::kBrowseFirst), "A");
  EXPECT_EQ(browse(queue, getopt::kBrowseNext), "B");
  ASSERT_TRUE(queue.close());
  EXPECT_EQ(browse(queue, getopt::kBrowseNext), "A");
}

}  // namespace
}  // namespace kx::testing
