// The KX client layer on a queue manager kept in PostgreSQL, each operation beside raw libpq
// statements doing the same work (postgres_bench_raw.cpp); and many getters draining one queue
// at once against one getter alone. The server is the one $KX_TEST_POSTGRES names in a file:
// bench/run.sh starts a private one with its syncs on, ctest's smoke run the tests' own.
#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "bench/bench_setup.h"
#include "bench/report_runs.h"
#include "platform/messaging/queue.h"
#include "platform/messaging/queue_manager.h"
#include "platform/messaging/store_admin.h"
#include "tests/support/postgres_database.h"

namespace {

using bench::check;

namespace fs = std::filesystem;

constexpr std::size_t kMessageSize = 1024;
constexpr const char* kManager = "PGBENCH";

// One queue manager for the whole run, in a database of its own, removed at exit.
class BenchManager {
 public:
  BenchManager() {
    const auto server = tarnix::testing::testServer();
    if (!server) {
      std::fprintf(stderr, "no PostgreSQL server: set KX_TEST_POSTGRES (bench/run.sh does)\n");
      std::abort();
    }
    database_ = std::make_unique<tarnix::testing::PostgresDatabase>(*server);
    if (database_->conninfo().empty()) {
      std::fprintf(stderr, "bench set-up failed: %s\n", database_->problem().c_str());
      std::abort();
    }
    std::string pattern = (fs::temp_directory_path() / "kx_pgbench_XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    dir_ = pattern;
    ::setenv("KX_DATA_DIR", dir_.c_str(), 1);
    check(kx::admin::createPostgresQueueManager(kManager, database_->conninfo()));
    check(kx::admin::startQueueManager(kManager));
    connected_ = std::make_unique<bench::ConnectedManager>(kManager);
  }
  ~BenchManager() {
    connected_.reset();
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }
  static BenchManager& instance() {
    static BenchManager manager;
    return manager;
  }

  kx::IkxQueue& queue(const std::string& name) { return connected_->queue(name); }
  bench::ConnectedManager& connected() { return *connected_; }

 private:
  std::unique_ptr<tarnix::testing::PostgresDatabase> database_;
  fs::path dir_;
  std::unique_ptr<bench::ConnectedManager> connected_;
};

void fill(const std::string& queue, std::int64_t count, std::size_t size, bool persistent) {
  const std::vector<std::uint8_t> data(size, 0x42);
  for (std::int64_t done = 0; done < count;) {
    const std::int64_t batch = std::min<std::int64_t>(count - done, 100'000);
    check(kx::admin::loadMessages(kManager, queue, batch, data, persistent));
    done += batch;
  }
}

void putLoop(benchmark::State& state, const std::string& name, bool persistent) {
  kx::IkxQueue& queue = BenchManager::instance().queue(name);
  std::int64_t removed = 0;
  check(kx::admin::purgeQueue(kManager, name, removed));
  const std::vector<std::uint8_t> body(kMessageSize, 0x42);
  kx::QueueMessage message;
  message.persistent = persistent ? 1 : 0;
  message.setData(body.data(), body.size());
  for (auto _ : state) {
    message.msgId.reset();
    if (!queue.put(message)) state.SkipWithError("put failed");
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_Pg_PutNonPersistent(benchmark::State& state) { putLoop(state, "PUT.NP", false); }
BENCHMARK(BM_Pg_PutNonPersistent)->UseRealTime();

void BM_Pg_PutPersistent(benchmark::State& state) { putLoop(state, "PUT.P", true); }
BENCHMARK(BM_Pg_PutPersistent)->UseRealTime();

void BM_Pg_GetDestructive(benchmark::State& state) {
  kx::IkxQueue& queue = BenchManager::instance().queue("GET");
  std::int64_t removed = 0;
  check(kx::admin::purgeQueue(kManager, "GET", removed));
  fill("GET", state.max_iterations, kMessageSize, false);
  kx::QueueMessage message;
  const kx::GetOptions options;
  for (auto _ : state) {
    message.msgId.reset();
    message.correlId.reset();
    if (!queue.get(message, options)) state.SkipWithError("get failed");
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Pg_GetDestructive)->UseRealTime();

// Each put and each take also puts a report, in the same transaction.
void BM_Pg_PutWithReports(benchmark::State& state) {
  bench::putWithReports(state, BenchManager::instance().connected(), kMessageSize);
}
BENCHMARK(BM_Pg_PutWithReports)->UseRealTime();

void BM_Pg_GetWithReports(benchmark::State& state) {
  bench::getWithReports(state, BenchManager::instance().connected(), kMessageSize);
}
BENCHMARK(BM_Pg_GetWithReports)->UseRealTime();

void BM_Pg_DepthQuery(benchmark::State& state) {
  const std::string name = "DEPTH." + std::to_string(state.range(0));
  kx::IkxQueue& queue = BenchManager::instance().queue(name);
  if (queue.queryDepth() == 0) fill(name, state.range(0), 16, false);
  std::int64_t depth = 0;
  for (auto _ : state) {
    depth = queue.queryDepth();
    benchmark::DoNotOptimize(depth);
  }
  if (depth != state.range(0)) state.SkipWithError("wrong depth");
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Pg_DepthQuery)->Arg(1000)->Arg(1'000'000)->UseRealTime();

// Getters on connections of their own, each taking persistent messages until the queue is
// empty; every message is taken exactly once.
void BM_Pg_Drain(benchmark::State& state) {
  const auto getters = static_cast<int>(state.range(0));
  const std::int64_t messages = state.range(1);
  const std::string name = "DRAIN." + std::to_string(getters);
  BenchManager::instance().queue(name);
  for (auto _ : state) {
    fill(name, messages, kMessageSize, true);
    std::atomic<std::int64_t> taken{0};
    std::atomic<bool> failed{false};
    const auto start = std::chrono::steady_clock::now();
    std::vector<std::jthread> threads;
    threads.reserve(getters);
    for (int i = 0; i < getters; ++i) {
      threads.emplace_back([&] {
        kx::IkxQueueManager manager;
        manager.setManagerName(kManager);
        kx::IkxQueue queue;
        queue.bindManager(manager);
        queue.setQueueName(name);
        if (!manager.connect()) {
          failed = true;
          return;
        }
        kx::QueueMessage message;
        while (queue.get(message, kx::GetOptions{})) {
          ++taken;
          message.msgId.reset();
          message.correlId.reset();
        }
        if (queue.reason() != kx::reason::kNoMessageAvailable) failed = true;
      });
    }
    threads.clear();
    state.SetIterationTime(
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    if (failed || taken != messages) state.SkipWithError("the getters did not take every message");
  }
  state.SetItemsProcessed(state.iterations() * messages);
}
BENCHMARK(BM_Pg_Drain)
    ->Args({1, 100'000})
    ->Args({8, 100'000})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
