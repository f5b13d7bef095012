#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "platform/messaging/queue.h"
#include "platform/messaging/queue_manager.h"
#include "tests/support/postgres_database.h"

namespace tarnix::testing {

// Where a test's queue manager is kept: in the embedded store, or in a database of its own on the
// tests' PostgreSQL server.
enum class Backend { kEmbedded, kPostgres };

// A private data directory with one running queue manager, for tests that need real queues.
class ManagerFixture : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  virtual Backend backend() const { return Backend::kEmbedded; }

  void defineQueue(std::string_view name, std::int32_t maxDepth = 5000);
  void defineAlias(std::string_view alias, std::string_view target);
  // Puts `count` small non-persistent messages through a connection of the test's own.
  void put(std::string_view queue, int count, std::string_view text = "message");
  std::int32_t depthOf(std::string_view queue);
  void stopManager();
  void startManager();

  static constexpr const char* kManager = "QM1";
  std::filesystem::path dataDir_;
  std::unique_ptr<PostgresDatabase> database_;  // for the PostgreSQL backend
};

// A fixture whose tests run once on each backend: TEST_P, then TARNIX_ON_EACH_BACKEND(Suite).
template <typename Fixture>
class OnEachBackend : public Fixture, public ::testing::WithParamInterface<Backend> {
 protected:
  Backend backend() const override { return this->GetParam(); }
};

std::string backendName(const ::testing::TestParamInfo<Backend>& info);

#define TARNIX_ON_EACH_BACKEND(Suite)                                                \
  INSTANTIATE_TEST_SUITE_P(Backends, Suite,                                          \
                           ::testing::Values(::tarnix::testing::Backend::kEmbedded,  \
                                             ::tarnix::testing::Backend::kPostgres), \
                           ::tarnix::testing::backendName)

}  // namespace tarnix::testing
