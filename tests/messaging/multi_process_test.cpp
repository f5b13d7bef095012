#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/wait.h>

#include <csignal>
#include <memory>
#include <set>

#include "platform/messaging/store_admin.h"
#include "tests/messaging/child_process.h"
#include "tests/messaging/queue_fixture.h"

namespace kx::testing {
namespace {

class Processes : public QueueFixture {
 protected:
  // What is on Q1 now, by message id, read through the client.
  std::multiset<std::string> remaining() {
    IkxQueueManager manager;
    IkxQueue queue;
    attach(manager, queue);
    std::multiset<std::string> ids;
    QueueMessage message;
    GetOptions options{getopt::kBrowseFirst};
    while (queue.get(message, options)) {
      ids.insert(message.msgId.toHex());
      message.msgId.reset();
      message.correlId.reset();
      options.options = getopt::kBrowseNext;
    }
    EXPECT_EQ(queue.reason(), reason::kNoMessageAvailable);
    return ids;
  }

  // SQLite's own check of the store file, read-only: "ok" when it is sound.
  std::string integrity() {
    sqlite3* db = nullptr;
    std::string result;
    sqlite3_open_v2((dataDir_ / "QM1.qmgr").c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    const auto collect = [](void* out, int, char** values, char**) {
      *static_cast<std::string*>(out) += values[0] != nullptr ? values[0] : "NULL";
      return 0;
    };
    if (sqlite3_exec(db, "PRAGMA integrity_check", collect, &result, nullptr) != SQLITE_OK) {
      result += sqlite3_errmsg(db);
    }
    sqlite3_close(db);
    return result;
  }
  // The embedded store's file is sound, where there is one.
  void expectSoundStore() {
    if (backend() == tarnix::testing::Backend::kEmbedded) {
      EXPECT_EQ(integrity(), "ok");
    }
  }
};
using MultiProcessTest = tarnix::testing::OnEachBackend<Processes>;
using EmbeddedProcesses = Processes;

TEST_P(MultiProcessTest, FourProcessesPutAndGetWithoutLossOrDuplicates) {
  ASSERT_TRUE(admin::alterMaxDepth("QM1", "Q1", 999'999'999));
  std::vector<std::unique_ptr<ChildProcess>> workers;
  for (const char* tag : {"w1", "w2", "w3", "w4"}) {
    workers.push_back(
        std::make_unique<ChildProcess>(std::vector<std::string>{"mix", "QM1", "Q1", tag, "2500"}));
  }
  std::set<std::string> put;
  std::multiset<std::string> got;
  std::vector<std::string> errors;
  for (auto& worker : workers) {
    std::string line;
    while (worker->readLine(line)) {
      if (line.rfind("P ", 0) == 0) {
        EXPECT_TRUE(put.insert(line.substr(2)).second) << "put twice: " << line;
      } else if (line.rfind("G ", 0) == 0) {
        got.insert(line.substr(2));
      } else {
        errors.push_back(line);
      }
    }
    const int status = worker->wait();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  }
  EXPECT_TRUE(errors.empty()) << errors.front();
  ASSERT_GT(put.size(), 100u);
  ASSERT_GT(got.size(), 10u);

  std::multiset<std::string> accounted = got;
  const auto left = remaining();
  accounted.insert(left.begin(), left.end());
  // Every message put was got exactly once or is still there, and nothing else appeared.
  EXPECT_EQ(accounted.size(), put.size());
  for (const auto& id : put) EXPECT_EQ(accounted.count(id), 1u) << id;

  EXPECT_EQ(queue_.queryDepth(), static_cast<std::int32_t>(left.size()));
  expectSoundStore();
}

TEST_P(MultiProcessTest, PersistentPutsThatReturnedSurviveAKilledProcess) {
  ASSERT_TRUE(admin::alterMaxDepth("QM1", "Q1", 999'999'999));
  ChildProcess child({"putloop", "QM1", "Q1", "crash"});
  std::vector<std::string> reported;
  std::string line;
  while (reported.size() < 300 && child.readLine(line)) {
    ASSERT_EQ(line.rfind("P ", 0), 0u) << line;
    reported.push_back(line.substr(2));
  }
  child.kill(SIGKILL);
  while (child.readLine(line)) {
    if (line.rfind("P ", 0) == 0) reported.push_back(line.substr(2));
  }
  const int status = child.wait();
  ASSERT_TRUE(WIFSIGNALED(status));
  ASSERT_GE(reported.size(), 300u);

  const auto onQueue = remaining();
  for (const auto& id : reported) EXPECT_EQ(onQueue.count(id), 1u) << id;
  // At most the one put in flight when the kill came may be there without a report.
  EXPECT_LE(onQueue.size(), reported.size() + 1);
  expectSoundStore();

  // A restart keeps them all: they were persistent.
  stopManager();
  startManager();
  EXPECT_EQ(remaining(), onQueue);
}

// A connection made and dropped beside a long-lived one must not release the long-lived one's
// locks on the file: another process would then take itself for the last user, fold the log away
// and delete it under the long-lived connection, whose next commits would be lost.
TEST_F(EmbeddedProcesses, ConnectionsComingAndGoingKeepTheOtherConnectionsLocks) {
  IkxQueueManager longLived;
  IkxQueue queue;
  attach(longLived, queue);
  for (int i = 0; i < 3; ++i) {
    IkxQueueManager passing;
    IkxQueue other;
    attach(passing, other);
    EXPECT_GE(other.queryDepth(), 0);
  }
  ChildProcess child({"mix", "QM1", "Q1", "other", "100"});
  std::string line;
  while (child.readLine(line)) {
  }
  ASSERT_TRUE(WIFEXITED(child.wait()));

  QueueMessage message;
  message.persistent = 1;
  message.setData("kept", 4);
  ASSERT_TRUE(queue.put(message)) << queue.reason();
  EXPECT_EQ(remaining().count(message.msgId.toHex()), 1u);
  EXPECT_EQ(integrity(), "ok");
}

TARNIX_ON_EACH_BACKEND(MultiProcessTest);

}  // namespace
}  // namespace kx::testing
