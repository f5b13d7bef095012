// The KX client layer's operations, each beside a raw SQLite baseline (kx_bench_raw.cpp) doing
// the bare SQL of the same work. bench/run.sh compares the medians.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "bench/bench_setup.h"
#include "bench/report_runs.h"
#include "platform/messaging/queue.h"
#include "platform/messaging/queue_manager.h"
#include "platform/messaging/store_admin.h"

namespace {

constexpr std::size_t kMessageSize = 1024;

// One store for the whole run, in $KX_BENCH_DIR or the temporary directory, removed at exit.
bench::ConnectedManager& benchStore() {
  static const std::filesystem::path dir = bench::runStore("kx", "BENCH");
  static bench::ConnectedManager manager("BENCH");
  return manager;
}

const std::vector<std::uint8_t>& body() {
  static const std::vector<std::uint8_t> bytes(kMessageSize, 0x42);
  return bytes;
}

void fill(const std::string& queue, std::int64_t count, std::size_t size) {
  const std::vector<std::uint8_t> data(size, 0x42);
  for (std::int64_t done = 0; done < count;) {
    const std::int64_t batch = std::min<std::int64_t>(count - done, 200'000);
    bench::check(kx::admin::loadMessages("BENCH", queue, batch, data, false));
    done += batch;
  }
}

void putLoop(benchmark::State& state, const std::string& name, bool persistent) {
  kx::IkxQueue& queue = benchStore().queue(name);
  std::int64_t removed = 0;
  bench::check(kx::admin::purgeQueue("BENCH", name, removed));
  kx::QueueMessage message;
  message.persistent = persistent ? 1 : 0;
  message.setData(body().data(), body().size());
  for (auto _ : state) {
    message.msgId.reset();  // a new id for every message
    if (!queue.put(message)) state.SkipWithError("put failed");
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_PutNonPersistent(benchmark::State& state) { putLoop(state, "PUT.NP", false); }
BENCHMARK(BM_PutNonPersistent)->UseRealTime();

void BM_PutPersistent(benchmark::State& state) { putLoop(state, "PUT.P", true); }
BENCHMARK(BM_PutPersistent)->UseRealTime();

void BM_GetDestructive(benchmark::State& state) {
  kx::IkxQueue& queue = benchStore().queue("GET");
  std::int64_t removed = 0;
  bench::check(kx::admin::purgeQueue("BENCH", "GET", removed));
  fill("GET", state.max_iterations, kMessageSize);
  kx::QueueMessage message;
  const kx::GetOptions options;
  for (auto _ : state) {
    message.msgId.reset();
    message.correlId.reset();
    if (!queue.get(message, options)) state.SkipWithError("get failed");
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_GetDestructive)->UseRealTime();

// Each put and each take also puts a report, in the same transaction.
void BM_PutWithReports(benchmark::State& state) {
  bench::putWithReports(state, benchStore(), kMessageSize);
}
BENCHMARK(BM_PutWithReports)->UseRealTime();

void BM_GetWithReports(benchmark::State& state) {
  bench::getWithReports(state, benchStore(), kMessageSize);
}
BENCHMARK(BM_GetWithReports)->UseRealTime();

void BM_BrowseNext(benchmark::State& state) {
  kx::IkxQueue& queue = benchStore().queue("BROWSE");
  if (queue.queryDepth() == 0) fill("BROWSE", 100'000, kMessageSize);
  kx::QueueMessage message;
  kx::GetOptions options{kx::getopt::kBrowseFirst};
  for (auto _ : state) {
    message.msgId.reset();
    message.correlId.reset();
    if (!queue.get(message, options)) {
      // Past the end: start over, as a monitor's next pass would.
      options.options = kx::getopt::kBrowseFirst;
      if (!queue.get(message, options)) state.SkipWithError("browse failed");
    }
    options.options = kx::getopt::kBrowseNext;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_BrowseNext)->UseRealTime();

void BM_DepthQuery(benchmark::State& state) {
  const std::string name = "DEPTH." + std::to_string(state.range(0));
  kx::IkxQueue& queue = benchStore().queue(name);
  if (queue.queryDepth() == 0) fill(name, state.range(0), 16);
  std::int64_t depth = 0;
  for (auto _ : state) {
    depth = queue.queryDepth();
    benchmark::DoNotOptimize(depth);
  }
  if (depth != state.range(0)) state.SkipWithError("wrong depth");
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DepthQuery)->Arg(1000)->Arg(1'000'000)->UseRealTime();

}  // namespace
