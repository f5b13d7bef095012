#include "platform/messaging/store/sqlite/sqlite_store.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "platform/messaging/get_options.h"
#include "platform/messaging/store/message_rules.h"
#include "platform/messaging/store/seam_calls.h"
#include "platform/messaging/store/sqlite/message_table.h"
#include "platform/messaging/store/sqlite/store_file.h"
#include "platform/messaging/store/sqlite/store_reserve.h"
#include "platform/messaging/store_location.h"

namespace kx {
namespace {

constexpr const char* kQueueRowSql = "SELECT id, alias_for FROM queues WHERE name = ?1";
// The running/epoch/gen check rides in the statement that does the work.
constexpr const char* kDepthSql =
    "SELECT q.depth, q.expiring, q.max_depth FROM manager g CROSS JOIN queues q "
    "WHERE g.id = 1 AND g.running = 1 AND g.epoch = ?1 AND g.gen = ?2 AND q.id = ?3";
// Read inside the put's write transaction, so nothing changes between the check and the update.
// (No RETURNING: its ephemeral table costs an allocation of a page cache per statement.)
constexpr const char* kPutCheckSql =
    "SELECT q.next_seq, q.depth, q.max_depth, q.expiring FROM manager g CROSS JOIN queues q "
    "WHERE g.id = 1 AND g.running = 1 AND g.epoch = ?1 AND g.gen = ?2 AND q.id = ?3";
constexpr const char* kPutUpdateSql =
    "UPDATE queues SET depth = depth + 1, next_seq = ?2, expiring = expiring + ?3 WHERE id = ?1";

}  // namespace

SqliteStore::~SqliteStore() = default;

ReasonCode SqliteStore::connect(std::string_view validatedName,
                                std::unique_ptr<StoreBackend>& out) {
  std::unique_ptr<SqliteStore> connection(new SqliteStore());
  if (const ReasonCode why = openStore(validatedName, connection->db_); why != reason::kNone) {
    return why;
  }
  ManagerRow manager;
  if (const ReasonCode why = connection->readManagerRow(manager); why != reason::kNone) {
    return why;
  }
  if (!connection->connectedTo(manager)) return reason::kQueueManagerNotAvailable;
  // Non-persistent work commits at NORMAL; persistent work switches to FULL when it needs it.
  // A put or get writes two pages (the message's and its queue's counter), so checkpoints come
  // after 2000 WAL pages: as many messages per checkpoint as SQLite's default of 1000 gives
  // single-page commits, with half the checkpoints' syncs.
  if (const ReasonCode syncWhy =
          connection->db_.exec("PRAGMA synchronous = NORMAL; PRAGMA wal_autocheckpoint = 2000");
      syncWhy != reason::kNone) {
    return syncWhy;
  }
  connection->synchronousFull_ = false;
  connection->path_ = storePath(validatedName);
  out = std::move(connection);
  return reason::kNone;
}

Statement& SqliteStore::cached(Statement& statement, const char* sql, ReasonCode& why) {
  why = reason::kNone;
  if (statement.handle() == nullptr) why = db_.prepare(sql, statement);
  return statement;
}

SqliteStore::TableStatements& SqliteStore::tableStatements(std::int64_t queueId) {
  auto& slot = tables_[queueId];
  if (!slot) slot = std::make_unique<TableStatements>();
  return *slot;
}

Statement& SqliteStore::onTable(std::int64_t queueId, Statement& statement, std::string_view sql,
                                Step& step) {
  step = Step();
  if (statement.handle() == nullptr) {
    step = tableFailure(db_.prepare(message_table::onTable(sql, queueId), statement));
  }
  return statement;
}

Step SqliteStore::tableFailure(ReasonCode why) {
  // An SQL error on a message table means it is missing: dropped with its queue since the names
  // were resolved (then the definitions changed), or never there (then the store is damaged).
  if (why != reason::kInternalError) return why;
  const Step state = checkManager();
  return state.ok() ? Step(reason::kStoreDamaged) : state;
}

ReasonCode SqliteStore::readManagerRow(ManagerRow& row) {
  return kx::readManagerRow(db_, managerRow_, row);
}

ReasonCode SqliteStore::lookUpQueue(const std::string& name, QueueLookup& row) {
  ReasonCode why = reason::kNone;
  Statement& statement = cached(queueRow_, kQueueRowSql, why);
  if (why != reason::kNone) return why;
  row = QueueLookup{};
  const int rc = statement.reuse().bindText(1, name).step();
  if (rc == SQLITE_ROW) {
    row.found = true;
    row.id = statement.integer(0);
    if (!statement.isNull(1)) row.aliasFor = statement.text(1);
  }
  statement.reuse();
  return rc == SQLITE_ROW || rc == SQLITE_DONE ? reason::kNone : reasonFromSqlite(rc);
}

void SqliteStore::dropQueueCaches() {
  tables_.clear();
  if (reports_) reports_->forgetQueues();
}

SqliteReports& SqliteStore::reports() {
  if (!reports_) reports_ = std::make_unique<SqliteReports>(db_, ids_);
  return *reports_;
}

void SqliteStore::prepareRetry(Retry retry) {
  switch (retry) {
    case Retry::kAtFullSync:
      getAtFull_ = true;  // taking a persistent message must be as durable as putting it
      break;
    case Retry::kReserveReleased:
      // Taking messages must work on a full disk: with the reserve given back, the WAL moves
      // into the store and the next attempt writes where the WAL starts again.
      db_.exec("PRAGMA wal_checkpoint(PASSIVE)");
      break;
    case Retry::kDefinitionsChanged:  // the next attempt starts by dropping the stale caches
    case Retry::kAfterCrash:
    case Retry::kNo:
      break;
  }
}

ReasonCode SqliteStore::setSynchronous(bool full) {
  if (full == synchronousFull_) return reason::kNone;
  // SQLite refuses to change this inside a transaction; callers switch between transactions.
  const ReasonCode why =
      db_.exec(full ? "PRAGMA synchronous = FULL" : "PRAGMA synchronous = NORMAL");
  if (why == reason::kNone) synchronousFull_ = full;
  return why;
}

Step SqliteStore::queueCount(const std::string& queue, QueueCount which, std::int32_t& number) {
  const QueueRef* ref = nullptr;
  if (const Step step = startAttempt(queue, Target::kLocalQueue, ref); !step.ok()) return step;
  ReasonCode why = reason::kNone;
  Statement& row = cached(depthRow_, kDepthSql, why);
  if (why != reason::kNone) return why;
  // The queue's row, read in the manager's running epoch: its depth counter, whether messages
  // with an expiry are on it, and its maximum depth.
  std::int64_t counter = 0;
  std::int64_t expiring = 0;
  std::int64_t maximum = 0;
  const auto readRow = [&]() -> Step {
    const int rc = row.reuse().bind(1, epoch()).bind(2, gen()).bind(3, ref->baseId).step();
    if (rc != SQLITE_ROW) {
      row.reuse();
      if (rc != SQLITE_DONE) return reasonFromSqlite(rc);
      return confirm(reason::kUnknownObjectName);
    }
    counter = row.integer(0);
    expiring = row.integer(1);
    maximum = row.integer(2);
    row.reuse();
    return reason::kNone;
  };
  if (const Step step = readRow(); !step.ok()) return step;
  std::int64_t value = which == QueueCount::kDepth ? counter : maximum;
  if (which == QueueCount::kDepth && expiring > 0) {
    // Messages past their expiry still count until a write meets them; leave them out, counted
    // in the same snapshot as the counter.
    Transaction snapshot(db_);
    if ((why = snapshot.beginRead()) != reason::kNone) return why;
    if (const Step step = readRow(); !step.ok()) return step;
    Step step;
    Statement& count = onTable(ref->baseId, tableStatements(ref->baseId).countExpired,
                               message_table::kCountExpiredSql, step);
    if (!step.ok()) return step;
    why = message_table::depthLessExpired(count, counter, seam::nowMs(), value);
    if (why != reason::kNone) return tableFailure(why);
    if ((why = snapshot.commit()) != reason::kNone) return why;
  }
  number = static_cast<std::int32_t>(std::max<std::int64_t>(0, value));
  return reason::kNone;
}

Step SqliteStore::purgeExpired(std::int64_t queueId, std::int64_t now, std::int64_t& removed) {
  const Step step = reports().discardExpired(queueId, now, removed);
  return step.reason() == reason::kInternalError ? tableFailure(step.reason()) : step;
}

ReasonCode SqliteStore::put(const std::string& queue, QueueMessage& message) {
  // Everything about the message is checked before the store is touched.
  if (const ReasonCode why = checkForPut(message); why != reason::kNone) return why;
  return runAttempts(
      [&]() -> Step {
        const QueueRef* ref = nullptr;
        if (const Step step = startAttempt(queue, Target::kBaseQueue, ref); !step.ok()) {
          return step;
        }
        if (const ReasonCode why = setSynchronous(message.persistent != 0); why != reason::kNone) {
          return why;
        }
        return putOnce(ref->baseId, message, seam::nowMs());
      },
      [this](Retry retry) { prepareRetry(retry); });
}

Step SqliteStore::putOnce(std::int64_t queueId, QueueMessage& message, std::int64_t now) {
  StoredMessage& stored = stored_;
  storeForPut(message, now, stored);
  Transaction transaction(db_);
  if (const ReasonCode why = transaction.beginWrite(); why != reason::kNone) return why;

  ReasonCode why = reason::kNone;
  Statement& check = cached(putCheck_, kPutCheckSql, why);
  if (why != reason::kNone) return why;
  std::int64_t sequence = 0;
  for (int pass = 0;; ++pass) {
    const int rc = check.reuse().bind(1, epoch()).bind(2, gen()).bind(3, queueId).step();
    if (rc != SQLITE_ROW) {
      check.reuse();
      if (rc != SQLITE_DONE) return reasonFromSqlite(rc);
      // No row: the manager stopped, or the definitions changed under the cache.
      if (const Step step = checkManager(); !step.ok()) return step;
      return reason::kUnknownObjectName;
    }
    sequence = check.integer(0) + 1;
    const bool full = check.integer(1) >= check.integer(2) || sequence > kMaxSequence;
    const bool hasExpiring = check.integer(3) > 0;
    check.reuse();
    if (!full) break;
    if (pass == 0 && hasExpiring) {
      // Expired messages do not count against the maximum: discard them and look again.
      std::int64_t removed = 0;
      if (const Step step = purgeExpired(queueId, now, removed); !step.ok()) return step;
      if (removed > 0) continue;
    }
    return reason::kQueueFull;
  }
  Statement& update = cached(putUpdate_, kPutUpdateSql, why);
  if (why != reason::kNone) return why;
  if (why = stepDone(update.bind(1, queueId).bind(2, sequence).bind(3, stored.expiresAt ? 1 : 0));
      why != reason::kNone) {
    return why;
  }

  if (!stored.supplied) stored.descriptor.msgId = ids_.assign(storeIdOf(queueId, sequence));
  Step step;
  Statement& insert =
      onTable(queueId, tableStatements(queueId).insert, message_table::insertSql(), step);
  if (!step.ok()) return step;
  if (step =
          tableFailure(stepDone(message_table::bindRow(insert, sequence, stored, message.data())));
      !step.ok()) {
    return step;
  }
  // Its arrival report goes in the same transaction, now that its id is known.
  if (stored.descriptor.report & kStoreReports) {
    if (step = reports().send(ReportCause::kArrival, stored.descriptor, message.data(), now);
        !step.ok()) {
      return step;
    }
  }
  seam::beforeCommit("put");
  if (why = transaction.commit(); why != reason::kNone) return why;
  completePut(message, stored);
  return reason::kNone;
}

ReasonCode SqliteStore::readData(std::int64_t queueId, std::int64_t seq, std::size_t length) {
  return message_table::readBody(db_, queueId, seq, length, scratch_);
}

}  // namespace kx
