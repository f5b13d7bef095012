#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/messaging/store/internal.h"
#include "platform/messaging/store/sqlite/sqlite_db.h"
#include "platform/messaging/store_admin.h"

// What a salvage reads of a damaged embedded store: the queue definitions, the message tables and
// the messages that still make sense, each read past any damage.
namespace kx::admin::sqlite {

// A queue as the salvaged store will hold it.
struct Queue {
  std::int64_t id = 0;
  std::string name;
  std::optional<std::string> aliasFor;
  std::int64_t maxDepth = kDefaultMaxDepth;
  std::optional<std::int64_t> depth;  // the counter, when the definition could be read
  std::int64_t nextSeq = 0;
  bool definitionLost = false;
};

// The queue definitions that can be read. Those that cannot are found again by their message
// tables; aliases whose rows are lost are gone. `unreadable` counts the rows that could not.
ReasonCode readQueues(Database& old, std::vector<Queue>& queues, std::int64_t& unreadable);

// The ids of the message tables the store holds, read from SQLite's own list of tables.
ReasonCode messageTables(Database& old, std::set<std::int64_t>& ids);

// What was copied of one queue's messages.
struct Copied {
  std::int64_t messages = 0;
  std::int64_t withExpiry = 0;
  std::int64_t lastSeq = 0;
  std::int64_t unreadable = 0;
  bool damageMet = false;
};

// Copies the messages of a local queue that can be read from the old store's table into the new
// store's (which exists, empty).
ReasonCode copyMessages(Database& old, Database& fresh, std::int64_t queueId, Copied& copied);

}  // namespace kx::admin::sqlite
