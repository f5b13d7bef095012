#include "bench/bench_setup.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace bench {
namespace {

void checkSql(int rc, sqlite3* db) {
  if (rc == SQLITE_OK || rc == SQLITE_DONE) return;
  std::fprintf(stderr, "raw set-up failed: %s\n", sqlite3_errmsg(db));
  std::abort();
}

}  // namespace

void check(const kx::admin::Status& status) {
  if (!status) {
    std::fprintf(stderr, "bench set-up failed: %s\n", status.message.c_str());
    std::abort();
  }
}

std::filesystem::path runStore(const std::string& tag, const std::string& manager) {
  namespace fs = std::filesystem;
  fs::path dir =
      fs::temp_directory_path() / ("tarnix-" + tag + "-bench-" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  ::setenv("KX_DATA_DIR", dir.c_str(), 1);
  check(kx::admin::createQueueManager(manager));
  check(kx::admin::startQueueManager(manager));
  std::atexit([] { fs::remove_all(fs::path(std::getenv("KX_DATA_DIR"))); });
  return dir;
}

void fillRawTable(sqlite3* db, const std::string& table, std::int64_t count, std::size_t size) {
  const std::vector<std::uint8_t> data(size, 0x42);
  checkSql(sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr), db);
  sqlite3_stmt* insert = nullptr;
  const std::string sql = "INSERT INTO " + table + "(msg_id, data) VALUES (?1, ?2)";
  checkSql(sqlite3_prepare_v2(db, sql.c_str(), -1, &insert, nullptr), db);
  for (std::int64_t i = 0; i < count; ++i) {
    std::uint8_t id[24] = {};
    std::memcpy(id, &i, sizeof i);
    sqlite3_bind_blob(insert, 1, id, sizeof id, SQLITE_STATIC);
    sqlite3_bind_blob(insert, 2, data.data(), static_cast<int>(data.size()), SQLITE_STATIC);
    sqlite3_step(insert);
    sqlite3_reset(insert);
  }
  sqlite3_finalize(insert);
  checkSql(sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), db);
}

}  // namespace bench
