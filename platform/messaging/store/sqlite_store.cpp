#include "platform/messaging/store/sqlite_store.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "platform/messaging/get_options.h"
#include "platform/messaging/store/message_rules.h"
#include "platform/messaging/store/message_table.h"
#include "platform/messaging/store/seam_calls.h"
#include "platform/messaging/store/store_file.h"
#include "platform/messaging/store/store_reserve.h"
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
constexpr const char* kPurgeCountSql =
    "UPDATE queues SET depth = depth - ?2, expiring = expiring - ?2 WHERE id = ?1";
constexpr const char* kGetUpdateSql =
    "UPDATE queues SET depth = depth - 1, expiring = expiring - ?2 WHERE id = ?1";

// Variants of the message selection, as bits of an index into the statement cache.
constexpr unsigned kExact = 1;  // the message under the cursor, not the next one after it
constexpr unsigned kByMsgId = 2;
constexpr unsigned kByCorrelId = 4;
constexpr unsigned kWithData = 8;  // the body in the same row: only when it is delivered whole

// Columns of the selection after the descriptor's.
constexpr int kQueueExpiringColumn = message_table::kDescriptorColumnCount;
constexpr int kBodyColumn = kQueueExpiringColumn + 1;

std::string selectSql(unsigned variant) {
  std::string sql = std::string("SELECT ") + message_table::kDescriptorColumns + ", q.expiring";
  if (variant & kWithData) sql += ", m.data";
  sql +=
      " FROM manager g CROSS JOIN queues q CROSS JOIN {T} m WHERE g.id = 1 AND g.running = 1 "
      "AND g.epoch = ?1 AND g.gen = ?2 AND q.id = ?8 AND (m.expires_at IS NULL OR m.expires_at > "
      "?3)";
  if (variant & kExact) {
    sql += " AND m.seq = ?4";
  } else {
    sql += " AND m.seq > ?4";
    // A message with this id either was assigned it, and sits at the sequence the id carries,
    // or was given it by its putter, and is in the index of given ids.
    if (variant & kByMsgId) {
      sql += " AND m.msg_id = ?6 AND (m.seq = ?9 OR (m.msg_id = ?6 AND m.supplied = 1))";
    }
    if (variant & kByCorrelId) sql += " AND m.correl_id = ?7";
    sql += " ORDER BY m.seq LIMIT 1";
  }
  return sql;
}

MessageId24 idFromBlob(std::span<const std::uint8_t> blob) {
  if (blob.size() != MessageId24::kSize) return MessageId24::none();
  MessageId24::Bytes bytes{};
  std::copy(blob.begin(), blob.end(), bytes.begin());
  return MessageId24(bytes);
}

std::span<const std::uint8_t> idBytes(const MessageId24& id) { return {id.bytes()}; }

ReasonCode stepDone(Statement& statement) {
  const int rc = statement.step();
  statement.reuse();
  return rc == SQLITE_DONE ? reason::kNone : reasonFromSqlite(rc);
}

}  // namespace

struct SqliteStore::TableStatements {
  Statement selects[16];  // by variant
  Statement insert;
  Statement erase;
  Statement purge;
  Statement countExpired;
};

struct SqliteStore::Selection {
  std::int64_t queueId = 0;
  std::int64_t position = 0;  // the exact sequence, or the one the next message comes after
  unsigned variant = 0;
  const MessageId24* msgId = nullptr;
  const MessageId24* correlId = nullptr;
  bool destructive = false;
  std::optional<std::size_t> buffer;
  bool acceptTruncated = false;
  std::int64_t nowMs = 0;
};

struct SqliteStore::Received {
  std::int64_t id = 0;  // the store id: (queue id << kSequenceBits) | seq
  std::int64_t seq = 0;
  Delivered message;
  std::int64_t queueExpiring = 0;  // messages with an expiry on the queue, this one included
};

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

ReasonCode SqliteStore::readQueueRow(const std::string& name, QueueRow& row) {
  ReasonCode why = reason::kNone;
  Statement& statement = cached(queueRow_, kQueueRowSql, why);
  if (why != reason::kNone) return why;
  row = QueueRow{};
  const int rc = statement.reuse().bindText(1, name).step();
  if (rc == SQLITE_ROW) {
    row.found = true;
    row.id = statement.integer(0);
    if (!statement.isNull(1)) row.aliasFor = statement.text(1);
  }
  statement.reuse();
  return rc == SQLITE_ROW || rc == SQLITE_DONE ? reason::kNone : reasonFromSqlite(rc);
}

void SqliteStore::dropQueueCaches() { tables_.clear(); }

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

Step SqliteStore::queueNumber(const std::string& queue, bool wantDepth, std::int32_t& number) {
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
  std::int64_t value = wantDepth ? counter : maximum;
  if (wantDepth && expiring > 0) {
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
  removed = 0;
  Step step;
  Statement& purge =
      onTable(queueId, tableStatements(queueId).purge, message_table::kDeleteExpiredSql, step);
  if (!step.ok()) return step;
  if (step = tableFailure(stepDone(purge.bind(1, now))); !step.ok()) return step;
  removed = db_.changes();
  if (removed == 0) return reason::kNone;
  ReasonCode why = reason::kNone;
  Statement& count = cached(purgeCount_, kPurgeCountSql, why);
  if (why != reason::kNone) return why;
  return stepDone(count.bind(1, queueId).bind(2, removed));
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
  const std::optional<std::int64_t> expiresAt = expiresAtOf(message, now);
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
  if (why = stepDone(update.bind(1, queueId).bind(2, sequence).bind(3, expiresAt ? 1 : 0));
      why != reason::kNone) {
    return why;
  }

  const bool supplied = !message.msgId.isNone();
  const MessageId24 msgId =
      supplied ? message.msgId : ids_.assign((queueId << kSequenceBits) | sequence);
  std::string format = paddedFormat(message.format);
  Step step;
  Statement& insert =
      onTable(queueId, tableStatements(queueId).insert, message_table::kInsertSql, step);
  if (!step.ok()) return step;
  message_table::Row row;
  row.seq = sequence;
  row.msgId = &msgId;
  row.supplied = supplied;
  row.correlId = &message.correlId;
  row.expiresAt = expiresAt;
  row.persistent = message.persistent != 0;
  const PutContext context = putContextFor(message, now);
  row.putMs = context.putMs;
  row.msgType = message.msgType;
  row.feedback = message.feedback;
  row.ccsid = message.ccsid;
  row.format = format;
  row.priority = std::max(0, message.priority);
  row.report = message.report;
  row.backout = message.backoutCount;
  row.replyQ = message.replyToQ;
  row.replyQmgr = message.replyQmgr;
  row.putAppl = context.putAppl;
  row.putApplType = context.putApplType;
  row.data = message.data();
  if (step = tableFailure(stepDone(message_table::bindRow(insert, row))); !step.ok()) return step;
  if (why = transaction.commit(); why != reason::kNone) return why;
  completePut(message, msgId, std::move(format), context.putMs);
  return reason::kNone;
}

ReasonCode SqliteStore::readData(std::int64_t queueId, std::int64_t seq, std::size_t length) {
  sqlite3_blob* blob = nullptr;
  const std::string table = message_table::name(queueId);
  int rc = sqlite3_blob_open(db_.handle(), "main", table.c_str(), message_table::kDataColumn, seq,
                             0, &blob);
  if (rc == SQLITE_OK) {
    scratch_.resize(length);
    rc = sqlite3_blob_read(blob, scratch_.data(), static_cast<int>(length), 0);
  }
  sqlite3_blob_close(blob);
  return reasonFromSqlite(rc);
}

ReasonCode SqliteStore::get(const std::string& queue, QueueMessage& message, std::int32_t options,
                            std::int64_t& cursor) {
  if (const ReasonCode why = checkGetOptions(options); why != reason::kNone) return why;
  const bool browseFirst = options & getopt::kBrowseFirst;
  const bool browseNext = options & getopt::kBrowseNext;
  const bool browse = browseFirst || browseNext;
  const bool underCursor = options & getopt::kUnderCursor;

  getAtFull_ = lastGetPersistent_;
  Selection selection;
  Received received;
  const ReasonCode why = runAttempts(
      [&]() -> Step {
        const QueueRef* ref = nullptr;
        if (const Step step = startAttempt(queue, Target::kBaseQueue, ref); !step.ok()) {
          return step;
        }
        selection = Selection{};
        selection.queueId = ref->baseId;
        // The cursor is a store id; one from another queue (one deleted since) is no position
        // here.
        const bool cursorInQueue = (cursor >> kSequenceBits) == ref->baseId;
        const std::int64_t cursorSeq = cursorInQueue ? (cursor & kMaxSequence) : 0;
        if (underCursor) {
          selection.variant = kExact;
          selection.position = cursorSeq;  // sequences start at 1: 0 is no message
        } else {
          selection.position = browseNext ? cursorSeq : 0;
          if (!message.msgId.isNone()) {
            selection.variant |= kByMsgId;
            selection.msgId = &message.msgId;
          }
          if (!message.correlId.isNone()) {
            selection.variant |= kByCorrelId;
            selection.correlId = &message.correlId;
          }
        }
        selection.buffer = message.bufferSize();
        if (!selection.buffer) selection.variant |= kWithData;
        selection.destructive = !browse;
        selection.acceptTruncated = options & getopt::kAcceptTruncated;
        selection.nowMs = seam::nowMs();

        if (selection.destructive) {
          if (const ReasonCode syncWhy = setSynchronous(getAtFull_); syncWhy != reason::kNone) {
            return syncWhy;
          }
        }
        received = Received{};
        const Step step = getOnce(selection, received);
        if (step.retry() != Retry::kNo) return step;
        if (step.reason() == reason::kStoreFull && selection.destructive && releaseReserve(path_)) {
          return Step::again(Retry::kReserveReleased);
        }
        if (browse) {
          if (step.reason() == reason::kNone || step.reason() == reason::kTruncatedMessageFailed) {
            cursor = received.id;  // a browse that failed on length still moves onto it
          } else if (step.reason() == reason::kNoMessageAvailable && browseFirst) {
            cursor = 0;
          }
        }
        return step;
      },
      [this](Retry retry) { prepareRetry(retry); });
  if (why != reason::kNone) return why;
  if (selection.destructive) lastGetPersistent_ = received.message.persistent;
  deliver(received.message, scratch_, selection.nowMs, message);
  return reason::kNone;
}

Step SqliteStore::getOnce(const Selection& selection, Received& received) {
  Step step;
  TableStatements& table = tableStatements(selection.queueId);
  Statement& select = onTable(selection.queueId, table.selects[selection.variant],
                              selectSql(selection.variant), step);
  if (!step.ok()) return step;

  Transaction transaction(db_);
  const bool withData = selection.variant & kWithData;
  ReasonCode why = reason::kNone;
  if (selection.destructive) {
    why = transaction.beginWrite();
  } else if (!withData) {
    why = transaction.beginRead();  // the body is read by a second call: one snapshot for both
  }
  if (why != reason::kNone) return why;

  select.reuse()
      .bind(1, epoch())
      .bind(2, gen())
      .bind(3, selection.nowMs)
      .bind(4, selection.position)
      .bind(8, selection.queueId);
  if (selection.msgId) {
    const std::int64_t storeId = storeIdIn(*selection.msgId);
    const bool here = (storeId >> kSequenceBits) == selection.queueId;
    select.bindBlob(6, idBytes(*selection.msgId)).bind(9, here ? storeId & kMaxSequence : -1);
  }
  if (selection.correlId) select.bindBlob(7, idBytes(*selection.correlId));
  const int rc = select.step();
  if (rc != SQLITE_ROW) {
    select.reuse();
    if (rc != SQLITE_DONE) return tableFailure(reasonFromSqlite(rc));
    if (step = checkManager(); !step.ok()) return step;
    if (selection.destructive) {
      // A destructive get holds the write lock anyway: discard what expired on the way.
      std::int64_t removed = 0;
      if (step = purgeExpired(selection.queueId, selection.nowMs, removed); !step.ok()) {
        return step;
      }
      if (removed > 0 && (why = transaction.commit()) != reason::kNone) return why;
    }
    return (selection.variant & kExact) ? reason::kNoMessageUnderCursor
                                        : reason::kNoMessageAvailable;
  }

  received.seq = select.integer(0);
  received.id = (selection.queueId << kSequenceBits) | received.seq;
  Delivered& message = received.message;
  message.msgId = idFromBlob(select.blob(1));
  message.correlId = select.isNull(2) ? MessageId24::none() : idFromBlob(select.blob(2));
  if (!select.isNull(3)) message.expiresAt = select.integer(3);
  message.persistent = select.integer(4) != 0;
  message.putMs = select.integer(5);
  message.msgType = static_cast<std::int32_t>(select.integer(6));
  message.feedback = static_cast<std::int32_t>(select.integer(7));
  message.ccsid = static_cast<std::int32_t>(select.integer(8));
  message.format = select.text(9);
  message.priority = static_cast<std::int32_t>(select.integer(10));
  message.report = static_cast<std::int32_t>(select.integer(11));
  message.backout = static_cast<std::int32_t>(select.integer(12));
  message.replyQ = select.text(13);
  message.replyQmgr = select.text(14);
  message.putAppl = select.text(15);
  message.putApplType = static_cast<std::int32_t>(select.integer(16));
  message.length = static_cast<std::size_t>(select.integer(17));
  received.queueExpiring = select.integer(kQueueExpiringColumn);

  if (selection.destructive && message.persistent && !synchronousFull_) {
    select.reuse();
    return Step::again(Retry::kAtFullSync);  // a persistent take is as durable as its put
  }
  std::size_t deliver = message.length;
  if (selection.buffer && *selection.buffer < message.length) {
    if (!selection.acceptTruncated) {
      select.reuse();
      return reason::kTruncatedMessageFailed;  // rolled back: the message stays
    }
    deliver = *selection.buffer;
  }
  if (withData) {
    const auto body = select.blob(kBodyColumn);
    scratch_.assign(body.begin(), body.end());
  } else if (deliver > 0) {
    if (why = readData(selection.queueId, received.seq, deliver); why != reason::kNone) {
      select.reuse();
      return why;
    }
  } else {
    scratch_.clear();  // nothing asked for: the body is never read
  }
  select.reuse();

  if (selection.destructive) {
    Statement& erase = onTable(selection.queueId, table.erase, message_table::kDeleteOneSql, step);
    if (!step.ok()) return step;
    if (why = stepDone(erase.bind(1, received.seq)); why != reason::kNone) return why;
    Statement& update = cached(getUpdate_, kGetUpdateSql, why);
    if (why != reason::kNone) return why;
    if (why = stepDone(update.bind(1, selection.queueId).bind(2, message.expiresAt ? 1 : 0));
        why != reason::kNone) {
      return why;
    }
    if (received.queueExpiring > (message.expiresAt ? 1 : 0)) {
      std::int64_t removed = 0;
      if (step = purgeExpired(selection.queueId, selection.nowMs, removed); !step.ok()) {
        return step;
      }
    }
  }
  if (transaction.active()) return transaction.commit();
  return reason::kNone;
}

}  // namespace kx
