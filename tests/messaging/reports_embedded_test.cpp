#include <gtest/gtest.h>
#include <sqlite3.h>

#include <csignal>
#include <set>
#include <string>

#include "platform/messaging/report_word.h"
#include "platform/messaging/store_location.h"
#include "tests/messaging/child_process.h"
#include "tests/messaging/report_fixture.h"

// Reports as only the embedded store's own file shows them: a crash between a take and its
// commit, and a store made by the previous version.
namespace kx::testing {
namespace {

// What only the embedded store's own file shows.
using EmbeddedReportsTest = ReportFixture;

TEST_F(EmbeddedReportsTest, AKilledTakeLeavesTheMessageAndItsReportTogetherOrNeither) {
  QueueMessage original = asking(report::kCodWithFullData, "held");
  original.persistent = 1;
  std::set<std::string> put{putOn("Q1", original).toHex()};
  {
    ChildProcess child({"holdtake", kManager, "Q1", "T"});
    std::string line;
    ASSERT_TRUE(child.readLine(line));
    ASSERT_EQ(line, "H");  // taken and reported, not committed
    child.kill(SIGKILL);
    child.wait();
  }
  EXPECT_TRUE(messagesOn("REPLY").empty());
  EXPECT_EQ(messagesOn("Q1", true).size(), 1u);
  checked();

  // Killed at any point of a run of takes: each message is still there or reported, never both.
  for (int i = 0; i < 300; ++i) {
    QueueMessage message = asking(report::kCod | (i % 2 ? report::kPassMsgId : 0));
    message.persistent = i % 3 == 0;
    put.insert(putOn("Q1", message).toHex());
  }
  {
    ChildProcess child({"takeloop", kManager, "Q1", "T"});
    std::string line;
    for (int taken = 0; taken < 40 && child.readLine(line);) taken += line[0] == 'G';
    child.kill(SIGKILL);
    child.wait();
  }
  std::multiset<std::string> accounted;
  for (const QueueMessage& left : messagesOn("Q1", true)) accounted.insert(left.msgId.toHex());
  const auto reports = messagesOn("REPLY");
  EXPECT_GE(reports.size(), 40u);
  for (const QueueMessage& report : reports) accounted.insert(report.correlId.toHex());
  EXPECT_EQ(accounted.size(), put.size());
  for (const std::string& id : put) EXPECT_EQ(accounted.count(id), 1u) << id;
  checked();
}

// The store as the previous version made it: the manager's row without the report columns.
void makeVersion1(const std::string& manager) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(storePath(manager).c_str(), &db), SQLITE_OK);
  const int rc = sqlite3_exec(db,
                              "BEGIN IMMEDIATE;"
                              "CREATE TABLE old_manager(id INTEGER PRIMARY KEY CHECK (id = 1), "
                              "name TEXT NOT NULL, running INTEGER NOT NULL, "
                              "epoch INTEGER NOT NULL, gen INTEGER NOT NULL);"
                              "INSERT INTO old_manager SELECT id, name, running, epoch, gen "
                              "FROM manager;"
                              "DROP TABLE manager;"
                              "ALTER TABLE old_manager RENAME TO manager;"
                              "PRAGMA user_version = 1;"
                              "COMMIT;",
                              nullptr, nullptr, nullptr);
  EXPECT_EQ(rc, SQLITE_OK) << sqlite3_errmsg(db);
  sqlite3_close(db);
}

int versionOf(const std::string& manager) {
  sqlite3* db = nullptr;
  sqlite3_stmt* statement = nullptr;
  int version = -1;
  if (sqlite3_open(storePath(manager).c_str(), &db) == SQLITE_OK &&
      sqlite3_prepare_v2(db, "PRAGMA user_version", -1, &statement, nullptr) == SQLITE_OK &&
      sqlite3_step(statement) == SQLITE_ROW) {
    version = sqlite3_column_int(statement, 0);
  }
  sqlite3_finalize(statement);
  sqlite3_close(db);
  return version;
}

TEST_F(EmbeddedReportsTest, AStoreOfThePreviousVersionKeepsItsMessagesAndGainsTheReportSettings) {
  for (const char* text : {"one", "two"}) {
    QueueMessage message = asking(0, text);
    message.persistent = 1;
    putOn("Q1", message);
  }
  manager_.disconnect();
  makeVersion1(kManager);
  // A check reads it as it is and leaves it so.
  admin::CheckReport report = checked();
  EXPECT_EQ(report.messages, 2);
  EXPECT_EQ(report.deadLetterQueue, "");
  EXPECT_EQ(versionOf(kManager), 1);

  // The first connection upgrades it.
  EXPECT_EQ(messagesOn("Q1", true).size(), 2u);
  EXPECT_EQ(versionOf(kManager), 2);
  QueueMessage lost = asking(report::kCoa);
  lost.replyToQ = "NOWHERE";
  lost.persistent = 1;
  putOn("Q1", lost);
  nameDeadLetterQueue("DLQ");
  putOn("Q1", lost);
  report = checked();
  EXPECT_EQ(report.discardedReports, 1);
  EXPECT_EQ(report.deadLetterQueue, "DLQ");
  EXPECT_EQ(messagesOn("DLQ", true).size(), 1u);

  // A salvage carries both over.
  manager_.disconnect();
  stopManager();
  admin::SalvageReport salvaged;
  ASSERT_TRUE(admin::salvageQueueManager(kManager, salvaged));
  report = checked();
  EXPECT_EQ(report.discardedReports, 1);
  EXPECT_EQ(report.deadLetterQueue, "DLQ");
  EXPECT_EQ(report.messages, 5);

  // And a store of the previous version salvages into this version, none of its messages lost;
  // a start upgrades one too.
  makeVersion1(kManager);
  ASSERT_TRUE(admin::salvageQueueManager(kManager, salvaged));
  EXPECT_EQ(versionOf(kManager), 2);
  EXPECT_EQ(checked().messages, 5);
  makeVersion1(kManager);
  startManager();
  EXPECT_EQ(versionOf(kManager), 2);
  EXPECT_EQ(checked().deadLetterQueue, "");
  EXPECT_EQ(messagesOn("Q1").size(), 4u);
}

}  // namespace
}  // namespace kx::testing
