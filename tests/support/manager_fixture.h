#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "platform/messaging/queue.h"
#include "platform/messaging/queue_manager.h"

namespace tarnix::testing {

// A private data directory with one running queue manager, for tests that need real queues.
class ManagerFixture : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  void defineQueue(std::string_view name, std::int32_t maxDepth = 5000);
  void defineAlias(std::string_view alias, std::string_view target);
  // Puts `count` small non-persistent messages through a connection of the test's own.
  void put(std::string_view queue, int count, std::string_view text = "message");
  std::int32_t depthOf(std::string_view queue);
  void stopManager();
  void startManager();

  static constexpr const char* kManager = "QM1";
  std::filesystem::path dataDir_;
};

}  // namespace tarnix::testing
