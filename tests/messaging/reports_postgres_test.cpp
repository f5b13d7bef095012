// Reports of a queue manager kept in PostgreSQL where a client or the server fails: an event and
// its reports are committed together or not at all, a take whose commit went unanswered keeps its
// delivery report through a crash, reports that cross between two putters all arrive, and tables
// of the earlier version keep their messages when they are brought up to date.
#include <gtest/gtest.h>
#include <libpq-fe.h>

#include <chrono>
#include <filesystem>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "platform/messaging/report_word.h"
#include "platform/messaging/store_admin.h"
#include "tests/messaging/queue_fixture.h"
#include "tests/support/own_postgres_server.h"

namespace kx::testing {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// A message that asks for the reports of `word`, its replies to REPLY.
QueueMessage asking(std::int32_t word, const std::string& text, bool persistent = false) {
  QueueMessage message;
  message.report = word;
  message.replyToQ = "REPLY";
  message.persistent = persistent ? 1 : 0;
  message.setData(text.data(), text.size());
  return message;
}

// A session of the test's own on a database, that holds locks as a client's transaction would.
class Session {
 public:
  explicit Session(const std::string& conninfo) : db_(PQconnectdb(conninfo.c_str())) {}
  ~Session() { PQfinish(db_); }
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  bool exec(const std::string& sql) {
    PGresult* result = PQexec(db_, sql.c_str());
    const ExecStatusType status = PQresultStatus(result);
    PQclear(result);
    return status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK;
  }
  // Ends the server process of the first other session of the database found waiting for a lock
  // (checked every 10 ms for at most `patience`); false when none waited.
  bool terminateOneWaiting(std::chrono::seconds patience = 30s) {
    for (const auto until = std::chrono::steady_clock::now() + patience;
         std::chrono::steady_clock::now() < until; std::this_thread::sleep_for(10ms)) {
      PGresult* ended = PQexec(db_,
                               "SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE "
                               "datname = current_database() AND wait_event_type = 'Lock' "
                               "AND pid <> pg_backend_pid() LIMIT 1");
      const bool done = PQresultStatus(ended) == PGRES_TUPLES_OK && PQntuples(ended) == 1;
      PQclear(ended);
      if (done) return true;
    }
    return false;
  }

 private:
  PGconn* db_;
};

class PostgresReports : public QueueFixture {
 protected:
  tarnix::testing::Backend backend() const override { return tarnix::testing::Backend::kPostgres; }
  void SetUp() override {
    QueueFixture::SetUp();
    if (HasFatalFailure() || IsSkipped()) return;
    defineQueue("REPLY");
  }

  // The messages on `queue`, taken through a connection of their own.
  std::vector<QueueMessage> takeAll(const std::string& queue) {
    IkxQueueManager manager;
    IkxQueue source;
    attach(manager, source, queue);
    std::vector<QueueMessage> taken;
    for (QueueMessage message; source.get(message, GetOptions{}); message = QueueMessage()) {
      taken.push_back(message);
    }
    EXPECT_EQ(source.reason(), reason::kNoMessageAvailable);
    return taken;
  }

  // Holds the row of queue REPLY, as a put onto it does, while `event` runs on a thread of its
  // own; ends the server process of that event once it waits for the row (its report's put),
  // and gives what the event came to.
  ReasonCode killedWhileReporting(const std::function<bool()>& event) {
    Session holder(database_->conninfo());
    EXPECT_TRUE(holder.exec("BEGIN"));
    EXPECT_TRUE(holder.exec("SELECT 1 FROM \"kx_QM1\".queues WHERE name = 'REPLY' FOR UPDATE"));
    auto done =
        std::async(std::launch::async, [&] { return event() ? reason::kNone : queue_.reason(); });
    EXPECT_TRUE(holder.terminateOneWaiting()) << "the event never waited for its report's queue";
    const ReasonCode outcome = done.get();
    EXPECT_TRUE(holder.exec("ROLLBACK"));
    return outcome;
  }
};

TEST_F(PostgresReports, APutKilledBeforeItsCommitLeavesNeitherTheMessageNorItsArrivalReport) {
  // Its report straight to its reply-to queue, and by way of the dead-letter queue.
  ASSERT_TRUE(admin::setDeadLetterQueue(kManager, "REPLY"));
  for (const char* replyTo : {"REPLY", "NOWHERE"}) {
    SCOPED_TRACE(replyTo);
    QueueMessage message = asking(report::kCoaWithFullData, "arriving", true);
    message.replyToQ = replyTo;
    EXPECT_EQ(killedWhileReporting([&] { return queue_.put(message); }), reason::kConnectionBroken);
    EXPECT_EQ(depthOf("Q1"), 0);
    EXPECT_EQ(depthOf("REPLY"), 0);
    manager_.disconnect();
    attach(manager_, queue_);
  }
}

TEST_F(PostgresReports, ATakeKilledBeforeItsCommitLeavesTheMessageAndNoDeliveryReport) {
  QueueMessage original = asking(report::kCod, "delivered", true);
  ASSERT_TRUE(queue_.put(original)) << queue_.reason();
  QueueMessage taken;
  EXPECT_EQ(killedWhileReporting([&] { return queue_.get(taken, GetOptions{}); }),
            reason::kConnectionBroken);
  EXPECT_EQ(depthOf("REPLY"), 0);
  // Still there, and its report comes with the take that takes it.
  const auto left = takeAll("Q1");
  ASSERT_EQ(left.size(), 1u);
  EXPECT_EQ(textOf(left.front()), "delivered");
  const auto reports = takeAll("REPLY");
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports.front().feedback, feedback::kCod);
  EXPECT_EQ(reports.front().correlId, original.msgId);
}

TEST_F(PostgresReports, ArrivalReportsCrossingBetweenTwoPuttersAllArrive) {
  // Each put waits for the other's queue to put its report there: the server undoes one of two
  // such transactions, soon, and it runs again.
  ASSERT_EQ(database_->run("DO $$ BEGIN EXECUTE format('ALTER DATABASE %I SET deadlock_timeout "
                           "= ''10ms''', current_database()); END $$"),
            "");
  defineQueue("Q2");
  constexpr int kEach = 150;
  const auto putter = [&](const std::string& queue, const std::string& replyTo) {
    IkxQueueManager manager;
    IkxQueue target;
    attach(manager, target, queue);
    int failed = 0;
    for (int i = 0; i < kEach; ++i) {
      QueueMessage message = asking(report::kCoa, queue + " " + std::to_string(i));
      message.replyToQ = replyTo;
      failed += target.put(message) ? 0 : 1;
    }
    return failed;
  };
  auto one = std::async(std::launch::async, putter, "Q1", "Q2");
  auto other = std::async(std::launch::async, putter, "Q2", "Q1");
  EXPECT_EQ(one.get(), 0);
  EXPECT_EQ(other.get(), 0);
  EXPECT_EQ(depthOf("Q1"), 2 * kEach);
  EXPECT_EQ(depthOf("Q2"), 2 * kEach);
}

TEST_F(PostgresReports, TablesOfTheEarlierVersionKeepTheirMessagesWhenBroughtUpToDate) {
  putText(queue_, "kept", true);
  manager_.disconnect();
  stopManager();
  const std::string downgrade =
      "ALTER TABLE \"kx_QM1\".manager DROP COLUMN dead_letter, DROP COLUMN discarded_reports; "
      "UPDATE \"kx_QM1\".manager SET schema_version = 2";
  ASSERT_EQ(database_->run(downgrade), "");
  admin::CheckReport report;
  ASSERT_TRUE(admin::checkQueueManager(kManager, report));
  EXPECT_EQ(report.problems.size(), 1u);
  startManager();  // brings them up to date
  ASSERT_TRUE(admin::checkQueueManager(kManager, report));
  EXPECT_TRUE(report.problems.empty());
  EXPECT_EQ(report.messages, 1);

  // Running on tables of the earlier version, the manager keeps them as they are; stopped, it
  // is brought up to date when its dead-letter queue is named.
  ASSERT_EQ(database_->run(downgrade), "");
  admin::Status named = admin::setDeadLetterQueue(kManager, "REPLY");
  EXPECT_FALSE(named);
  EXPECT_EQ(named.reason, reason::kQueueManagerRunning);
  stopManager();
  named = admin::setDeadLetterQueue(kManager, "REPLY");
  ASSERT_TRUE(named) << named.message;
  startManager();
  ASSERT_TRUE(admin::checkQueueManager(kManager, report));
  EXPECT_TRUE(report.problems.empty());
  EXPECT_EQ(report.deadLetterQueue, "REPLY");

  // The columns work: a report for no queue goes to the dead-letter queue, and one that cannot
  // go there either is counted.
  attach(manager_, queue_);
  QueueMessage lost = asking(report::kCoa, "lost");
  lost.replyToQ = "NOWHERE";
  ASSERT_TRUE(queue_.put(lost)) << queue_.reason();
  QueueMessage discarded = asking(report::kCoa | report::kDiscardMsg, "discarded");
  discarded.replyToQ = "NOWHERE";
  ASSERT_TRUE(queue_.put(discarded)) << queue_.reason();
  ASSERT_TRUE(admin::checkQueueManager(kManager, report));
  EXPECT_EQ(report.discardedReports, 1);
  EXPECT_EQ(depthOf("REPLY"), 1);
  const auto messages = takeAll("Q1");
  ASSERT_EQ(messages.size(), 3u);
  EXPECT_EQ(textOf(messages.front()), "kept");
}

// A queue manager QM1 with queues Q1 and REPLY on a server of the test's own, whose waits are
// bounded at two seconds.
class PostgresReportsOwnServer : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("tarnix-reports-own-" + std::to_string(::getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_ / "data");
    ::setenv("KX_DATA_DIR", (dir_ / "data").c_str(), 1);
    server_ = std::make_unique<tarnix::testing::OwnPostgresServer>(dir_ / "server");
    ASSERT_TRUE(server_->ok()) << "the test's own PostgreSQL server did not start";
    const admin::Status made =
        admin::createPostgresQueueManager("QM1", server_->conninfo() + " connect_timeout=2");
    ASSERT_TRUE(made) << made.message;
    ASSERT_TRUE(admin::startQueueManager("QM1"));
    ASSERT_TRUE(admin::defineLocalQueue("QM1", "Q1", 1000));
    ASSERT_TRUE(admin::defineLocalQueue("QM1", "REPLY", 1000));
  }
  void TearDown() override {
    server_.reset();
    fs::remove_all(dir_);
  }

  static void connect(IkxQueueManager& manager, IkxQueue& queue, const std::string& name) {
    manager.setManagerName("QM1");
    ASSERT_TRUE(manager.connect()) << manager.reason();
    queue.bindManager(manager);
    queue.setQueueName(name);
  }

  fs::path dir_;
  std::unique_ptr<tarnix::testing::OwnPostgresServer> server_;
};

TEST_F(PostgresReportsOwnServer,
       ATakeWhoseCommitWentUnansweredKeepsItsDeliveryReportThroughACrash) {
  QueueMessage first = asking(report::kCodWithFullData, "first", true);
  {
    IkxQueueManager putter;
    IkxQueue queue;
    connect(putter, queue, "Q1");
    ASSERT_TRUE(queue.put(first)) << queue.reason();
    QueueMessage second = asking(0, "second", true);
    ASSERT_TRUE(queue.put(second)) << queue.reason();
  }
  // Commits now wait for a standby that never answers: the take of "first" and its report are
  // made for good, and the answer never comes.
  ASSERT_EQ(server_->run("ALTER SYSTEM SET synchronous_standby_names = 'nobody'"), "");
  ASSERT_EQ(server_->run("SELECT pg_reload_conf()"), "");
  std::this_thread::sleep_for(200ms);  // the reload reaches the server's processes
  IkxQueueManager manager;
  IkxQueue queue;
  connect(manager, queue, "Q1");
  QueueMessage taken;
  EXPECT_FALSE(queue.get(taken, GetOptions{}));
  EXPECT_EQ(queue.reason(), reason::kConnectionBroken);
  ASSERT_EQ(server_->run("ALTER SYSTEM RESET synchronous_standby_names"), "");
  ASSERT_TRUE(server_->crash());
  ASSERT_TRUE(server_->up());

  // The take and its report outlived the crash together: no one else is given "first", ...
  IkxQueueManager other;
  IkxQueue otherQueue;
  connect(other, otherQueue, "Q1");
  QueueMessage message;
  ASSERT_TRUE(otherQueue.get(message, GetOptions{})) << otherQueue.reason();
  EXPECT_EQ(textOf(message), "second");
  // ... its report is there once, ...
  IkxQueue replies;
  replies.bindManager(other);
  replies.setQueueName("REPLY");
  QueueMessage report;
  ASSERT_TRUE(replies.get(report, GetOptions{})) << replies.reason();
  EXPECT_EQ(report.feedback, feedback::kCod);
  EXPECT_EQ(report.correlId, first.msgId);
  EXPECT_EQ(textOf(report), "first");
  // ... and the object that took it has it once it is connected again, with no second report.
  manager.disconnect();
  ASSERT_TRUE(manager.connect()) << manager.reason();
  ASSERT_TRUE(queue.get(taken, GetOptions{})) << queue.reason();
  EXPECT_EQ(textOf(taken), "first");
  EXPECT_EQ(replies.queryDepth(), 0);
  EXPECT_EQ(queue.queryDepth(), 0);
}

}  // namespace
}  // namespace kx::testing
