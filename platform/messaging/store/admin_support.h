#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/messaging/store/internal.h"
#include "platform/messaging/store/sqlite_db.h"
#include "platform/messaging/store/store_file.h"
#include "platform/messaging/store/store_reserve.h"
#include "platform/messaging/store_admin.h"
#include "platform/messaging/store_location.h"

// What the administration of the embedded store shares: the one-line failures an operator reads,
// the checks of names and numbers, and opening and changing a store in one transaction.
namespace kx::admin {

inline constexpr std::int32_t kMaxMaxDepth = 999'999'999;
inline constexpr const char* kNothingChanged = "nothing was changed";
// What a failure of a read (a list, a check) says it kept: nothing, as a read changes nothing.
inline constexpr const char* kJustRead = "";

// A failure: what was wrong, then what was kept ("nothing was changed"), unless it was a read.
Status failure(ReasonCode why, const std::string& what, std::string_view kept);

// A failure of the store itself, in the words of its reason.
Status storeFailure(ReasonCode why, std::string_view kept);

Status checkManagerName(std::string_view manager, std::string_view kept);

Status checkQueueName(std::string_view queue, std::string_view kept);

Status checkNames(std::string_view manager, std::string_view queue, std::string_view kept);

Status checkMaxDepth(std::int32_t maxDepth, std::string_view kept);

// A failure that lies in the files says which file, and what to do.
Status explained(Status status, std::string_view manager, std::string_view kept);

// Opens an existing store for administration; every write commits durably.
Status openManager(std::string_view manager, Database& db, std::string_view kept);

// Runs a statement to completion; kNone when it finished.
ReasonCode run(Statement& statement);

ReasonCode prepareAndRun(Database& db, const char* sql, std::int64_t a = 0, std::int64_t b = 0);

struct LocalQueue {
  std::int64_t id = 0;
  std::string name;
};

ReasonCode localQueues(Database& db, std::vector<LocalQueue>& queues);

struct QueueRow {
  bool found = false;
  std::int64_t id = 0;
  bool alias = false;
  std::string target;
  std::int64_t depth = 0;
  std::int64_t maxDepth = 0;
  std::int64_t nextSeq = 0;
};

ReasonCode readQueue(Database& db, std::string_view name, QueueRow& row);

ReasonCode bumpGeneration(Database& db);

std::string queueLabel(std::string_view manager, std::string_view queue);

// The row of a queue that must exist; of an alias's base queue when `throughAlias` is set.
Status findQueue(Database& db, std::string_view manager, std::string_view queue,
                 std::string_view kept, QueueRow& row, bool throughAlias = false);

// Refuses a name that is already defined, as a local queue or as an alias.
Status checkUndefined(Database& db, std::string_view manager, std::string_view queue,
                      std::string_view kept);

// A bulk change moves the WAL's pages into the store right after its commit, waiting for no
// one, so that the next client's commit does not pay for this one's checkpoint.
enum class Checkpoint { kNo, kAfterCommit };

// Opens `manager`'s store and runs `change` on it in one write transaction, committed only when
// `change` succeeds: any failure leaves the store as it was, which `kept` says in the message.
template <typename Change>
Status changeStore(std::string_view manager, std::string_view kept, Checkpoint checkpoint,
                   Change&& change) {
  Database db;
  if (Status status = openManager(manager, db, kept); !status) return status;
  Transaction transaction(db);
  if (const ReasonCode why = transaction.beginWrite(); why != reason::kNone) {
    return explained(storeFailure(why, kept), manager, kept);
  }
  if (Status status = change(db); !status) return explained(std::move(status), manager, kept);
  if (const ReasonCode why = transaction.commit(); why != reason::kNone) {
    return explained(storeFailure(why, kept), manager, kept);
  }
  if (checkpoint == Checkpoint::kAfterCommit) db.exec("PRAGMA wal_checkpoint(PASSIVE)");
  return {};
}

// Runs a change that frees messages or lets the operator free them (start, stop, purge, delete).
// When the disk is full, the store's reserve is given back, the WAL moved into the store, and the
// change tried once more.
template <typename Change>
Status changeStoreEvenIfFull(std::string_view manager, std::string_view kept, Checkpoint checkpoint,
                             Change&& change) {
  Status status = changeStore(manager, kept, checkpoint, change);
  if (status.reason == reason::kStoreFull && releaseReserve(storePath(manager))) {
    Database db;
    if (openStore(manager, db) == reason::kNone) db.exec("PRAGMA wal_checkpoint(PASSIVE)");
    db.close();
    status = changeStore(manager, kept, checkpoint, change);
  }
  return status;
}

// Runs one administration call so that nothing thrown inside reaches the caller: a failure that
// cannot be foreseen still comes back as a status with its line.
template <typename Operation>
Status guarded(Operation&& operation) {
  try {
    return operation();
  } catch (const std::bad_alloc&) {
    return Status{reason::kResourceProblem, "out of memory; nothing was changed"};
  } catch (const std::exception& error) {
    return Status{reason::kInternalError, std::string(error.what()) + "; nothing was changed"};
  } catch (...) {
    return Status{reason::kInternalError, "an unexpected failure; nothing was changed"};
  }
}

}  // namespace kx::admin
