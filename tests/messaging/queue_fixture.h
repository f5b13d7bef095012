#pragma once

#include <string>
#include <vector>

#include "platform/messaging/queue.h"
#include "platform/messaging/queue_manager.h"
#include "platform/messaging/queue_message.h"
#include "tests/support/manager_fixture.h"

namespace kx::testing {

std::string textOf(const QueueMessage& message);

// The shared store fixture (a private data directory with QM1 running) plus a local queue Q1,
// and `queue_` bound to Q1 through `manager_`, connected, for the tests that need one queue.
class QueueFixture : public tarnix::testing::ManagerFixture {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Binds `queue` to `name` on `manager`, connecting the manager to QM1 first if it is not.
  void attach(IkxQueueManager& manager, IkxQueue& queue, const std::string& name = "Q1");
  // Puts a text message; returns the id the queue manager gave it.
  MessageId24 putText(IkxQueue& queue, const std::string& text, bool persistent = false);
  std::vector<std::string> dataDirectoryListing() const;

  IkxQueueManager manager_;
  IkxQueue queue_;
};

}  // namespace kx::testing
