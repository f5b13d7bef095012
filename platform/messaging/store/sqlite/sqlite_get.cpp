// The gets of the embedded store: which message a get finds, and how it is read and taken off its
// queue in one transaction.
#include <optional>

#include "platform/messaging/store/get_selection.h"
#include "platform/messaging/store/message_rules.h"
#include "platform/messaging/store/put_context.h"
#include "platform/messaging/store/report_rules.h"
#include "platform/messaging/store/seam_calls.h"
#include "platform/messaging/store/sqlite/message_table.h"
#include "platform/messaging/store/sqlite/sqlite_store.h"
#include "platform/messaging/store/sqlite/store_reserve.h"

namespace kx {
namespace {

constexpr const char* kGetUpdateSql =
    "UPDATE queues SET depth = depth - 1, expiring = expiring - ?2 WHERE id = ?1";

// The body in the same row as the descriptor: only when it is delivered whole.
constexpr unsigned kWithData = GetSelection::kOwnVariant;

// Columns of the selection after the descriptor's.
constexpr int kLengthColumn = message_table::kDescriptorColumnCount - 1;
constexpr int kQueueExpiringColumn = message_table::kDescriptorColumnCount;
constexpr int kBodyColumn = kQueueExpiringColumn + 1;

std::string selectSql(unsigned variant) {
  std::string sql = "SELECT " + message_table::descriptorColumns() + ", q.expiring";
  if (variant & kWithData) sql += ", m.data";
  sql +=
      " FROM manager g CROSS JOIN queues q CROSS JOIN {T} m WHERE g.id = 1 AND g.running = 1 "
      "AND g.epoch = ?1 AND g.gen = ?2 AND q.id = ?8 AND (m.expires_at IS NULL OR m.expires_at > "
      "?3)";
  if (variant & GetSelection::kExact) {
    sql += " AND m.seq = ?4";
  } else {
    sql += " AND m.seq > ?4";
    // A message with this id either was assigned it, and sits at the sequence the id carries,
    // or was given it by its putter, and is in the index of given ids.
    if (variant & GetSelection::kByMsgId) {
      sql += " AND m.msg_id = ?6 AND (m.seq = ?9 OR (m.msg_id = ?6 AND m.supplied = 1))";
    }
    if (variant & GetSelection::kByCorrelId) sql += " AND m.correl_id = ?7";
    sql += " ORDER BY m.seq LIMIT 1";
  }
  return sql;
}

std::span<const std::uint8_t> idBytes(const MessageId24& id) { return {id.bytes()}; }

}  // namespace

struct SqliteStore::Selection {
  GetSelection get;
  std::int64_t queueId = 0;
  const QueueMessage* message = nullptr;  // the ids it asks for
  bool destructive = false;
  std::int64_t nowMs = 0;
};

struct SqliteStore::Received {
  std::int64_t id = 0;  // the store id
  std::int64_t seq = 0;
  StoredMessage message;
  std::int64_t queueExpiring = 0;  // messages with an expiry on the queue, this one included
};

ReasonCode SqliteStore::get(const std::string& queue, QueueMessage& message, std::int32_t options,
                            std::int64_t& cursor) {
  if (const ReasonCode why = checkGetOptions(options); why != reason::kNone) return why;
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
        selection.get = GetSelection::of(options, message, ref->baseId, cursor);
        if (!selection.get.buffer) selection.get.variant |= kWithData;
        selection.queueId = ref->baseId;
        selection.message = &message;
        selection.destructive = !selection.get.browse;
        selection.nowMs = seam::nowMs();
        if (selection.destructive) {
          if (const ReasonCode syncWhy = setSynchronous(getAtFull_); syncWhy != reason::kNone) {
            return syncWhy;
          }
        }
        received.id = 0;
        const Step step = getOnce(selection, received);
        if (step.retry() != Retry::kNo) return step;
        if (step.reason() == reason::kStoreFull && selection.destructive && releaseReserve(path_)) {
          return Step::again(Retry::kReserveReleased);
        }
        selection.get.moveCursor(step.reason(), received.id, cursor);
        return step;
      },
      [this](Retry retry) { prepareRetry(retry); });
  if (why != reason::kNone) return why;
  if (selection.destructive) lastGetPersistent_ = received.message.descriptor.persistent != 0;
  deliver(received.message, scratch_, selection.nowMs, message);
  return reason::kNone;
}

Step SqliteStore::getOnce(const Selection& selection, Received& received) {
  Step step;
  const unsigned variant = selection.get.variant;
  Statement& select =
      onTable(selection.queueId, tableStatements(selection.queueId).selects[variant],
              selectSql(variant), step);
  if (!step.ok()) return step;

  Transaction transaction(db_);
  ReasonCode why = reason::kNone;
  if (selection.destructive) {
    why = transaction.beginWrite();
  } else if (!(variant & kWithData)) {
    why = transaction.beginRead();  // the body is read by a second call: one snapshot for both
  }
  if (why != reason::kNone) return why;

  const int rc = bindSelection(select, selection).step();
  if (rc != SQLITE_ROW) {
    select.reuse();
    if (rc != SQLITE_DONE) return tableFailure(reasonFromSqlite(rc));
    return nothingFound(selection, transaction);
  }
  received.seq = select.integer(0);
  received.id = storeIdOf(selection.queueId, received.seq);
  message_table::readStored(select, 1, received.message);
  received.message.length = static_cast<std::size_t>(select.integer(kLengthColumn));
  received.queueExpiring = select.integer(kQueueExpiringColumn);

  step = readBody(select, selection, received);
  select.reuse();
  if (!step.ok()) return step;
  if (selection.destructive) {
    // A take of a message that asks for a delivery report puts it in the same transaction.
    const QueueMessage& descriptor = received.message.descriptor;
    const bool asks = (descriptor.report & kStoreReports) != 0;
    std::span<const std::uint8_t> body;
    if (asks) {
      if (step = bodyForReport(selection, received, body); !step.ok()) return step;
    }
    if (step = takeOff(selection, received); !step.ok()) return step;
    if (asks) {
      if (step = reports().send(ReportCause::kDelivery, descriptor, body, selection.nowMs);
          !step.ok()) {
        return step;
      }
    }
    seam::beforeCommit("get");
  }
  if (transaction.active()) return transaction.commit();
  return reason::kNone;
}

Step SqliteStore::bodyForReport(const Selection& selection, const Received& received,
                                std::span<const std::uint8_t>& body) {
  const std::size_t needed = reportDataLength(received.message.descriptor.report,
                                              ReportCause::kDelivery, received.message.length);
  // What the get delivers is the start of the body: enough, unless it was cut short.
  if (needed <= scratch_.size()) {
    body = std::span<const std::uint8_t>(scratch_).first(needed);
    return reason::kNone;
  }
  return reports().readBody(selection.queueId, received.seq, needed, body);
}

Statement& SqliteStore::bindSelection(Statement& select, const Selection& selection) {
  select.reuse()
      .bind(1, epoch())
      .bind(2, gen())
      .bind(3, selection.nowMs)
      .bind(4, selection.get.position)
      .bind(8, selection.queueId);
  if (selection.get.variant & GetSelection::kByMsgId) {
    select.bindBlob(6, idBytes(selection.message->msgId)).bind(9, selection.get.assignedSeq);
  }
  if (selection.get.variant & GetSelection::kByCorrelId) {
    select.bindBlob(7, idBytes(selection.message->correlId));
  }
  return select;
}

Step SqliteStore::nothingFound(const Selection& selection, Transaction& transaction) {
  if (const Step step = checkManager(); !step.ok()) return step;
  if (selection.destructive) {
    // A destructive get holds the write lock anyway: discard what expired on the way.
    std::int64_t removed = 0;
    if (const Step step = purgeExpired(selection.queueId, selection.nowMs, removed); !step.ok()) {
      return step;
    }
    if (removed > 0) {
      if (const ReasonCode why = transaction.commit(); why != reason::kNone) return why;
    }
  }
  return (selection.get.variant & GetSelection::kExact) ? reason::kNoMessageUnderCursor
                                                        : reason::kNoMessageAvailable;
}

Step SqliteStore::readBody(const Statement& select, const Selection& selection,
                           const Received& received) {
  const StoredMessage& message = received.message;
  if (selection.destructive && message.descriptor.persistent != 0 && !synchronousFull_) {
    return Step::again(Retry::kAtFullSync);  // a persistent take is as durable as its put
  }
  std::size_t deliver = message.length;
  if (selection.get.buffer && *selection.get.buffer < message.length) {
    if (!selection.get.acceptTruncated) {
      return reason::kTruncatedMessageFailed;  // rolled back: the message stays
    }
    deliver = *selection.get.buffer;
  }
  if (selection.get.variant & kWithData) {
    const auto body = select.blob(kBodyColumn);
    scratch_.assign(body.begin(), body.end());
  } else if (deliver > 0) {
    return readData(selection.queueId, received.seq, deliver);
  } else {
    scratch_.clear();  // nothing asked for: the body is never read
  }
  return reason::kNone;
}

Step SqliteStore::takeOff(const Selection& selection, const Received& received) {
  Step step;
  Statement& erase = onTable(selection.queueId, tableStatements(selection.queueId).erase,
                             message_table::kDeleteOneSql, step);
  if (!step.ok()) return step;
  ReasonCode why = stepDone(erase.bind(1, received.seq));
  if (why != reason::kNone) return why;
  Statement& update = cached(getUpdate_, kGetUpdateSql, why);
  if (why != reason::kNone) return why;
  const int expiring = received.message.expiresAt ? 1 : 0;
  if (why = stepDone(update.bind(1, selection.queueId).bind(2, expiring)); why != reason::kNone) {
    return why;
  }
  if (received.queueExpiring > expiring) {
    std::int64_t removed = 0;
    return purgeExpired(selection.queueId, selection.nowMs, removed);
  }
  return reason::kNone;
}

}  // namespace kx
