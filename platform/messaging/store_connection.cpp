#include "platform/messaging/store_connection.h"

#include <algorithm>
#include <chrono>
#include <optional>
#include <utility>

#include "platform/messaging/get_options.h"
#include "platform/messaging/store_file.h"
#include "platform/messaging/store_reserve.h"
#include "platform/messaging/test_seams.h"

namespace kx {
namespace {

// Internal results: the queue definitions changed under the connection's cache, or a destructive
// get met a persistent message while the connection commits at NORMAL. Both mean: again.
constexpr ReasonCode kRetry = -1;
constexpr ReasonCode kRetryAtFull = -2;
constexpr int kMaxAttempts = 8;
constexpr std::size_t kMaxCachedNames = 1024;

constexpr std::int32_t kKnownGetOptions = getopt::kBrowseFirst | getopt::kBrowseNext |
                                          getopt::kAcceptTruncated | getopt::kUnderCursor |
                                          getopt::kFailIfQuiescing | getopt::kConvert;

constexpr const char* kManagerRowSql = "SELECT running, epoch, gen FROM manager WHERE id = 1";
constexpr const char* kQueueRowSql = "SELECT id, alias_for FROM queues WHERE name = ?1";
// The running/epoch/gen check rides in the statement that does the work.
constexpr const char* kDepthSql =
    "SELECT q.depth, q.expiring, q.max_depth FROM manager g CROSS JOIN queues q "
    "WHERE g.id = 1 AND g.running = 1 AND g.epoch = ?1 AND g.gen = ?2 AND q.id = ?3";
// Statements on a queue's own message table: {T} stands for its name.
constexpr const char* kDepthExpiredSql =
    "SELECT q.depth - (SELECT count(*) FROM {T} m WHERE m.expires_at <= ?4) "
    "FROM manager g CROSS JOIN queues q "
    "WHERE g.id = 1 AND g.running = 1 AND g.epoch = ?1 AND g.gen = ?2 AND q.id = ?3";
// Read inside the put's write transaction, so nothing changes between the check and the update.
// (No RETURNING: its ephemeral table costs an allocation of a page cache per statement.)
constexpr const char* kPutCheckSql =
    "SELECT q.next_seq, q.depth, q.max_depth, q.expiring FROM manager g CROSS JOIN queues q "
    "WHERE g.id = 1 AND g.running = 1 AND g.epoch = ?1 AND g.gen = ?2 AND q.id = ?3";
constexpr const char* kPutUpdateSql =
    "UPDATE queues SET depth = depth + 1, next_seq = ?2, expiring = expiring + ?3 WHERE id = ?1";
constexpr const char* kPutInsertSql =
    "INSERT INTO {T}(seq, msg_id, supplied, correl_id, expires_at, persistent, put_ms, msg_type, "
    "feedback, ccsid, format, priority, report, backout, reply_q, reply_qmgr, put_appl, "
    "put_appl_type, data) VALUES (?1, ?3, ?20, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14, "
    "?15, ?16, ?17, ?18, ?19)";
constexpr const char* kPurgeSql = "DELETE FROM {T} WHERE expires_at <= ?2";
constexpr const char* kPurgeCountSql =
    "UPDATE queues SET depth = depth - ?2, expiring = expiring - ?2 WHERE id = ?1";
constexpr const char* kDeleteMessageSql = "DELETE FROM {T} WHERE seq = ?1";
constexpr const char* kGetUpdateSql =
    "UPDATE queues SET depth = depth - 1, expiring = expiring - ?2 WHERE id = ?1";

// Variants of the message selection, as bits of an index into the statement cache.
constexpr unsigned kExact = 1;  // the message under the cursor, not the next one after it
constexpr unsigned kByMsgId = 2;
constexpr unsigned kByCorrelId = 4;
constexpr unsigned kWithData = 8;  // the body in the same row: only when it is delivered whole

std::string selectSql(unsigned variant) {
  std::string sql =
      "SELECT m.seq, m.msg_id, m.correl_id, m.expires_at, m.persistent, m.put_ms, m.msg_type, "
      "m.feedback, m.ccsid, m.format, m.priority, m.report, m.backout, m.reply_q, m.reply_qmgr, "
      "m.put_appl, m.put_appl_type, length(m.data), q.expiring";
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

std::int64_t nowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(now().time_since_epoch()).count();
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

struct StoreConnection::TableStatements {
  Statement selects[16];  // by variant
  Statement insert;
  Statement erase;
  Statement purge;
  Statement depthExpired;
};

struct StoreConnection::Selection {
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

struct StoreConnection::Received {
  std::int64_t id = 0;  // the store id: (queue id << kSequenceBits) | seq
  std::int64_t seq = 0;
  MessageId24 msgId;
  MessageId24 correlId;
  std::optional<std::int64_t> expiresAt;
  bool persistent = false;
  std::int64_t putMs = 0;
  std::int32_t msgType = 0;
  std::int32_t feedback = 0;
  std::int32_t ccsid = 0;
  std::string format;
  std::int32_t priority = 0;
  std::int32_t report = 0;
  std::int32_t backout = 0;
  std::string replyQ;
  std::string replyQmgr;
  std::string putAppl;
  std::int32_t putApplType = 0;
  std::size_t length = 0;
  std::int64_t queueExpiring = 0;  // messages with an expiry on the queue, this one included
};

StoreConnection::~StoreConnection() = default;

ReasonCode StoreConnection::connect(std::string_view validatedName,
                                    std::unique_ptr<StoreConnection>& out) {
  std::unique_ptr<StoreConnection> connection(new StoreConnection());
  if (const ReasonCode why = openStore(validatedName, connection->db_); why != reason::kNone) {
    return why;
  }
  ReasonCode why = reason::kNone;
  Statement& row = connection->cached(connection->managerRow_, kManagerRowSql, why);
  if (why != reason::kNone) return why;
  const int rc = row.step();
  if (rc != SQLITE_ROW) {
    row.reuse();
    return rc == SQLITE_DONE ? reason::kStoreDamaged : reasonFromSqlite(rc);
  }
  const bool running = row.integer(0) == 1;
  connection->epoch_ = row.integer(1);
  connection->gen_ = row.integer(2);
  row.reuse();
  if (!running) return reason::kQueueManagerNotAvailable;
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

Statement& StoreConnection::cached(Statement& statement, const char* sql, ReasonCode& why) {
  why = reason::kNone;
  if (statement.handle() == nullptr) why = db_.prepare(sql, statement);
  return statement;
}

StoreConnection::TableStatements& StoreConnection::tableStatements(std::int64_t queueId) {
  auto& slot = tables_[queueId];
  if (!slot) slot = std::make_unique<TableStatements>();
  return *slot;
}

Statement& StoreConnection::onTable(std::int64_t queueId, Statement& statement,
                                    std::string_view sql, ReasonCode& why) {
  why = reason::kNone;
  if (statement.handle() == nullptr) {
    std::string text(sql);
    const std::string table = messageTable(queueId);
    for (auto at = text.find("{T}"); at != std::string::npos; at = text.find("{T}", at)) {
      text.replace(at, 3, table);
    }
    why = tableFailure(db_.prepare(text, statement));
  }
  return statement;
}

ReasonCode StoreConnection::tableFailure(ReasonCode why) {
  // An SQL error on a message table means it is missing: dropped with its queue since the names
  // were resolved (then the definitions changed), or never there (then the store is damaged).
  if (why != reason::kInternalError) return why;
  const ReasonCode state = checkManager();
  return state == reason::kNone ? reason::kStoreDamaged : state;
}

void StoreConnection::settle() {
  if (!stale_) return;
  queues_.clear();
  tables_.clear();
  stale_ = false;
}

ReasonCode StoreConnection::checkManager() {
  if (broken_) return reason::kConnectionBroken;
  ReasonCode why = reason::kNone;
  Statement& row = cached(managerRow_, kManagerRowSql, why);
  if (why != reason::kNone) return why;
  const int rc = row.reuse().step();
  if (rc != SQLITE_ROW) {
    row.reuse();
    return rc == SQLITE_DONE ? reason::kStoreDamaged : reasonFromSqlite(rc);
  }
  const bool running = row.integer(0) == 1;
  const std::int64_t epoch = row.integer(1);
  const std::int64_t gen = row.integer(2);
  row.reuse();
  if (!running || epoch != epoch_) {
    broken_ = true;
    return reason::kConnectionBroken;
  }
  if (gen != gen_) {
    gen_ = gen;
    stale_ = true;
    return kRetry;
  }
  return reason::kNone;
}

ReasonCode StoreConnection::confirm(ReasonCode failure) {
  const ReasonCode why = checkManager();
  return why == reason::kNone ? failure : why;
}

ReasonCode StoreConnection::lookup(const std::string& queue, const QueueRef*& ref) {
  if (auto it = queues_.find(queue); it != queues_.end()) {
    ref = &it->second;
    return reason::kNone;
  }
  ReasonCode why = reason::kNone;
  Statement& row = cached(queueRow_, kQueueRowSql, why);
  if (why != reason::kNone) return why;

  QueueRef entry;
  int rc = row.reuse().bindText(1, queue).step();
  if (rc == SQLITE_DONE) {
    entry.status = reason::kUnknownObjectName;
  } else if (rc != SQLITE_ROW) {
    row.reuse();
    return reasonFromSqlite(rc);
  } else if (row.isNull(1)) {
    entry.baseId = row.integer(0);
    entry.baseName = queue;
  } else {
    entry.alias = true;
    const std::string target = row.text(1);
    rc = row.reuse().bindText(1, target).step();
    if (rc == SQLITE_DONE) {
      entry.baseStatus = reason::kUnknownObjectName;
    } else if (rc != SQLITE_ROW) {
      row.reuse();
      return reasonFromSqlite(rc);
    } else if (!row.isNull(1)) {
      entry.baseStatus = reason::kNotAliasable;
    } else {
      entry.baseId = row.integer(0);
      entry.baseName = target;
    }
  }
  row.reuse();
  if (queues_.size() >= kMaxCachedNames) queues_.clear();
  ref = &queues_.emplace(queue, std::move(entry)).first->second;
  return reason::kNone;
}

ReasonCode StoreConnection::startAttempt(const std::string& queue, Target target,
                                         const QueueRef*& ref) {
  settle();
  if (broken_) return reason::kConnectionBroken;
  if (const ReasonCode why = lookup(queue, ref); why != reason::kNone) return why;
  if (ref->status != reason::kNone) return confirm(ref->status);
  if (target == Target::kLocalQueue && ref->alias) return confirm(reason::kSelectorNotForType);
  if (ref->baseStatus != reason::kNone) return confirm(ref->baseStatus);
  return reason::kNone;
}

ReasonCode StoreConnection::setSynchronous(bool full) {
  if (full == synchronousFull_) return reason::kNone;
  // SQLite refuses to change this inside a transaction; callers switch between transactions.
  const ReasonCode why =
      db_.exec(full ? "PRAGMA synchronous = FULL" : "PRAGMA synchronous = NORMAL");
  if (why == reason::kNone) synchronousFull_ = full;
  return why;
}

ReasonCode StoreConnection::checkQueue(const std::string& queue) {
  std::string ignored;
  return resolve(queue, ignored);
}

ReasonCode StoreConnection::resolve(const std::string& queue, std::string& baseName) {
  ReasonCode why = checkManager();
  if (why == kRetry) why = reason::kNone;  // the caches go now: the lookup reads afresh
  settle();
  if (why != reason::kNone) return why;
  const QueueRef* ref = nullptr;
  if (why = lookup(queue, ref); why != reason::kNone) return why;
  if (ref->status != reason::kNone) return ref->status;
  if (ref->baseStatus != reason::kNone) return ref->baseStatus;
  baseName = ref->baseName;
  return reason::kNone;
}

ReasonCode StoreConnection::depth(const std::string& queue, std::int32_t& depth) {
  return queueNumber(queue, true, depth);
}

ReasonCode StoreConnection::maxDepth(const std::string& queue, std::int32_t& maxDepth) {
  return queueNumber(queue, false, maxDepth);
}

ReasonCode StoreConnection::queueNumber(const std::string& queue, bool wantDepth,
                                        std::int32_t& number) {
  for (int attempt = 0; attempt < kMaxAttempts; ++attempt) {
    const QueueRef* ref = nullptr;
    ReasonCode why = startAttempt(queue, Target::kLocalQueue, ref);
    if (why == kRetry) continue;
    if (why != reason::kNone) return why;

    Statement& row = cached(depthRow_, kDepthSql, why);
    if (why != reason::kNone) return why;
    const int rc = row.reuse().bind(1, epoch_).bind(2, gen_).bind(3, ref->baseId).step();
    if (rc == SQLITE_ROW) {
      std::int64_t value = wantDepth ? row.integer(0) : row.integer(2);
      const bool expiring = wantDepth && row.integer(1) > 0;
      row.reuse();
      if (expiring) {
        // Messages past their expiry still count until a write meets them; leave them out.
        Statement& exact =
            onTable(ref->baseId, tableStatements(ref->baseId).depthExpired, kDepthExpiredSql, why);
        if (why == kRetry) continue;
        if (why != reason::kNone) return why;
        const int rc2 = exact.reuse()
                            .bind(1, epoch_)
                            .bind(2, gen_)
                            .bind(3, ref->baseId)
                            .bind(4, nowMs())
                            .step();
        if (rc2 != SQLITE_ROW) {
          exact.reuse();
          if (rc2 != SQLITE_DONE) {
            why = tableFailure(reasonFromSqlite(rc2));
            if (why == kRetry) continue;
            return why;
          }
          why = confirm(reason::kUnknownObjectName);
          if (why == kRetry) continue;
          return why;
        }
        value = exact.integer(0);
        exact.reuse();
      }
      number = static_cast<std::int32_t>(std::max<std::int64_t>(0, value));
      return reason::kNone;
    }
    row.reuse();
    if (rc != SQLITE_DONE) return reasonFromSqlite(rc);
    why = confirm(reason::kUnknownObjectName);
    if (why == kRetry) continue;
    return why;
  }
  return reason::kStoreBusy;
}

ReasonCode StoreConnection::purgeExpired(std::int64_t queueId, std::int64_t now,
                                         std::int64_t& removed) {
  removed = 0;
  ReasonCode why = reason::kNone;
  Statement& purge = onTable(queueId, tableStatements(queueId).purge, kPurgeSql, why);
  if (why != reason::kNone) return why;
  if (why = tableFailure(stepDone(purge.bind(2, now))); why != reason::kNone) return why;
  removed = db_.changes();
  if (removed == 0) return reason::kNone;
  Statement& count = cached(purgeCount_, kPurgeCountSql, why);
  if (why != reason::kNone) return why;
  return stepDone(count.bind(1, queueId).bind(2, removed));
}

ReasonCode StoreConnection::put(const std::string& queue, QueueMessage& message) {
  // Everything about the message is checked before the store is touched.
  if (message.format.size() > kFormatWidth || message.replyToQ.size() > kNameWidth ||
      message.replyQmgr.size() > kNameWidth) {
    return reason::kFieldTooLong;
  }
  if (message.expiry != kExpiryUnlimited && message.expiry <= 0) return reason::kExpiryError;
  if (message.priority < -1 || message.priority > 9) return reason::kPriorityError;
  if (message.dataLength() > kMaxMessageLength) return reason::kMessageTooBig;

  for (int attempt = 0; attempt < kMaxAttempts; ++attempt) {
    const QueueRef* ref = nullptr;
    ReasonCode why = startAttempt(queue, Target::kBaseQueue, ref);
    if (why == kRetry) continue;
    if (why != reason::kNone) return why;
    if (why = setSynchronous(message.persistent != 0); why != reason::kNone) return why;
    why = putOnce(ref->baseId, message, nowMs());
    if (why == kRetry) continue;
    return why;
  }
  return reason::kStoreBusy;
}

ReasonCode StoreConnection::putOnce(std::int64_t queueId, QueueMessage& message, std::int64_t now) {
  const bool expiring = message.expiry != kExpiryUnlimited;
  Transaction transaction(db_);
  if (const ReasonCode why = transaction.beginWrite(); why != reason::kNone) return why;

  ReasonCode why = reason::kNone;
  Statement& check = cached(putCheck_, kPutCheckSql, why);
  if (why != reason::kNone) return why;
  std::int64_t sequence = 0;
  for (int pass = 0;; ++pass) {
    const int rc = check.reuse().bind(1, epoch_).bind(2, gen_).bind(3, queueId).step();
    if (rc != SQLITE_ROW) {
      check.reuse();
      if (rc != SQLITE_DONE) return reasonFromSqlite(rc);
      // No row: the manager stopped, or the definitions changed under the cache.
      if (why = checkManager(); why != reason::kNone) return why;
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
      if (why = purgeExpired(queueId, now, removed); why != reason::kNone) return why;
      if (removed > 0) continue;
    }
    return reason::kQueueFull;
  }
  Statement& update = cached(putUpdate_, kPutUpdateSql, why);
  if (why != reason::kNone) return why;
  if (why = stepDone(update.bind(1, queueId).bind(2, sequence).bind(3, expiring ? 1 : 0));
      why != reason::kNone) {
    return why;
  }

  const std::int64_t storeId = (queueId << kSequenceBits) | sequence;
  const bool supplied = !message.msgId.isNone();
  const MessageId24 msgId = supplied ? message.msgId : ids_.assign(storeId);
  std::string format = message.format;
  format.resize(kFormatWidth, ' ');
  Statement& insert = onTable(queueId, tableStatements(queueId).insert, kPutInsertSql, why);
  if (why != reason::kNone) return why;
  insert.reuse().bind(1, sequence).bindBlob(3, idBytes(msgId)).bind(20, supplied ? 1 : 0);
  if (message.correlId.isNone()) {
    insert.bindNull(4);
  } else {
    insert.bindBlob(4, idBytes(message.correlId));
  }
  if (expiring) {
    insert.bind(5, now + std::int64_t{message.expiry} * 100);
  } else {
    insert.bindNull(5);
  }
  insert.bind(6, message.persistent != 0 ? 1 : 0)
      .bind(7, now)
      .bind(8, message.msgType)
      .bind(9, message.feedback)
      .bind(10, message.ccsid)
      .bindText(11, format)
      .bind(12, std::max(0, message.priority))
      .bind(13, message.report)
      .bind(14, message.backoutCount)
      .bindText(15, message.replyToQ)
      .bindText(16, message.replyQmgr)
      .bindText(17, putApplicationName())
      .bind(18, kPutApplTypeThisPlatform)
      .bindBlob(19, message.data());
  if (why = tableFailure(stepDone(insert)); why != reason::kNone) return why;
  if (why = transaction.commit(); why != reason::kNone) return why;

  message.msgId = msgId;
  message.format = std::move(format);
  message.putAppl = putApplicationName();
  message.putApplType = kPutApplTypeThisPlatform;
  message.putDate = putDateOf(now);
  message.putTime = putTimeOf(now);
  return reason::kNone;
}

ReasonCode StoreConnection::readData(std::int64_t queueId, std::int64_t seq, std::size_t length) {
  sqlite3_blob* blob = nullptr;
  const std::string table = messageTable(queueId);
  int rc = sqlite3_blob_open(db_.handle(), "main", table.c_str(), "data", seq, 0, &blob);
  if (rc == SQLITE_OK) {
    scratch_.resize(length);
    rc = sqlite3_blob_read(blob, scratch_.data(), static_cast<int>(length), 0);
  }
  sqlite3_blob_close(blob);
  return reasonFromSqlite(rc);
}

ReasonCode StoreConnection::get(const std::string& queue, QueueMessage& message,
                                std::int32_t options, std::int64_t& cursor) {
  const bool browseFirst = options & getopt::kBrowseFirst;
  const bool browseNext = options & getopt::kBrowseNext;
  if ((options & ~kKnownGetOptions) != 0 || (browseFirst && browseNext)) {
    return reason::kOptionsError;
  }
  const bool browse = browseFirst || browseNext;
  const bool underCursor = options & getopt::kUnderCursor;

  bool atFull = lastGetPersistent_;
  for (int attempt = 0; attempt < kMaxAttempts; ++attempt) {
    const QueueRef* ref = nullptr;
    ReasonCode why = startAttempt(queue, Target::kBaseQueue, ref);
    if (why == kRetry) continue;
    if (why != reason::kNone) return why;

    Selection selection;
    selection.queueId = ref->baseId;
    // The cursor is a store id; one from another queue (one deleted since) is no position here.
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
    selection.nowMs = nowMs();

    if (selection.destructive) {
      if (why = setSynchronous(atFull); why != reason::kNone) return why;
    }
    Received received;
    why = getOnce(selection, received);
    if (why == kRetry) continue;
    if (why == reason::kStoreFull && selection.destructive && releaseReserve(path_)) {
      // Taking messages must work on a full disk: with the reserve given back, the WAL moves into
      // the store and the get writes where the WAL starts again.
      db_.exec("PRAGMA wal_checkpoint(PASSIVE)");
      continue;
    }
    if (why == kRetryAtFull) {
      atFull = true;
      continue;
    }
    if (browse) {
      if (why == reason::kNone || why == reason::kTruncatedMessageFailed) {
        cursor = received.id;  // a browse that failed on length still moves onto the message
      } else if (why == reason::kNoMessageAvailable && browseFirst) {
        cursor = 0;
      }
    }
    if (why != reason::kNone) return why;
    if (selection.destructive) lastGetPersistent_ = received.persistent;

    message.msgId = received.msgId;
    message.correlId = received.correlId;
    if (received.expiresAt) {
      const std::int64_t left = (*received.expiresAt - selection.nowMs + 99) / 100;
      message.expiry = static_cast<std::int32_t>(std::clamp<std::int64_t>(left, 1, INT32_MAX));
    } else {
      message.expiry = kExpiryUnlimited;
    }
    message.persistent = received.persistent ? 1 : 0;
    message.msgType = received.msgType;
    message.feedback = received.feedback;
    message.ccsid = received.ccsid;
    message.format = std::move(received.format);
    message.priority = received.priority;
    message.report = received.report;
    message.backoutCount = received.backout;
    message.replyToQ = std::move(received.replyQ);
    message.replyQmgr = std::move(received.replyQmgr);
    message.putAppl = std::move(received.putAppl);
    message.putApplType = received.putApplType;
    message.putDate = putDateOf(received.putMs);
    message.putTime = putTimeOf(received.putMs);
    message.data_.swap(scratch_);
    message.totalLength_ = received.length;
    return reason::kNone;
  }
  return reason::kStoreBusy;
}

ReasonCode StoreConnection::getOnce(const Selection& selection, Received& received) {
  ReasonCode why = reason::kNone;
  TableStatements& table = tableStatements(selection.queueId);
  Statement& select = onTable(selection.queueId, table.selects[selection.variant],
                              selectSql(selection.variant), why);
  if (why != reason::kNone) return why;

  Transaction transaction(db_);
  const bool withData = selection.variant & kWithData;
  if (selection.destructive) {
    why = transaction.beginWrite();
  } else if (!withData) {
    why = transaction.beginRead();  // the body is read by a second call: one snapshot for both
  }
  if (why != reason::kNone) return why;

  select.reuse()
      .bind(1, epoch_)
      .bind(2, gen_)
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
    if (why = checkManager(); why != reason::kNone) return why;
    if (selection.destructive) {
      // A destructive get holds the write lock anyway: discard what expired on the way.
      std::int64_t removed = 0;
      if (why = purgeExpired(selection.queueId, selection.nowMs, removed); why != reason::kNone) {
        return why;
      }
      if (removed > 0) transaction.commit();
    }
    return (selection.variant & kExact) ? reason::kNoMessageUnderCursor
                                        : reason::kNoMessageAvailable;
  }

  received.seq = select.integer(0);
  received.id = (selection.queueId << kSequenceBits) | received.seq;
  received.msgId = idFromBlob(select.blob(1));
  received.correlId = select.isNull(2) ? MessageId24::none() : idFromBlob(select.blob(2));
  if (!select.isNull(3)) received.expiresAt = select.integer(3);
  received.persistent = select.integer(4) != 0;
  received.putMs = select.integer(5);
  received.msgType = static_cast<std::int32_t>(select.integer(6));
  received.feedback = static_cast<std::int32_t>(select.integer(7));
  received.ccsid = static_cast<std::int32_t>(select.integer(8));
  received.format = select.text(9);
  received.priority = static_cast<std::int32_t>(select.integer(10));
  received.report = static_cast<std::int32_t>(select.integer(11));
  received.backout = static_cast<std::int32_t>(select.integer(12));
  received.replyQ = select.text(13);
  received.replyQmgr = select.text(14);
  received.putAppl = select.text(15);
  received.putApplType = static_cast<std::int32_t>(select.integer(16));
  received.length = static_cast<std::size_t>(select.integer(17));
  received.queueExpiring = select.integer(18);

  if (selection.destructive && received.persistent && !synchronousFull_) {
    select.reuse();
    return kRetryAtFull;  // taking a persistent message must be as durable as putting it
  }
  std::size_t deliver = received.length;
  if (selection.buffer && *selection.buffer < received.length) {
    if (!selection.acceptTruncated) {
      select.reuse();
      return reason::kTruncatedMessageFailed;  // rolled back: the message stays
    }
    deliver = *selection.buffer;
  }
  if (withData) {
    const auto body = select.blob(19);
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
    Statement& erase = onTable(selection.queueId, table.erase, kDeleteMessageSql, why);
    if (why != reason::kNone) return why;
    if (why = stepDone(erase.bind(1, received.seq)); why != reason::kNone) return why;
    Statement& update = cached(getUpdate_, kGetUpdateSql, why);
    if (why != reason::kNone) return why;
    if (why = stepDone(update.bind(1, selection.queueId).bind(2, received.expiresAt ? 1 : 0));
        why != reason::kNone) {
      return why;
    }
    if (received.queueExpiring > (received.expiresAt ? 1 : 0)) {
      std::int64_t removed = 0;
      if (why = purgeExpired(selection.queueId, selection.nowMs, removed); why != reason::kNone) {
        return why;
      }
    }
  }
  if (transaction.active()) return transaction.commit();
  return reason::kNone;
}

}  // namespace kx
