// The one table of reason texts that the monitor's tooltips and kxadmin's messages read.
#include <gtest/gtest.h>

#include "platform/messaging/reason_codes.h"

namespace kx {
namespace {

TEST(ReasonTexts, ACodeReadsAsItsNameAndAMeaningWithTheNamesInvolved) {
  EXPECT_EQ(explainReason(reason::kUnknownObjectName, "QM1", "ORDERS.X"),
            "2085: unknown object name: QM1 has no queue ORDERS.X");
  EXPECT_EQ(explainReason(reason::kNotConnected, "QM1", "Q1"),
            "6109: not connected: Q1 is bound to QM1, which is not connected");
  // A name that is not known is said as what it stands for; one that looks like a mark is shown
  // as given.
  EXPECT_EQ(explainReason(reason::kQueueManagerNotAvailable, ""),
            "2059: queue manager not available: the queue manager is stopped or its store cannot "
            "be reached");
  EXPECT_EQ(explainReason(reason::kQueueFull, "QM1", "{qmgr}"),
            "2053: queue full: {qmgr} holds as many messages as it may");
  EXPECT_EQ(explainReason(4321, "QM1", "Q1"), "4321: unknown reason");
  // The short texts of tools and logs come from the same rows.
  EXPECT_STREQ(reasonName(reason::kUnknownObjectName), "unknown object name");
  EXPECT_STREQ(describeReason(reason::kUnknownObjectName), "unknown queue");
  EXPECT_STREQ(describeReason(4321), "unknown reason");
}

}  // namespace
}  // namespace kx
