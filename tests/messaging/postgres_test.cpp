// What a queue manager kept in PostgreSQL adds to the client contract: other machines reach it
// through a record of their own, a lost database connection is a lost queue manager, and its
// record never holds a password.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/messaging/store_admin.h"
#include "platform/messaging/store_location.h"
#include "tests/messaging/queue_fixture.h"

namespace kx::testing {
namespace {

namespace fs = std::filesystem;

class PostgresQueueManager : public QueueFixture {
 protected:
  tarnix::testing::Backend backend() const override { return tarnix::testing::Backend::kPostgres; }
  // Works as another machine would: from a data directory of its own.
  void asAnotherMachine() {
    other_ = dataDir_ / "other-machine";
    fs::create_directories(other_);
    ::setenv("KX_DATA_DIR", other_.c_str(), 1);
  }
  fs::path other_;
};

TEST_F(PostgresQueueManager, AnotherMachineAttachedToItSharesItsQueues) {
  putText(queue_, "from here", true);
  asAnotherMachine();
  IkxQueueManager there;
  there.setManagerName(kManager);
  EXPECT_FALSE(there.connect());
  EXPECT_EQ(there.reason(), reason::kQueueManagerNameError);  // unknown until attached

  const admin::Status attached = admin::attachPostgresQueueManager(kManager, database_->conninfo());
  ASSERT_TRUE(attached) << attached.message;
  EXPECT_EQ(admin::attachPostgresQueueManager(kManager, database_->conninfo()).reason,
            reason::kObjectAlreadyExists);
  IkxQueue queue;
  attach(there, queue);
  QueueMessage message;
  ASSERT_TRUE(queue.get(message, GetOptions{})) << queue.reason();
  EXPECT_EQ(textOf(message), "from here");
  putText(queue, "from there");
  EXPECT_EQ(queue_.queryDepth(), 1);  // the first machine's connection sees it

  // Forgetting the record leaves the queue manager to everyone else.
  ASSERT_TRUE(admin::detachQueueManager(kManager));
  EXPECT_EQ(storeKindOf(kManager), StoreKind::kNone);
  EXPECT_EQ(queue_.queryDepth(), 1);
  // A database that holds no such queue manager cannot be attached to.
  EXPECT_EQ(admin::attachPostgresQueueManager("QM9", database_->conninfo()).reason,
            reason::kQueueManagerNameError);
  EXPECT_EQ(storeKindOf("QM9"), StoreKind::kNone);
}

TEST_F(PostgresQueueManager, ALostDatabaseConnectionIsALostQueueManagerUntilConnectedAgain) {
  putText(queue_, "kept", true);
  ASSERT_EQ(queue_.queryDepth(), 1);
  // The server ends every other connection to the database, as a restart would.
  ASSERT_EQ(database_->run("SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE "
                           "datname = current_database() AND pid <> pg_backend_pid()"),
            "");
  EXPECT_EQ(queue_.queryDepth(), -1);
  EXPECT_EQ(queue_.reason(), reason::kConnectionBroken);
  QueueMessage message;
  EXPECT_FALSE(queue_.get(message, GetOptions{}));
  EXPECT_EQ(queue_.reason(), reason::kConnectionBroken);
  ASSERT_TRUE(manager_.disconnect());
  ASSERT_TRUE(manager_.connect()) << manager_.reason();
  EXPECT_EQ(queue_.queryDepth(), 1);
}

TEST_F(PostgresQueueManager, ConnectionStringsAreCheckedAndNeverHoldAPassword) {
  const admin::Status refused =
      admin::createPostgresQueueManager("QM2", database_->conninfo() + " password=secret");
  EXPECT_EQ(refused.reason, reason::kValueError);
  EXPECT_NE(refused.message.find("password"), std::string::npos) << refused.message;
  EXPECT_EQ(storeKindOf("QM2"), StoreKind::kNone);

  // A name this machine knows already, in either kind of store, is not made again.
  EXPECT_EQ(admin::createQueueManager(kManager).reason, reason::kObjectAlreadyExists);
  EXPECT_EQ(admin::createPostgresQueueManager(kManager, database_->conninfo()).reason,
            reason::kObjectAlreadyExists);

  // An unreachable database: said, and nothing recorded.
  const admin::Status unreachable =
      admin::createPostgresQueueManager("QM3", "host=" + (dataDir_ / "nowhere").string());
  EXPECT_EQ(unreachable.reason, reason::kQueueManagerNotAvailable);
  EXPECT_EQ(storeKindOf("QM3"), StoreKind::kNone);

  // A record whose database lost the queue manager: the name is unknown, and only the record
  // can go.
  ASSERT_EQ(database_->run("DROP SCHEMA \"kx_QM1\" CASCADE"), "");
  manager_.disconnect();
  EXPECT_FALSE(manager_.connect());
  EXPECT_EQ(manager_.reason(), reason::kQueueManagerNameError);
  EXPECT_EQ(admin::deleteQueueManager(kManager).reason, reason::kStoreDamaged);
  EXPECT_TRUE(admin::deleteQueueManager(kManager, true));
  EXPECT_EQ(storeKindOf(kManager), StoreKind::kNone);
  std::vector<admin::ManagerInfo> managers;
  ASSERT_TRUE(admin::listQueueManagers(managers));
  EXPECT_TRUE(managers.empty());
}

TEST_F(PostgresQueueManager, ListedWithItsStateAndDeletedForEveryone) {
  std::vector<admin::ManagerInfo> managers;
  ASSERT_TRUE(admin::listQueueManagers(managers));
  ASSERT_EQ(managers.size(), 1u);
  EXPECT_TRUE(managers[0].inPostgres && managers[0].running && !managers[0].unreachable);

  const std::string record = (dataDir_ / "QM1.postgres").string();
  std::string line;
  std::getline(std::ifstream(record), line);
  EXPECT_EQ(line, database_->conninfo());

  EXPECT_EQ(admin::deleteQueueManager(kManager).reason, reason::kQueueManagerRunning);
  manager_.disconnect();
  stopManager();
  ASSERT_TRUE(admin::deleteQueueManager(kManager));
  EXPECT_FALSE(fs::exists(record));
  EXPECT_NE(database_->run("SELECT 1 FROM \"kx_QM1\".manager"), "");  // gone from the database
}

}  // namespace
}  // namespace kx::testing
