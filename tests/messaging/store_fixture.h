#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/messaging/queue.h"
#include "platform/messaging/queue_manager.h"
#include "platform/messaging/queue_message.h"

namespace kx::testing {

std::string textOf(const QueueMessage& message);

// Each test gets its own data directory with a running queue manager QM1 and a local queue Q1.
class StoreFixture : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Connects `manager` to QM1 and binds `queue` to Q1 (or `name`).
  void attach(IkxQueueManager& manager, IkxQueue& queue, const std::string& name = "Q1");
  // Puts a text message; returns the id the queue manager gave it.
  MessageId24 putText(IkxQueue& queue, const std::string& text, bool persistent = false);
  std::vector<std::string> dataDirectoryListing() const;

  std::filesystem::path dir_;
};

}  // namespace kx::testing
