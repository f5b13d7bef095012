#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/messaging/store_admin.h"
#include "tests/messaging/child_process.h"
#include "tests/messaging/queue_fixture.h"

namespace kx::testing {
namespace {

namespace fs = std::filesystem;

std::string bytesOf(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A store with damage in it: the operator can see what is wrong, keep using what can be read,
// salvage every message that can still be read, and remove what cannot, all with kxadmin.
class DamagedStore : public QueueFixture {
 protected:
  // Makes the store file hold every change (none left in the WAL), with no connection on it.
  fs::path quietStore() {
    manager_.disconnect();
    fs::path store = dataDir_ / "QM1.qmgr";
    sqlite3* db = nullptr;
    EXPECT_EQ(sqlite3_open_v2(store.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(db, "PRAGMA wal_checkpoint(TRUNCATE)", nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);
    return store;
  }

  // The pages of a queue's message table (or of a table of that name), in the order of its tree:
  // the root first, then its leaves in key order.
  std::vector<std::int64_t> pagesOf(const std::string& queue, const char* type) {
    const fs::path store = quietStore();
    sqlite3* db = nullptr;
    EXPECT_EQ(sqlite3_open_v2(store.c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    sqlite3_stmt* pages = nullptr;
    EXPECT_EQ(sqlite3_prepare_v2(db,
                                 "SELECT pageno FROM dbstat WHERE name = coalesce((SELECT 'm' "
                                 "|| id FROM queues WHERE name = ?1), ?1) AND pagetype = ?2 "
                                 "ORDER BY path",
                                 -1, &pages, nullptr),
              SQLITE_OK);
    sqlite3_bind_text(pages, 1, queue.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(pages, 2, type, -1, SQLITE_STATIC);
    std::vector<std::int64_t> found;
    while (sqlite3_step(pages) == SQLITE_ROW) found.push_back(sqlite3_column_int64(pages, 0));
    sqlite3_finalize(pages);
    sqlite3_close(db);
    return found;
  }

  // Writes garbage over part of a page, as a bad sector would.
  void overwrite(std::int64_t page, int offset, int length) {
    const fs::path store = quietStore();
    std::fstream file(store, std::ios::in | std::ios::out | std::ios::binary);
    file.seekp((page - 1) * 4096 + offset);
    file << std::string(static_cast<std::size_t>(length), '\x5A');
  }

  // Q2 with `count` persistent messages large enough to spread over many leaf pages.
  std::vector<MessageId24> fillSecondQueue(int count) {
    defineQueue("Q2");
    IkxQueue second;
    attach(manager_, second, "Q2");
    std::vector<MessageId24> ids;
    ids.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
      ids.push_back(putText(second, "message " + std::to_string(i) + std::string(400, '.'), true));
    }
    return ids;
  }

  void expectOnlyTheDamagedQueueStops(int offset) {
    fillSecondQueue(100);
    putText(queue_, "kept 1", true);
    putText(queue_, "kept 2", true);
    putText(queue_, "gone at the start");
    stopManager();
    const std::vector<std::int64_t> leaves = pagesOf("Q2", "leaf");
    ASSERT_GT(leaves.size(), 4u);
    overwrite(leaves[leaves.size() / 2], offset, 256);

    const admin::Status started = admin::startQueueManager("QM1");
    ASSERT_TRUE(started) << started.message;
    EXPECT_NE(started.message.find("'Q2'"), std::string::npos) << started.message;
    EXPECT_NE(started.message.find("kxadmin salvage QM1"), std::string::npos) << started.message;

    ASSERT_TRUE(manager_.connect());
    EXPECT_EQ(queue_.queryDepth(), 2) << "the start discarded Q1's non-persistent message";
    QueueMessage message;
    ASSERT_TRUE(queue_.get(message, GetOptions{}));
    EXPECT_EQ(textOf(message), "kept 1");
    EXPECT_TRUE(queue_.put(message)) << queue_.reason();
    std::vector<admin::QueueInfo> queues;
    EXPECT_TRUE(admin::listQueues("QM1", queues));

    admin::CheckReport report;
    ASSERT_TRUE(admin::checkQueueManager("QM1", report));
    bool named = false;
    for (const auto& problem : report.problems) named |= problem.find("queue 'Q2'") == 0;
    EXPECT_TRUE(named);
    // The advice can be followed on a running queue manager: stop it, then salvage.
    const KxadminRun run = runKxadmin({"check", "QM1"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.output.find("QM1: damaged"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("stop it and run 'kxadmin salvage QM1'"), std::string::npos)
        << run.output;
  }
};

// Damage over a page's header, or inside a page among the messages' content: either way the other
// queues work after a start, and the check names the damaged queue with advice that can be
// followed.
TEST_F(DamagedStore, DamageOverAPageHeaderStopsOnlyItsQueue) { expectOnlyTheDamagedQueueStops(0); }

TEST_F(DamagedStore, DamageAmongTheMessagesOfAPageStopsOnlyItsQueue) {
  expectOnlyTheDamagedQueueStops(3000);
}

// Salvage: what can be read, with every descriptor field as it was, in a store that replaces the
// damaged one; the damaged file kept; nothing read twice and nothing made up.
TEST_F(DamagedStore, SalvageCopiesEveryReadableMessageWholeAndKeepsTheDamagedFile) {
  QueueMessage full;
  full.msgType = msgtype::kRequest;
  full.expiry = 36000;
  full.feedback = 7;
  full.ccsid = 819;
  full.format = "MQSTR   ";
  full.priority = 8;
  full.persistent = 1;
  full.report = 0x100;
  full.replyToQ = "REPLY.Q";
  full.replyQmgr = "QM9";
  full.correlId = *MessageId24::fromText("correl");
  full.msgId = *MessageId24::fromText("chosen id");
  full.setData("\x00\x01binary", 8);
  ASSERT_TRUE(queue_.put(full)) << queue_.reason();
  putText(queue_, "non-persistent, kept until a start");
  defineAlias("A1", "Q1");
  const std::vector<MessageId24> ids = fillSecondQueue(100);
  std::vector<QueueMessage> before;
  for (QueueMessage m; queue_.get(m, GetOptions{getopt::kBrowseNext}); m = QueueMessage()) {
    before.push_back(m);
  }
  ASSERT_EQ(before.size(), 2u);
  stopManager();
  const std::vector<std::int64_t> leaves = pagesOf("Q2", "leaf");
  ASSERT_GT(leaves.size(), 8u);
  // One page whose header is lost, one whose messages are partly overwritten.
  overwrite(leaves[3], 0, 256);
  overwrite(leaves[7], 3000, 256);
  const std::string damaged = bytesOf(quietStore());

  KxadminRun run = runKxadmin({"salvage", "QM1"});
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_NE(run.output.find("queue 'Q1': 2 messages copied\n"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("queue 'Q2': "), std::string::npos) << run.output;
  const auto kept = run.output.find("kept as ");
  ASSERT_NE(kept, std::string::npos) << run.output;
  const fs::path keptAs = run.output.substr(kept + 8, run.output.size() - kept - 9);
  EXPECT_EQ(keptAs.parent_path(), dataDir_);
  EXPECT_TRUE(bytesOf(keptAs) == damaged) << "the kept copy is the damaged file as it was";
  EXPECT_EQ(runKxadmin({"check", "QM1"}).status, 0);

  startManager();
  attach(manager_, queue_);
  QueueMessage back;
  ASSERT_TRUE(queue_.get(back, GetOptions{}));
  const QueueMessage& was = before[0];
  EXPECT_EQ(back.msgId, was.msgId);
  EXPECT_EQ(back.correlId, was.correlId);
  EXPECT_EQ(
      (std::vector<std::int32_t>{back.msgType, back.feedback, back.ccsid, back.priority,
                                 back.persistent, back.report, back.backoutCount,
                                 back.putApplType}),
      (std::vector<std::int32_t>{was.msgType, was.feedback, was.ccsid, was.priority, was.persistent,
                                 was.report, was.backoutCount, was.putApplType}));
  EXPECT_EQ((std::vector<std::string>{back.format, back.replyToQ, back.replyQmgr, back.putAppl,
                                      back.putDate, back.putTime, textOf(back)}),
            (std::vector<std::string>{was.format, was.replyToQ, was.replyQmgr, was.putAppl,
                                      was.putDate, was.putTime, textOf(was)}));
  EXPECT_GT(back.expiry, 30000);
  EXPECT_LE(back.expiry, was.expiry);
  EXPECT_FALSE(queue_.get(back, GetOptions{})) << "the start after it discarded non-persistent";
  IkxQueue alias;
  attach(manager_, alias, "A1");
  EXPECT_TRUE(alias.put(back)) << alias.reason();

  // Q2: the messages of the damaged pages are lost, every other one comes back once, in order.
  IkxQueue second;
  attach(manager_, second, "Q2");
  std::vector<MessageId24> got;
  for (QueueMessage m; second.get(m, GetOptions{}); m = QueueMessage()) got.push_back(m.msgId);
  EXPECT_EQ(second.reason(), reason::kNoMessageAvailable);
  EXPECT_GE(got.size(), ids.size() - 20);
  EXPECT_LT(got.size(), ids.size());
  auto next = ids.begin();
  for (const MessageId24& id : got) {
    next = std::find(next, ids.end(), id);
    ASSERT_NE(next, ids.end()) << "a message out of order, twice, or never put";
    ++next;
  }
  const std::string lost = std::to_string(ids.size() - got.size()) + " could not be read";
  EXPECT_NE(run.output.find("queue 'Q2': " + std::to_string(got.size()) +
                            " of 100 messages "
                            "copied; " +
                            lost),
            std::string::npos)
      << run.output;
  // New messages get ids of their own, never one of a message lost or kept.
  const MessageId24 fresh = putText(second, "after");
  EXPECT_EQ(std::find(ids.begin(), ids.end(), fresh), ids.end());
}

TEST_F(DamagedStore, SalvageNamesAQueueWhoseDefinitionIsLostAndRefusesWhatItCannotDo) {
  putText(queue_, "on a queue whose definition goes", true);
  const KxadminRun running = runKxadmin({"salvage", "QM1"});
  EXPECT_EQ(running.status, 1);
  EXPECT_NE(running.output.find("is running; stop it first"), std::string::npos) << running.output;
  // A program still connected from before the stop holds the store.
  stopManager();
  admin::SalvageReport report;
  const admin::Status inUse = admin::salvageQueueManager("QM1", report);
  EXPECT_EQ(inUse.reason, reason::kStoreBusy);
  EXPECT_NE(inUse.message.find("in use by another program"), std::string::npos) << inUse.message;

  overwrite(pagesOf("queues", "leaf").at(0), 0, 256);
  const admin::Status salvaged = admin::salvageQueueManager("QM1", report);
  ASSERT_TRUE(salvaged) << salvaged.message;
  ASSERT_EQ(report.queues.size(), 1u);
  EXPECT_EQ(report.queues[0], "queue 'SALVAGED.1' (definition lost): 1 messages copied");
  startManager();
  attach(manager_, queue_, "SALVAGED.1");
  QueueMessage message;
  ASSERT_TRUE(queue_.get(message, GetOptions{}));
  EXPECT_EQ(textOf(message), "on a queue whose definition goes");

  std::ofstream(dataDir_ / "JUNK.qmgr") << "not a store at all";
  const KxadminRun junk = runKxadmin({"salvage", "JUNK"});
  EXPECT_EQ(junk.status, 1);
  EXPECT_NE(junk.output.find("nothing can be salvaged from it"), std::string::npos) << junk.output;
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
