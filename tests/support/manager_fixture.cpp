#include "tests/support/manager_fixture.h"

#include <cstdlib>

#include "platform/messaging/store_admin.h"

namespace tarnix::testing {

void ManagerFixture::SetUp() {
  const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
  dataDir_ = std::filesystem::temp_directory_path() /
             ("tarnix-" + std::string(info->test_suite_name()) + "-" + info->name() + "-" +
              std::to_string(::getpid()));
  std::filesystem::remove_all(dataDir_);
  std::filesystem::create_directories(dataDir_);
  ::setenv("KX_DATA_DIR", dataDir_.c_str(), 1);
  ::unsetenv("KX_DEFAULT_QMGR");
  if (backend() == Backend::kPostgres) {
    const auto server = testServer();
    if (!server) GTEST_SKIP() << "no PostgreSQL server: ctest starts one for these tests";
    database_ = std::make_unique<PostgresDatabase>(*server);
    ASSERT_FALSE(database_->conninfo().empty()) << database_->problem();
    const kx::admin::Status made =
        kx::admin::createPostgresQueueManager(kManager, database_->conninfo());
    ASSERT_TRUE(made) << made.message;
  } else {
    ASSERT_TRUE(kx::admin::createQueueManager(kManager));
  }
  ASSERT_TRUE(kx::admin::startQueueManager(kManager));
}

void ManagerFixture::TearDown() {
  database_.reset();
  std::filesystem::remove_all(dataDir_);
}

std::string backendName(const ::testing::TestParamInfo<Backend>& info) {
  return info.param == Backend::kPostgres ? "Postgres" : "Embedded";
}

void ManagerFixture::defineQueue(std::string_view name, std::int32_t maxDepth) {
  const kx::admin::Status status = kx::admin::defineLocalQueue(kManager, name, maxDepth);
  ASSERT_TRUE(status) << status.message;
}

void ManagerFixture::defineAlias(std::string_view alias, std::string_view target) {
  const kx::admin::Status status = kx::admin::defineAliasQueue(kManager, alias, target);
  ASSERT_TRUE(status) << status.message;
}

void ManagerFixture::put(std::string_view queueName, int count, std::string_view text) {
  kx::IkxQueueManager manager;
  manager.setManagerName(kManager);
  ASSERT_TRUE(manager.connect()) << manager.reason();
  kx::IkxQueue queue;
  queue.setQueueName(queueName);
  queue.bindManager(manager);
  kx::QueueMessage message;
  message.setData(text.data(), text.size());
  for (int i = 0; i < count; ++i) {
    message.msgId.reset();
    ASSERT_TRUE(queue.put(message)) << queue.reason();
  }
}

std::int32_t ManagerFixture::depthOf(std::string_view queueName) {
  kx::IkxQueueManager manager;
  manager.setManagerName(kManager);
  EXPECT_TRUE(manager.connect()) << manager.reason();
  kx::IkxQueue queue;
  queue.setQueueName(queueName);
  queue.bindManager(manager);
  return queue.queryDepth();
}

void ManagerFixture::stopManager() { ASSERT_TRUE(kx::admin::stopQueueManager(kManager)); }
void ManagerFixture::startManager() { ASSERT_TRUE(kx::admin::startQueueManager(kManager)); }

}  // namespace tarnix::testing
