#pragma once

#include <sqlite3.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/messaging/queue.h"
#include "platform/messaging/queue_manager.h"
#include "platform/messaging/store_admin.h"

// The set-up the benchmarks share. A step that fails stops the run, saying why: a figure taken
// on a set-up that went wrong would mislead.
namespace bench {

// Stops the run when a step of the store's set-up failed.
void check(const kx::admin::Status& status);

// A data directory of the run's own, named after `tag` and the process, in $KX_BENCH_DIR or the
// temporary directory, with the queue manager `manager` made and started in it. It becomes
// KX_DATA_DIR, and is removed when the run ends.
std::filesystem::path runStore(const std::string& tag, const std::string& manager);

// A connection to a running queue manager and queue objects bound to it; a queue is defined on
// first use with room for any run.
class ConnectedManager {
 public:
  explicit ConnectedManager(std::string manager);
  ~ConnectedManager();
  ConnectedManager(const ConnectedManager&) = delete;
  ConnectedManager& operator=(const ConnectedManager&) = delete;

  kx::IkxQueue& queue(const std::string& name);
  const std::string& name() const { return name_; }

 private:
  std::string name_;
  kx::IkxQueueManager manager_;
  std::vector<std::unique_ptr<kx::IkxQueue>> queues_;
};

// Fills the raw message table `table` (integer key, 24-byte id, body) with `count` rows of
// `size` bytes whose ids count from 0, in one transaction.
void fillRawTable(sqlite3* db, const std::string& table, std::int64_t count, std::size_t size);

}  // namespace bench
