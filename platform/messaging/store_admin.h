#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/messaging/reason_codes.h"
#include "platform/messaging/store_location.h"

// Administration of the embedded store: what kxadmin and the tests use to make queue managers
// and queues. Works on stopped and running queue managers alike, from any process.
namespace kx::admin {

struct Status {
  ReasonCode reason = reason::kNone;
  // One line saying what was wrong and what was kept; on success, empty or a note to pass on.
  std::string message;
  explicit operator bool() const { return reason == reason::kNone; }
};

struct ManagerInfo {
  std::string name;
  bool running = false;
  bool isDefault = false;
  bool damaged = false;      // the file is not a usable store; it is listed, never touched
  bool readOnly = false;     // its file or its file system may not be written
  bool noAccess = false;     // this user may not read or write its file or its folder
  bool inPostgres = false;   // kept in a PostgreSQL database rather than in a file here
  bool unreachable = false;  // in PostgreSQL, and its database server could not be reached
  bool gone = false;         // in PostgreSQL, and its database or schema is gone
  bool denied = false;       // in PostgreSQL, and its database denied this user a right
  std::string problem;       // what the database server said, for the three above
};

struct QueueInfo {
  std::string name;
  bool alias = false;
  std::string target;  // the base queue of an alias
  std::int32_t depth = 0;
  std::int32_t maxDepth = 0;
};

inline constexpr std::int32_t kDefaultMaxDepth = 5000;

// $KX_DATA_DIR, else $XDG_DATA_HOME/kx, else ~/.local/share/kx, as an absolute path.
using kx::dataDirectory;

// A new queue manager is stopped; start it to connect. Its file is private to its owner, and the
// data directory is made private when it is made.
Status createQueueManager(std::string_view name);
// A new queue manager (stopped) in the PostgreSQL database that `conninfo` (a libpq connection
// string, never with a password) names, recorded here so that clients reach it by its name.
Status createPostgresQueueManager(std::string_view name, const std::string& conninfo);
// Records here a queue manager that already lives in that database, made from another machine.
Status attachPostgresQueueManager(std::string_view name, const std::string& conninfo);
// Forgets the record of a queue manager kept in PostgreSQL; the database keeps it.
Status detachQueueManager(std::string_view name);
// Refuses a running queue manager, and a damaged store unless `force` is set. One kept in
// PostgreSQL goes from its database, for every machine, and its record here with it.
Status deleteQueueManager(std::string_view name, bool force = false);
// Starting discards the non-persistent messages, as a restart does. A queue whose messages cannot
// be read keeps them, and the note in the status names it.
Status startQueueManager(std::string_view name);
// Connections made before the stop fail with kConnectionBroken from then on.
Status stopQueueManager(std::string_view name);
Status setDefaultQueueManager(std::string_view name);
// Names the queue manager's dead-letter queue, where the reports it cannot deliver go; an empty
// name means none, and such reports are discarded. The queue need not be defined yet: until it
// is, those reports are discarded too.
Status setDeadLetterQueue(std::string_view manager, std::string_view queue);
// The default queue manager's name: $KX_DEFAULT_QMGR, else the one marked default.
Status defaultQueueManager(std::string& name);
Status listQueueManagers(std::vector<ManagerInfo>& managers);

Status defineLocalQueue(std::string_view manager, std::string_view queue,
                        std::int32_t maxDepth = kDefaultMaxDepth);
Status defineAliasQueue(std::string_view manager, std::string_view alias, std::string_view target);
Status alterMaxDepth(std::string_view manager, std::string_view queue, std::int32_t maxDepth);
// Refuses a local queue that holds messages unless `purge` is set.
Status deleteQueue(std::string_view manager, std::string_view queue, bool purge = false);
Status listQueues(std::string_view manager, std::vector<QueueInfo>& queues);

// Removes every message of a local queue (of an alias: of its base queue).
Status purgeQueue(std::string_view manager, std::string_view queue, std::int64_t& removed);
struct CheckReport {
  std::vector<std::string> problems;  // one line each; empty when the store is sound
  std::string advice;                 // with problems: what the operator can do about them
  std::int64_t queues = 0;
  std::int64_t messages = 0;
  std::string deadLetterQueue;        // empty: none named
  std::int64_t discardedReports = 0;  // reports that could go nowhere, since the store was made
};
// Checks a store without changing it: SQLite's check of every page, and each local queue's
// counters (depth, expiring messages, next sequence) against its rows. A file that is no store at
// all fails; a store with problems succeeds with them listed in `report`.
Status checkQueueManager(std::string_view name, CheckReport& report);

struct SalvageReport {
  // One line for each queue: how many of its messages were copied, how many could not be read.
  std::vector<std::string> queues;
  std::int64_t copied = 0;
  std::int64_t lost = 0;  // messages its counters held that could not be read
  bool damageMet = false;
  std::filesystem::path keptAs;  // the copy of the store as it was before
};
// Rebuilds a stopped queue manager of the embedded store: every message that can still be read,
// with its whole descriptor, and every queue definition that can be read go into a fresh store,
// which then takes the old one's place (a queue whose definition is lost comes back as
// SALVAGED.<id>). A copy of the store as it was is kept beside it first, as `keptAs`. Refuses a
// running queue manager, a store that other programs have open, and a file that is no store.
Status salvageQueueManager(std::string_view name, SalvageReport& report);

// Explains for an operator a failure of a client operation on `manager` (a full disk, a denied
// permission: which file, and what to do); other reasons get their plain description.
std::string explainFailure(std::string_view manager, ReasonCode why);

// Puts `count` copies of `data` onto a local queue in one transaction, each with a new message
// id: a quick fill for set-up. All or nothing; respects the maximum depth.
Status loadMessages(std::string_view manager, std::string_view queue, std::int64_t count,
                    std::span<const std::uint8_t> data, bool persistent);

}  // namespace kx::admin
