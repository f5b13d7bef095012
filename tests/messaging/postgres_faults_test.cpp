// Faults of a PostgreSQL server under its clients: a crash under getters delivers no message twice
// and, for persistent messages, loses none; a take whose commit was made but never answered is
// delivered after the reconnect; a server that stops answering fails the call within the bound;
// a message another session held is the next one delivered once it is let go. Each test that
// crashes or stops its server has one of its own, so that the tests beside it never notice.
#include <gtest/gtest.h>
#include <libpq-fe.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <future>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/messaging/store_admin.h"
#include "tests/messaging/queue_fixture.h"
#include "tests/support/own_postgres_server.h"

namespace kx::testing {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

using OwnServer = tarnix::testing::OwnPostgresServer;

// A data directory and a running queue manager QM1 with queue Q1, kept on a server of the test's
// own; every wait on that server is bounded at two seconds.
class PostgresServerFaults : public ::testing::Test {
 protected:
  void SetUp() override {
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = fs::temp_directory_path() /
           ("tarnix-faults-" + std::string(info->name()) + "-" + std::to_string(::getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_ / "data");
    ::setenv("KX_DATA_DIR", (dir_ / "data").c_str(), 1);
    server_ = std::make_unique<OwnServer>(dir_ / "server");
    ASSERT_TRUE(server_->ok()) << "the test's own PostgreSQL server did not start";
    const admin::Status made =
        admin::createPostgresQueueManager(kManager, server_->conninfo() + " connect_timeout=2");
    ASSERT_TRUE(made) << made.message;
    ASSERT_TRUE(admin::startQueueManager(kManager));
    ASSERT_TRUE(admin::defineLocalQueue(kManager, "Q1", 999'999));
  }
  void TearDown() override {
    if (server_) server_->resume();
    server_.reset();
    fs::remove_all(dir_);
  }

  static void connect(IkxQueueManager& manager, IkxQueue& queue) {
    manager.setManagerName(kManager);
    ASSERT_TRUE(manager.connect()) << manager.reason();
    queue.bindManager(manager);
    queue.setQueueName("Q1");
  }

  // Loads `count` messages, drains them with four getters while the server crashes `crashes`
  // times, and gives how often each message id was delivered.
  std::map<std::string, int> drainThroughCrashes(int count, bool persistent, int crashes) {
    std::vector<std::uint8_t> body(100, 'm');
    EXPECT_TRUE(admin::loadMessages(kManager, "Q1", count, body, persistent));
    std::mutex mutex;
    std::map<std::string, int> deliveries;
    std::atomic<int> delivered{0};
    std::atomic<bool> lastCrashOver{false};
    std::vector<std::jthread> getters;
    getters.reserve(4);
    for (int i = 0; i < 4; ++i) {
      getters.emplace_back([&] {
        IkxQueueManager manager;
        manager.setManagerName(kManager);
        IkxQueue queue;
        queue.bindManager(manager);
        queue.setQueueName("Q1");
        for (;;) {
          if (!manager.connected() && !manager.connect()) {
            std::this_thread::sleep_for(20ms);
            continue;
          }
          QueueMessage message;
          if (queue.get(message, GetOptions{})) {
            const std::lock_guard lock(mutex);
            ++deliveries[message.msgId.toHex()];
            ++delivered;
          } else if (queue.reason() == reason::kNoMessageAvailable) {
            if (lastCrashOver) return;
            std::this_thread::sleep_for(10ms);
          } else {
            manager.disconnect();  // lost with the server: connect again once it is back
          }
        }
      });
    }
    for (int crash = 1; crash <= crashes; ++crash) {
      const auto deadline = Clock::now() + 20s;
      while (delivered < count * crash / (crashes + 1) && Clock::now() < deadline) {
        std::this_thread::sleep_for(5ms);
      }
      EXPECT_TRUE(server_->crash());
      EXPECT_TRUE(server_->up());
    }
    lastCrashOver = true;
    getters.clear();
    return deliveries;
  }

  static constexpr const char* kManager = "QM1";
  fs::path dir_;
  std::unique_ptr<OwnServer> server_;
};

// Runs `call` on a thread of its own; false when it has not returned within `limit`.
template <typename Call>
bool returnsWithin(std::chrono::seconds limit, Call call, const std::function<void()>& unblock) {
  auto done = std::async(std::launch::async, call);
  if (done.wait_for(limit) == std::future_status::ready) return true;
  unblock();
  done.wait();
  return false;
}

TEST_F(PostgresServerFaults, ACrashUnderFourGettersDeliversNoNonPersistentMessageTwice) {
  const int count = 6000;
  const auto deliveries = drainThroughCrashes(count, false, 1);
  int twice = 0;
  for (const auto& [id, times] : deliveries) twice += times > 1 ? 1 : 0;
  EXPECT_EQ(twice, 0) << "of " << deliveries.size() << " messages delivered";
  // What the crash did not let the getters take did not outlive it.
  IkxQueueManager manager;
  IkxQueue queue;
  connect(manager, queue);
  EXPECT_EQ(queue.queryDepth(), 0);
}

TEST_F(PostgresServerFaults, CrashesUnderFourGettersDeliverEachPersistentMessageOnce) {
  const int count = 4000;
  const auto deliveries = drainThroughCrashes(count, true, 3);
  int twice = 0;
  for (const auto& [id, times] : deliveries) twice += times > 1 ? 1 : 0;
  EXPECT_EQ(twice, 0);
  EXPECT_EQ(static_cast<int>(deliveries.size()), count) << "messages lost";
  IkxQueueManager manager;
  IkxQueue queue;
  connect(manager, queue);
  EXPECT_EQ(queue.queryDepth(), 0);
}

TEST_F(PostgresServerFaults, ATakeWhoseCommitWasNeverAnsweredIsDeliveredAfterTheReconnect) {
  {
    IkxQueueManager putter;
    IkxQueue queue;
    connect(putter, queue);
    for (const char* text : {"first", "second"}) {
      QueueMessage message;
      message.persistent = 1;
      message.setData(text, std::strlen(text));
      ASSERT_TRUE(queue.put(message)) << queue.reason();
    }
  }
  // Commits now wait for a standby that never answers: the take of "first" is made for good,
  // and its answer never comes.
  ASSERT_EQ(server_->run("ALTER SYSTEM SET synchronous_standby_names = 'nobody'"), "");
  ASSERT_EQ(server_->run("SELECT pg_reload_conf()"), "");
  std::this_thread::sleep_for(200ms);  // the reload reaches the server's processes
  IkxQueueManager manager;
  IkxQueue queue;
  connect(manager, queue);
  const auto released = [&] {
    server_->run("ALTER SYSTEM RESET synchronous_standby_names");
    server_->run("SELECT pg_reload_conf()");
  };
  QueueMessage taken;
  const auto started = Clock::now();
  ASSERT_TRUE(returnsWithin(
      15s, [&] { EXPECT_FALSE(queue.get(taken, GetOptions{})); }, released))
      << "the take waited on past its bound";
  EXPECT_LT(Clock::now() - started, 6s);
  EXPECT_EQ(queue.reason(), reason::kConnectionBroken);
  released();

  // No one else is given it, ...
  IkxQueueManager other;
  IkxQueue otherQueue;
  connect(other, otherQueue);
  QueueMessage message;
  ASSERT_TRUE(otherQueue.get(message, GetOptions{})) << otherQueue.reason();
  EXPECT_EQ(textOf(message), "second");
  // ... and the object that took it has it first once it is connected again, and only once.
  manager.disconnect();
  ASSERT_TRUE(manager.connect()) << manager.reason();
  QueueMessage first;
  ASSERT_TRUE(queue.get(first, GetOptions{})) << queue.reason();
  EXPECT_EQ(textOf(first), "first");
  EXPECT_TRUE(first.persistent);
  message = QueueMessage();
  EXPECT_FALSE(queue.get(message, GetOptions{}));
  EXPECT_EQ(queue.reason(), reason::kNoMessageAvailable);
  EXPECT_EQ(queue.queryDepth(), 0);
}

TEST_F(PostgresServerFaults, AServerThatStopsAnsweringFailsTheCallWithinTheBound) {
  IkxQueueManager manager;
  IkxQueue queue;
  connect(manager, queue);
  ASSERT_EQ(queue.queryDepth(), 0);
  ASSERT_TRUE(server_->pause());
  const auto resume = [&] { server_->resume(); };

  auto started = Clock::now();
  ASSERT_TRUE(returnsWithin(
      15s, [&] { EXPECT_EQ(queue.queryDepth(), -1); }, resume))
      << "the depth query waited for the stopped server";
  EXPECT_LT(Clock::now() - started, 5s);
  EXPECT_EQ(queue.reason(), reason::kConnectionBroken);
  // A connect meets the same bound, and says the server did not answer.
  manager.disconnect();
  started = Clock::now();
  ASSERT_TRUE(returnsWithin(
      15s, [&] { EXPECT_FALSE(manager.connect()); }, resume));
  EXPECT_LT(Clock::now() - started, 5s);

  ASSERT_TRUE(server_->resume());
  ASSERT_TRUE(manager.connect()) << manager.reason();
  EXPECT_EQ(queue.queryDepth(), 0);
}

class PostgresOrder : public QueueFixture {
 protected:
  tarnix::testing::Backend backend() const override { return tarnix::testing::Backend::kPostgres; }
};

TEST_F(PostgresOrder, AMessageAnotherSessionHeldIsTheNextDeliveredOnceLetGo) {
  for (int i = 1; i <= 20; ++i) putText(queue_, "m" + std::to_string(i));
  // Another session holds the oldest, as a take that will roll back does.
  PGconn* holder = PQconnectdb(database_->conninfo().c_str());
  ASSERT_EQ(PQstatus(holder), CONNECTION_OK);
  const auto exec = [&](const char* sql) {
    PGresult* result = PQexec(holder, sql);
    const ExecStatusType status = PQresultStatus(result);
    PQclear(result);
    return status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK;
  };
  ASSERT_TRUE(exec("BEGIN"));
  ASSERT_TRUE(exec("SELECT 1 FROM \"kx_QM1\".messages ORDER BY seq LIMIT 1 FOR UPDATE"));
  const auto next = [&] {
    QueueMessage message;
    EXPECT_TRUE(queue_.get(message, GetOptions{})) << queue_.reason();
    return textOf(message);
  };
  for (int i = 2; i <= 6; ++i) EXPECT_EQ(next(), "m" + std::to_string(i));
  ASSERT_TRUE(exec("ROLLBACK"));
  PQfinish(holder);
  EXPECT_EQ(next(), "m1");
  EXPECT_EQ(next(), "m7");
}

}  // namespace
}  // namespace kx::testing
