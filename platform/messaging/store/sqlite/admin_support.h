#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/messaging/store/admin_checks.h"
#include "platform/messaging/store/internal.h"
#include "platform/messaging/store/sqlite/sqlite_db.h"
#include "platform/messaging/store/sqlite/store_file.h"
#include "platform/messaging/store/sqlite/store_reserve.h"
#include "platform/messaging/store_admin.h"
#include "platform/messaging/store_location.h"

// What the administration of the embedded store shares: opening and changing a store in one
// transaction, and reading its queues.
namespace kx::admin::sqlite {

// A failure that lies in the files says which file, and what to do.
Status explained(Status status, std::string_view manager, std::string_view kept);

// Opens an existing store for administration; every write commits durably. An older store is
// upgraded unless `upgrade` says the caller only reads it.
Status openManager(std::string_view manager, Database& db, std::string_view kept,
                   Upgrade upgrade = Upgrade::kYes);

// Runs a statement to completion; kNone when it finished.
ReasonCode run(Statement& statement);

ReasonCode prepareAndRun(Database& db, const char* sql, std::int64_t a = 0, std::int64_t b = 0);

struct LocalQueue {
  std::int64_t id = 0;
  std::string name;
};

ReasonCode localQueues(Database& db, std::vector<LocalQueue>& queues);

ReasonCode readQueue(Database& db, std::string_view name, QueueDefinition& definition);

// The definitions of the queues of a store open for a change.
class StoreDefinitions final : public QueueDefinitions {
 public:
  StoreDefinitions(Database& db, std::string_view manager) : QueueDefinitions(manager), db_(db) {}
  ReasonCode read(std::string_view queue, QueueDefinition& definition) override {
    return readQueue(db_, queue, definition);
  }
  Status failed(ReasonCode why, std::string_view kept) const override {
    return storeFailure(why, kept);
  }
  ReasonCode aliasOf(std::string_view queue, std::string& alias) override;

 private:
  Database& db_;
};

ReasonCode bumpGeneration(Database& db);

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

}  // namespace kx::admin::sqlite
