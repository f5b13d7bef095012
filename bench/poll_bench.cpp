// One tick of the depth poll over five deep queues, with and without its depth history, beside
// the bare reads of the store it needs: the depth and the maximum depth of each queue.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "bench/bench_setup.h"
#include "history/depth_history.h"
#include "monitor/monitor_dialog.h"
#include "platform/history/history_file.h"
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

// One tick, with the depth history kept in a file of the run's own when `history` is given. The
// history's clock moves a second a tick, as at the default refresh rate, so its batches are
// written as often as in use (every 30 ticks) and its thinning runs once the first hour is past.
void pollTicks(benchmark::State& state, tarnix::DepthHistory* history, tarnix::TimeMs* now) {
  storeFile();
  tk::HeadlessToolkit toolkit;
  tarnix::MonitorDialog dialog;
  dialog.keepHistory(history, nullptr);
  dialog.setManagerName(kManager);
  std::vector<std::string> names;
  names.reserve(kQueues);
  for (int k = 0; k < kQueues; ++k) names.push_back(queueName(k));
  dialog.setQueueNames(names);
  tk::HeadlessWindow& window = toolkit.open(dialog);
  for (auto _ : state) {
    if (now != nullptr) *now += tarnix::kSecondMs;
    window.fireTimer();
  }
  if (window.textOf(tarnix::ctl::depthBox(4)) != std::to_string(kDepth)) {
    state.SkipWithError("the poll did not show the depth");
  }
  window.close();
}

void BM_PollTick(benchmark::State& state) { pollTicks(state, nullptr, nullptr); }
BENCHMARK(BM_PollTick)->UseRealTime();

void BM_PollTickWithHistory(benchmark::State& state) {
  const fs::path file = storeFile().parent_path() / "state" / "depth-history.sqlite";
  fs::remove_all(file.parent_path());
  std::string why;
  std::unique_ptr<tarnix::HistoryFile> store = tarnix::HistoryFile::open(file, why);
  if (!store) {
    state.SkipWithError(why.c_str());
    return;
  }
  tarnix::TimeMs now = 1'800'000'000'000;
  bool failed = false;
  {
    tarnix::DepthHistory history(
        store.get(), [&now] { return now; }, [&failed](const std::string&) { failed = true; });
    pollTicks(state, &history, &now);
  }
  if (failed) state.SkipWithError("the history file failed");
}
BENCHMARK(BM_PollTickWithHistory)->UseRealTime();

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
