// The monitor's two destructive operations beside the bare SQL of the same work:
//   taking message 1000 of a queue 100,000 deep (browse to it, take it under the cursor), beside
//   1001 raw browses and one raw delete; and the whole Remove click, which then shows the message
//   that moved up (1001 browses more), beside 2002 raw browses and one raw delete;
//   emptying a queue of 100,000 non-persistent messages, beside a raw select-and-delete loop.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "bench/bench_setup.h"
#include "monitor/monitor_dialog.h"
#include "platform/messaging/store_admin.h"
#include "platform/toolkit/headless/headless_toolkit.h"

namespace {

namespace fs = std::filesystem;
using bench::check;

constexpr const char* kManager = "REMOVAL";
constexpr std::int64_t kDepth = 100'000;
constexpr int kPosition = 1000;
constexpr std::size_t kMessageSize = 64;

void check(int rc) {
  if (rc != SQLITE_OK && rc != SQLITE_DONE) {
    std::fprintf(stderr, "raw set-up failed: %s\n", sqlite3_errstr(rc));
    std::abort();
  }
}

// One data directory for the run: the queue manager of the monitor's side, and the raw database.
const fs::path& benchDir() {
  static const fs::path dir = bench::runStore("removal", kManager);
  return dir;
}

void fillQueue(const std::string& queue, std::int64_t count) {
  const std::vector<std::uint8_t> data(kMessageSize, 0x42);
  check(kx::admin::loadMessages(kManager, queue, count, data, false));
}

// The monitor window on one queue, on the headless toolkit, with no question before emptying.
class Monitor {
 public:
  explicit Monitor(const std::string& queue) {
    dialog_.setManagerName(kManager);
    const std::vector<std::string> names{queue};
    dialog_.setQueueNames(names);
    window_ = &toolkit_.open(dialog_);
    window_->click(tarnix::ctl::kConfirmDelete);
  }
  ~Monitor() { window_->close(); }
  tk::HeadlessWindow& window() { return *window_; }
  tarnix::MonitorDialog& dialog() { return dialog_; }

 private:
  tk::HeadlessToolkit toolkit_;
  tarnix::MonitorDialog dialog_;
  tk::HeadlessWindow* window_ = nullptr;
};

// A raw table of the same kind as the messages' (integer key, 24-byte id, body).
class RawTable {
 public:
  explicit RawTable(std::string name) : name_(std::move(name)) {
    check(sqlite3_open((benchDir() / "raw.db").c_str(), &db_));
    exec("PRAGMA journal_mode = WAL; PRAGMA synchronous = NORMAL");
    exec("DROP TABLE IF EXISTS " + name_);
    exec("CREATE TABLE " + name_ +
         "(id INTEGER PRIMARY KEY, msg_id BLOB NOT NULL, data BLOB NOT NULL)");
  }
  ~RawTable() {
    for (sqlite3_stmt* statement : statements_) sqlite3_finalize(statement);
    sqlite3_close_v2(db_);
  }

  void exec(const std::string& sql) {
    check(sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr));
  }
  sqlite3_stmt* prepare(const std::string& sql) {
    sqlite3_stmt* statement = nullptr;
    check(sqlite3_prepare_v2(db_, sql.c_str(), -1, &statement, nullptr));
    statements_.push_back(statement);
    return statement;
  }
  void fill(std::int64_t count) { bench::fillRawTable(db_, name_, count, kMessageSize); }
  const std::string& name() const { return name_; }

 private:
  std::string name_;
  sqlite3* db_ = nullptr;
  std::vector<sqlite3_stmt*> statements_;
};

void BM_TakeNthMessage(benchmark::State& state) {
  benchDir();
  check(kx::admin::defineLocalQueue(kManager, "TAKE.Q", 200'000));
  fillQueue("TAKE.Q", kDepth);
  {
    Monitor monitor("TAKE.Q");
    for (auto _ : state) {
      if (!monitor.dialog().messageRemoval().takeNthMessage(0, kPosition))
        state.SkipWithError("nothing taken");
    }
  }
  check(kx::admin::deleteQueue(kManager, "TAKE.Q", true));
}
BENCHMARK(BM_TakeNthMessage)->UseRealTime();

void BM_RemoveMessage(benchmark::State& state) {
  benchDir();
  check(kx::admin::defineLocalQueue(kManager, "REMOVE.Q", 200'000));
  fillQueue("REMOVE.Q", kDepth);
  {
    Monitor monitor("REMOVE.Q");
    tk::HeadlessWindow& w = monitor.window();
    w.setText(tarnix::ctl::kNumber, std::to_string(kPosition));
    for (auto _ : state) w.click(tarnix::ctl::kRemove);
    if (w.textOf(tarnix::ctl::kMsgLength) != std::to_string(kMessageSize)) {
      state.SkipWithError("the removal did not show the next message");
    }
  }
  check(kx::admin::deleteQueue(kManager, "REMOVE.Q", true));
}
BENCHMARK(BM_RemoveMessage)->UseRealTime();

// Browses to row N and deletes it, then (with `display`) browses rows 1 to N again, as the
// display that follows a removal does.
void rawRemove(benchmark::State& state, bool display) {
  RawTable table(display ? "remove" : "take");
  table.fill(kDepth);
  sqlite3_stmt* next = table.prepare("SELECT id, msg_id, data FROM " + table.name() +
                                     " WHERE id > ?1 ORDER BY id LIMIT 1");
  sqlite3_stmt* erase = table.prepare("DELETE FROM " + table.name() + " WHERE id = ?1");
  std::vector<std::uint8_t> out;
  auto browse = [&](std::int64_t after) {
    sqlite3_bind_int64(next, 1, after);
    std::int64_t id = 0;
    if (sqlite3_step(next) == SQLITE_ROW) {
      id = sqlite3_column_int64(next, 0);
      const auto* bytes = static_cast<const std::uint8_t*>(sqlite3_column_blob(next, 2));
      out.assign(bytes, bytes + sqlite3_column_bytes(next, 2));
    }
    sqlite3_reset(next);
    return id;
  };
  for (auto _ : state) {
    std::int64_t cursor = 0;
    for (int k = 0; k < kPosition; ++k) cursor = browse(cursor);
    benchmark::DoNotOptimize(browse(cursor - 1));  // the take reads the row under the cursor
    sqlite3_bind_int64(erase, 1, cursor);
    if (sqlite3_step(erase) != SQLITE_DONE) state.SkipWithError("delete failed");
    sqlite3_reset(erase);
    if (display) {
      cursor = 0;
      for (int k = 0; k <= kPosition; ++k) cursor = browse(cursor);
    }
  }
}

void BM_Raw_TakeNthMessage(benchmark::State& state) { rawRemove(state, false); }
BENCHMARK(BM_Raw_TakeNthMessage)->UseRealTime();

void BM_Raw_RemoveMessage(benchmark::State& state) { rawRemove(state, true); }
BENCHMARK(BM_Raw_RemoveMessage)->UseRealTime();

void BM_EmptyQueue(benchmark::State& state) {
  benchDir();
  check(kx::admin::defineLocalQueue(kManager, "EMPTY.Q", 200'000));
  {
    Monitor monitor("EMPTY.Q");
    for (auto _ : state) {
      state.PauseTiming();
      fillQueue("EMPTY.Q", kDepth);
      state.ResumeTiming();
      monitor.window().click(tarnix::ctl::emptyButton(0));
    }
  }
  std::vector<kx::admin::QueueInfo> queues;
  check(kx::admin::listQueues(kManager, queues));
  for (const auto& queue : queues) {
    if (queue.name == "EMPTY.Q" && queue.depth != 0) state.SkipWithError("not emptied");
  }
  check(kx::admin::deleteQueue(kManager, "EMPTY.Q", true));
  state.SetItemsProcessed(state.iterations() * kDepth);
}
BENCHMARK(BM_EmptyQueue)->Iterations(1)->UseRealTime();

void BM_Raw_EmptyQueue(benchmark::State& state) {
  RawTable table("empty");
  sqlite3_stmt* begin = table.prepare("BEGIN IMMEDIATE");
  sqlite3_stmt* first = table.prepare("SELECT id FROM " + table.name() + " ORDER BY id LIMIT 1");
  sqlite3_stmt* erase = table.prepare("DELETE FROM " + table.name() + " WHERE id = ?1");
  sqlite3_stmt* commit = table.prepare("COMMIT");
  for (auto _ : state) {
    state.PauseTiming();
    table.fill(kDepth);
    state.ResumeTiming();
    for (;;) {
      sqlite3_step(begin);
      sqlite3_reset(begin);
      const bool found = sqlite3_step(first) == SQLITE_ROW;
      const std::int64_t id = found ? sqlite3_column_int64(first, 0) : 0;
      sqlite3_reset(first);
      if (found) {
        sqlite3_bind_int64(erase, 1, id);
        sqlite3_step(erase);
        sqlite3_reset(erase);
      }
      sqlite3_step(commit);
      sqlite3_reset(commit);
      if (!found) break;
    }
  }
  state.SetItemsProcessed(state.iterations() * kDepth);
}
BENCHMARK(BM_Raw_EmptyQueue)->Iterations(1)->UseRealTime();

}  // namespace
