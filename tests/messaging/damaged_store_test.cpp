#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <fstream>

#include "platform/messaging/store_admin.h"
#include "tests/messaging/child_process.h"
#include "tests/messaging/queue_fixture.h"

namespace kx::testing {
namespace {

namespace fs = std::filesystem;

// A store with damage in it: the operator can see what is wrong, keep using what can be read and
// remove what cannot, all with kxadmin.
class DamagedStore : public QueueFixture {
 protected:
  // Overwrites the first page of a queue's message table with garbage, as a bad sector would,
  // once every change is in the store file itself.
  void damageMessagesOf(const std::string& queue) {
    manager_.disconnect();
    const fs::path store = dataDir_ / "QM1.qmgr";
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2(store.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, "PRAGMA wal_checkpoint(TRUNCATE)", nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_stmt* root = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db,
                                 "SELECT s.rootpage FROM sqlite_schema s JOIN queues q ON s.name = "
                                 "'m' || q.id WHERE q.name = ?1",
                                 -1, &root, nullptr),
              SQLITE_OK);
    sqlite3_bind_text(root, 1, queue.c_str(), -1, SQLITE_TRANSIENT);
    ASSERT_EQ(sqlite3_step(root), SQLITE_ROW);
    const std::int64_t page = sqlite3_column_int64(root, 0);
    sqlite3_finalize(root);
    sqlite3_close(db);
    std::fstream file(store, std::ios::in | std::ios::out | std::ios::binary);
    file.seekp((page - 1) * 4096);
    file << std::string(4096, '\x5A');
  }
};

TEST_F(DamagedStore, ADamagedQueueStopsOnlyItselfAndTheCheckNamesIt) {
  defineQueue("Q2");
  IkxQueue second;
  attach(manager_, second, "Q2");
  for (const char* text : {"a", "b", "c"}) putText(second, text, true);
  putText(queue_, "kept 1", true);
  putText(queue_, "kept 2", true);
  stopManager();
  damageMessagesOf("Q2");

  const admin::Status started = admin::startQueueManager("QM1");
  ASSERT_TRUE(started) << started.message;
  EXPECT_NE(started.message.find("'Q2'"), std::string::npos) << started.message;
  EXPECT_NE(started.message.find("kxadmin check QM1"), std::string::npos) << started.message;

  ASSERT_TRUE(manager_.connect());
  EXPECT_EQ(queue_.queryDepth(), 2);
  QueueMessage message;
  ASSERT_TRUE(queue_.get(message, GetOptions{}));
  EXPECT_EQ(textOf(message), "kept 1");
  EXPECT_FALSE(second.get(message, GetOptions{}));
  EXPECT_EQ(second.reason(), reason::kStoreDamaged);
  EXPECT_FALSE(second.put(message));
  EXPECT_EQ(second.reason(), reason::kStoreDamaged);
  EXPECT_TRUE(queue_.put(message)) << queue_.reason();
  std::vector<admin::QueueInfo> queues;
  EXPECT_TRUE(admin::listQueues("QM1", queues));

  admin::CheckReport report;
  ASSERT_TRUE(admin::checkQueueManager("QM1", report));
  ASSERT_FALSE(report.problems.empty());
  bool named = false;
  for (const auto& problem : report.problems) named |= problem.find("queue 'Q2'") == 0;
  EXPECT_TRUE(named);
  const KxadminRun run = runKxadmin({"check", "QM1"});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.output.find("QM1: damaged"), std::string::npos) << run.output;
}

TEST_F(DamagedStore, ASoundStorePassesTheCheckAndCountersThatDisagreeFailIt) {
  putText(queue_, "one");
  KxadminRun run = runKxadmin({"check", "QM1"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.output, "QM1: ok (1 local queues, 1 messages)\n");

  manager_.disconnect();
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open((dataDir_ / "QM1.qmgr").c_str(), &db), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(db, "UPDATE queues SET depth = 7", nullptr, nullptr, nullptr), SQLITE_OK);
  sqlite3_close(db);
  run = runKxadmin({"check", "QM1"});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.output.find("queue 'Q1': depth 7 but 1 messages"), std::string::npos) << run.output;
}

TEST_F(DamagedStore, OnlyForceDeletesAStoreThatCannotBeOpened) {
  std::ofstream(dataDir_ / "JUNK.qmgr") << "not a store at all";
  std::ofstream(dataDir_ / "JUNK.qmgr-wal") << "left beside it";
  KxadminRun run = runKxadmin({"check", "JUNK"});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.output.find("is not a usable queue manager store"), std::string::npos)
      << run.output;
  run = runKxadmin({"delete", "JUNK"});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.output.find("delete --force"), std::string::npos) << run.output;
  EXPECT_TRUE(fs::exists(dataDir_ / "JUNK.qmgr"));

  run = runKxadmin({"delete", "--force", "JUNK"});
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_FALSE(fs::exists(dataDir_ / "JUNK.qmgr"));
  EXPECT_FALSE(fs::exists(dataDir_ / "JUNK.qmgr-wal"));
  // Force overrides the damage only: a running queue manager still has to be stopped.
  EXPECT_EQ(admin::deleteQueueManager("QM1", true).reason, reason::kQueueManagerRunning);
}

}  // namespace
}  // namespace kx::testing
