// Raw SQLite baselines: the bare SQL of the work each KX benchmark does, on a table of the same
// kind (integer key, 24-byte id, 1 KB body), with statements prepared once and reused.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/bench_setup.h"

namespace {

namespace fs = std::filesystem;

constexpr std::size_t kRawMessageSize = 1024;

class RawDb {
 public:
  RawDb() {
    const char* base = std::getenv("KX_BENCH_DIR");
    std::string pattern =
        ((base != nullptr && *base != '\0') ? fs::path(base) : fs::temp_directory_path()) /
        "kx_raw_XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    dir_ = pattern;
    check(sqlite3_open((dir_ / "raw.db").c_str(), &db_));
    exec("PRAGMA journal_mode = WAL");
    exec("PRAGMA synchronous = NORMAL");
  }
  ~RawDb() {
    sqlite3_close_v2(db_);
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }
  static RawDb& instance() {
    static RawDb db;
    return db;
  }

  void exec(const std::string& sql) {
    check(sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr));
  }
  sqlite3_stmt* prepare(const char* sql) {
    sqlite3_stmt* stmt = nullptr;
    check(sqlite3_prepare_v3(db_, sql, -1, SQLITE_PREPARE_PERSISTENT, &stmt, nullptr));
    return stmt;
  }
  // A fresh message table of the given name.
  void table(const std::string& name) {
    exec("DROP TABLE IF EXISTS " + name);
    exec("CREATE TABLE " + name +
         "(id INTEGER PRIMARY KEY, msg_id BLOB NOT NULL, data BLOB NOT NULL)");
    exec("PRAGMA wal_checkpoint(PASSIVE)");
  }
  void fill(const std::string& name, std::int64_t count, std::size_t size) {
    bench::fillRawTable(db_, name, count, size);
    exec("PRAGMA wal_checkpoint(PASSIVE)");
  }
  static void check(int rc) {
    if (rc != SQLITE_OK) {
      std::fprintf(stderr, "raw set-up failed: %s\n", sqlite3_errstr(rc));
      std::abort();
    }
  }

 private:
  fs::path dir_;
  sqlite3* db_ = nullptr;
};

void rawPut(benchmark::State& state, const char* synchronous) {
  RawDb& db = RawDb::instance();
  db.table("put");
  db.exec(std::string("PRAGMA synchronous = ") + synchronous);
  sqlite3_stmt* insert = db.prepare("INSERT INTO put(msg_id, data) VALUES (?1, ?2)");
  const std::vector<std::uint8_t> data(kRawMessageSize, 0x42);
  std::uint64_t counter = 0;
  for (auto _ : state) {
    std::uint8_t id[24] = {};
    ++counter;
    std::memcpy(id + 8, &counter, sizeof counter);
    sqlite3_bind_blob(insert, 1, id, sizeof id, SQLITE_STATIC);
    sqlite3_bind_blob(insert, 2, data.data(), static_cast<int>(data.size()), SQLITE_STATIC);
    if (sqlite3_step(insert) != SQLITE_DONE) state.SkipWithError("insert failed");
    sqlite3_reset(insert);
  }
  sqlite3_finalize(insert);
  db.exec("PRAGMA synchronous = NORMAL");
  state.SetItemsProcessed(state.iterations());
}

void BM_Raw_PutNonPersistent(benchmark::State& state) { rawPut(state, "NORMAL"); }
BENCHMARK(BM_Raw_PutNonPersistent)->UseRealTime();

void BM_Raw_PutPersistent(benchmark::State& state) { rawPut(state, "FULL"); }
BENCHMARK(BM_Raw_PutPersistent)->UseRealTime();

void BM_Raw_GetDestructive(benchmark::State& state) {
  RawDb& db = RawDb::instance();
  db.table("get");
  db.fill("get", state.max_iterations, kRawMessageSize);
  sqlite3_stmt* begin = db.prepare("BEGIN IMMEDIATE");
  sqlite3_stmt* select = db.prepare("SELECT id, msg_id, data FROM get ORDER BY id LIMIT 1");
  sqlite3_stmt* erase = db.prepare("DELETE FROM get WHERE id = ?1");
  sqlite3_stmt* commit = db.prepare("COMMIT");
  std::vector<std::uint8_t> out;
  for (auto _ : state) {
    sqlite3_step(begin);
    sqlite3_reset(begin);
    if (sqlite3_step(select) != SQLITE_ROW) state.SkipWithError("select failed");
    const auto id = sqlite3_column_int64(select, 0);
    const auto* bytes = static_cast<const std::uint8_t*>(sqlite3_column_blob(select, 2));
    out.assign(bytes, bytes + sqlite3_column_bytes(select, 2));
    sqlite3_reset(select);
    sqlite3_bind_int64(erase, 1, id);
    sqlite3_step(erase);
    sqlite3_reset(erase);
    if (sqlite3_step(commit) != SQLITE_DONE) state.SkipWithError("commit failed");
    sqlite3_reset(commit);
  }
  for (auto* stmt : {begin, select, erase, commit}) sqlite3_finalize(stmt);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Raw_GetDestructive)->UseRealTime();

void BM_Raw_BrowseNext(benchmark::State& state) {
  RawDb& db = RawDb::instance();
  static bool filled = false;
  if (!filled) {
    db.table("browse");
    db.fill("browse", 100'000, kRawMessageSize);
    filled = true;
  }
  sqlite3_stmt* next =
      db.prepare("SELECT id, msg_id, data FROM browse WHERE id > ?1 ORDER BY id LIMIT 1");
  std::int64_t cursor = 0;
  std::vector<std::uint8_t> out;
  for (auto _ : state) {
    sqlite3_bind_int64(next, 1, cursor);
    if (sqlite3_step(next) == SQLITE_ROW) {
      cursor = sqlite3_column_int64(next, 0);
      const auto* bytes = static_cast<const std::uint8_t*>(sqlite3_column_blob(next, 2));
      out.assign(bytes, bytes + sqlite3_column_bytes(next, 2));
    } else {
      cursor = 0;
    }
    sqlite3_reset(next);
  }
  sqlite3_finalize(next);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Raw_BrowseNext)->UseRealTime();

void BM_Raw_DepthQuery(benchmark::State& state) {
  RawDb& db = RawDb::instance();
  const std::string name = "depth" + std::to_string(state.range(0));
  static std::vector<std::string> made;
  if (std::find(made.begin(), made.end(), name) == made.end()) {
    db.table(name);
    db.fill(name, state.range(0), 16);
    db.exec("CREATE TABLE IF NOT EXISTS counters(name TEXT PRIMARY KEY, depth INTEGER)");
    db.exec("INSERT OR REPLACE INTO counters VALUES ('" + name + "', " +
            std::to_string(state.range(0)) + ")");
    made.push_back(name);
  }
  sqlite3_stmt* depth = db.prepare("SELECT depth FROM counters WHERE name = ?1");
  for (auto _ : state) {
    sqlite3_bind_text(depth, 1, name.data(), static_cast<int>(name.size()), SQLITE_STATIC);
    if (sqlite3_step(depth) != SQLITE_ROW) state.SkipWithError("select failed");
    benchmark::DoNotOptimize(sqlite3_column_int64(depth, 0));
    sqlite3_reset(depth);
  }
  sqlite3_finalize(depth);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Raw_DepthQuery)->Arg(1000)->Arg(1'000'000)->UseRealTime();

}  // namespace
