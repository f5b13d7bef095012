// One tick of the depth poll over five deep queues, beside the bare reads of the store it needs:
// the depth and the maximum depth of each queue.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "bench/bench_setup.h"
#include "monitor/monitor_dialog.h"
#include "platform/messaging/store_admin.h"
#include "platform/toolkit/headless/headless_toolkit.h"

namespace {

namespace fs = std::filesystem;
using bench::check;

constexpr const char* kManager = "POLL";
constexpr int kQueues = 5;
constexpr std::int64_t kDepth = 100'000;

std::string queueName(int k) { return "DEEP.Q" + std::to_string(k + 1); }

// A store of five queues 100,000 messages deep, made once for the whole run.
const fs::path& storeFile() {
  static const fs::path file = [] {
    const fs::path dir = bench::runStore("poll", kManager);
    const std::vector<std::uint8_t> data(64, 0x42);
    for (int k = 0; k < kQueues; ++k) {
      check(kx::admin::defineLocalQueue(kManager, queueName(k), 200'000));
      check(kx::admin::loadMessages(kManager, queueName(k), kDepth, data, false));
    }
    return dir / (std::string(kManager) + ".qmgr");
  }();
  return file;
}

void BM_PollTick(benchmark::State& state) {
  storeFile();
  tk::HeadlessToolkit toolkit;
  tarnix::MonitorDialog dialog;
  dialog.setManagerName(kManager);
  std::vector<std::string> names;
  names.reserve(kQueues);
  for (int k = 0; k < kQueues; ++k) names.push_back(queueName(k));
  dialog.setQueueNames(names);
  tk::HeadlessWindow& window = toolkit.open(dialog);
  for (auto _ : state) window.fireTimer();
  if (window.textOf(tarnix::ctl::depthBox(4)) != std::to_string(kDepth)) {
    state.SkipWithError("the poll did not show the depth");
  }
  window.close();
}
BENCHMARK(BM_PollTick)->UseRealTime();

void BM_Raw_TenReads(benchmark::State& state) {
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(storeFile().c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
    state.SkipWithError("open failed");
    return;
  }
  sqlite3_stmt* depth = nullptr;
  sqlite3_stmt* maxDepth = nullptr;
  sqlite3_prepare_v2(db, "SELECT depth FROM queues WHERE name = ?", -1, &depth, nullptr);
  sqlite3_prepare_v2(db, "SELECT max_depth FROM queues WHERE name = ?", -1, &maxDepth, nullptr);
  std::vector<std::string> names;
  names.reserve(kQueues);
  for (int k = 0; k < kQueues; ++k) names.push_back(queueName(k));
  std::int64_t sum = 0;
  for (auto _ : state) {
    for (const std::string& name : names) {
      for (sqlite3_stmt* statement : {depth, maxDepth}) {
        sqlite3_bind_text(statement, 1, name.data(), static_cast<int>(name.size()), SQLITE_STATIC);
        if (sqlite3_step(statement) == SQLITE_ROW) sum += sqlite3_column_int64(statement, 0);
        sqlite3_reset(statement);
      }
    }
  }
  benchmark::DoNotOptimize(sum);
  sqlite3_finalize(depth);
  sqlite3_finalize(maxDepth);
  sqlite3_close(db);
}
BENCHMARK(BM_Raw_TenReads)->UseRealTime();

}  // namespace
