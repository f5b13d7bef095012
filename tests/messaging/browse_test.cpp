#include <gtest/gtest.h>

#include "tests/messaging/queue_fixture.h"

namespace kx::testing {
namespace {

using BrowseTest = tarnix::testing::OnEachBackend<QueueFixture>;

// The text of the message a get with these options returns, or the reason it failed with.
std::string browse(IkxQueue& queue, std::int32_t options) {
  QueueMessage message;
  if (!queue.get(message, GetOptions{options})) return "reason " + std::to_string(queue.reason());
  return textOf(message);
}

TEST_P(BrowseTest, TwoObjectsOnOneQueueKeepTheirOwnCursors) {
  IkxQueue second;
  attach(manager_, second);
  ASSERT_TRUE(second.openWith(openopt::kInputAsDefined));
  for (const char* text : {"A", "B", "C"}) putText(queue_, text);

  EXPECT_EQ(browse(queue_, getopt::kBrowseFirst), "A");
  EXPECT_EQ(browse(queue_, getopt::kBrowseNext), "B");
  EXPECT_EQ(browse(second, getopt::kBrowseNext), "A");  // no cursor yet: the first message
  EXPECT_EQ(browse(queue_, getopt::kBrowseNext), "C");
  EXPECT_EQ(browse(second, getopt::kBrowseNext), "B");
  EXPECT_EQ(browse(queue_, getopt::kBrowseNext), "reason 2033");
  EXPECT_EQ(queue_.queryDepth(), 3);  // browsing removes nothing

  // A cursor at the end picks up what arrives later.
  putText(second, "D");
  EXPECT_EQ(browse(queue_, getopt::kBrowseNext), "D");

  // The message under second's cursor taken through the other object: nothing is under that
  // cursor any more, and it moves on from where the message was.
  EXPECT_EQ(browse(queue_, getopt::kBrowseFirst), "A");
  EXPECT_EQ(browse(queue_, getopt::kBrowseNext), "B");
  EXPECT_EQ(browse(queue_, getopt::kUnderCursor), "B");
  EXPECT_EQ(browse(second, getopt::kUnderCursor), "reason 2034");
  EXPECT_EQ(browse(second, getopt::kBrowseFirst | getopt::kUnderCursor), "reason 2034");
  EXPECT_EQ(browse(second, getopt::kBrowseNext), "C");

  ASSERT_TRUE(second.close());  // closing forgets the cursor
  EXPECT_EQ(browse(second, getopt::kBrowseNext), "A");
}

TEST_P(BrowseTest, UnderCursorBrowsesAgainThenTakesExactlyThatMessage) {
  for (const char* text : {"A", "B", "C"}) putText(queue_, text);

  EXPECT_EQ(browse(queue_, getopt::kUnderCursor), "reason 2034");  // no cursor yet
  EXPECT_EQ(browse(queue_, getopt::kBrowseFirst), "A");
  EXPECT_EQ(browse(queue_, getopt::kBrowseNext), "B");
  EXPECT_EQ(browse(queue_, getopt::kBrowseNext | getopt::kUnderCursor), "B");
  EXPECT_EQ(queue_.queryDepth(), 3);
  EXPECT_EQ(browse(queue_, getopt::kUnderCursor), "B");  // destructive
  EXPECT_EQ(queue_.queryDepth(), 2);
  EXPECT_EQ(browse(queue_, getopt::kUnderCursor), "reason 2034");
  EXPECT_EQ(browse(queue_, getopt::kBrowseNext), "C");  // the cursor moves on from where B was
  EXPECT_EQ(browse(queue_, 0), "A");
}

TARNIX_ON_EACH_BACKEND(BrowseTest);

}  // namespace
}  // namespace kx::testing
