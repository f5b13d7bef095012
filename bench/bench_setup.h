#pragma once

#include <sqlite3.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

#include "platform/messaging/store_admin.h"

// The set-up the benchmarks share. A step that fails stops the run, saying why: a figure taken
// on a set-up that went wrong would mislead.
namespace bench {

// Stops the run when a step of the store's set-up failed.
void check(const kx::admin::Status& status);

// A data directory of the run's own, named after `tag` and the process, with the queue manager
// `manager` made and started in it. It becomes KX_DATA_DIR, and is removed when the run ends.
std::filesystem::path runStore(const std::string& tag, const std::string& manager);

// Fills the raw message table `table` (integer key, 24-byte id, body) with `count` rows of
// `size` bytes whose ids count from 0, in one transaction.
void fillRawTable(sqlite3* db, const std::string& table, std::int64_t count, std::size_t size);

}  // namespace bench
