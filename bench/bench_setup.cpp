#include "bench/bench_setup.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>
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
  const char* base = std::getenv("KX_BENCH_DIR");
  fs::path dir = ((base != nullptr && *base != '\0') ? fs::path(base) : fs::temp_directory_path()) /
                 ("tarnix-" + tag + "-bench-" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  ::setenv("KX_DATA_DIR", dir.c_str(), 1);
  check(kx::admin::createQueueManager(manager));
  check(kx::admin::startQueueManager(manager));
  std::atexit([] { fs::remove_all(fs::path(std::getenv("KX_DATA_DIR"))); });
  return dir;
}

ConnectedManager::ConnectedManager(std::string manager) : name_(std::move(manager)) {
  manager_.setManagerName(name_);
  if (!manager_.connect()) {
    std::fprintf(stderr, "bench set-up failed: cannot connect to %s (%d)\n", name_.c_str(),
                 manager_.reason());
    std::abort();
  }
}

ConnectedManager::~ConnectedManager() {
  queues_.clear();
  manager_.disconnect();
}

kx::IkxQueue& ConnectedManager::queue(const std::string& name) {
  for (auto& queue : queues_) {
    if (queue->queueName() == name) return *queue;
  }
  constexpr std::int32_t kHugeDepth = 999'999'999;
  check(kx::admin::defineLocalQueue(name_, name, kHugeDepth));
  auto queue = std::make_unique<kx::IkxQueue>();
  queue->bindManager(manager_);
  queue->setQueueName(name);
  queues_.push_back(std::move(queue));
  return *queues_.back();
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
