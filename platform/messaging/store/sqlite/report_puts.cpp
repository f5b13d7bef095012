#include "platform/messaging/store/sqlite/report_puts.h"

#include <utility>

#include "platform/messaging/store/sqlite/message_table.h"

namespace kx {
namespace {

// A queue by its name, with the counters a put onto it needs when it is a local queue.
constexpr const char* kReportQueueSql =
    "SELECT id, alias_for, next_seq, depth, max_depth, expiring FROM queues WHERE name = ?1";
constexpr const char* kReportRoomSql =
    "SELECT next_seq, depth, max_depth, expiring FROM queues WHERE id = ?1";
constexpr const char* kReportPutUpdateSql =
    "UPDATE queues SET depth = depth + 1, next_seq = ?2, expiring = expiring + ?3 WHERE id = ?1";
constexpr const char* kExpiredCountSql =
    "UPDATE queues SET depth = depth - ?2, expiring = expiring - ?2 WHERE id = ?1";
constexpr const char* kDeadLetterSql = "SELECT coalesce(dead_letter, '') FROM manager WHERE id = 1";
constexpr const char* kDiscardedSql =
    "UPDATE manager SET discarded_reports = discarded_reports + 1 WHERE id = 1";
constexpr const char* kManagerNameSql = "SELECT name FROM manager WHERE id = 1";

// The expired messages that ask for expiration reports, in the order they arrived: the index on
// the expiry finds them, and a message that asks for none is never read.
const std::string& expiredAskingSql() {
  static const std::string sql = "SELECT " + message_table::descriptorColumns() +
                                 " FROM {T} m WHERE m.expires_at <= ?1 AND (m.report & " +
                                 std::to_string(report::kExpiration) + ") != 0 ORDER BY m.seq";
  return sql;
}

constexpr int kExpiredLengthColumn = message_table::kDescriptorColumnCount - 1;

// A message table that is not there although its queue's row is: the store is damaged.
Step reportQueueFailure(const Step& step) {
  return step.reason() == reason::kInternalError ? Step(reason::kStoreDamaged) : step;
}

}  // namespace

SqliteReports::~SqliteReports() = default;

Statement& SqliteReports::cached(Statement& statement, const char* sql, Step& step) {
  step = Step();
  if (statement.handle() == nullptr) step = db_.prepare(sql, statement);
  return statement;
}

Statement& SqliteReports::onTable(std::int64_t queueId, Statement TableStatements::*which,
                                  std::string_view sql, Step& step) {
  step = Step();
  auto& slot = tables_[queueId];
  if (!slot) slot = std::make_unique<TableStatements>();
  Statement& statement = (*slot).*which;
  if (statement.handle() == nullptr) {
    step = db_.prepare(message_table::onTable(sql, queueId), statement);
  }
  return statement;
}

Step SqliteReports::managerName() {
  if (!manager_.empty()) return reason::kNone;
  Step step;
  Statement& row = cached(nameRow_, kManagerNameSql, step);
  if (!step.ok()) return step;
  const int rc = row.reuse().step();
  if (rc == SQLITE_ROW) manager_ = row.text(0);
  row.reuse();
  if (rc == SQLITE_DONE) return reason::kStoreDamaged;
  return rc == SQLITE_ROW ? reason::kNone : reasonFromSqlite(rc);
}

Step SqliteReports::send(ReportCause cause, const QueueMessage& original,
                         std::span<const std::uint8_t> data, std::int64_t nowMs) {
  if (const Step step = managerName(); !step.ok()) return step;
  // A report put may discard expired messages whose own reports are sent on the way; each
  // event keeps its own time.
  const std::int64_t outer = std::exchange(nowMs_, nowMs);
  const Step step = sendReport(cause, original, data, manager_, nowMs, *this);
  nowMs_ = outer;
  return step;
}

Step SqliteReports::readBody(std::int64_t queueId, std::int64_t seq, std::size_t length,
                             std::span<const std::uint8_t>& body) {
  const Step step = message_table::readBody(db_, queueId, seq, length, body_);
  body = body_;
  return step;
}

Step SqliteReports::collectExpired(std::int64_t queueId, std::int64_t nowMs,
                                   std::vector<Expired>& expired) {
  Step step;
  Statement& select = onTable(queueId, &TableStatements::expired, expiredAskingSql(), step);
  if (!step.ok()) return step;
  select.reuse().bind(1, nowMs);
  StoredMessage stored;
  int rc = SQLITE_ROW;
  while ((rc = select.step()) == SQLITE_ROW) {
    message_table::readStored(select, 1, stored);
    const auto length = static_cast<std::size_t>(select.integer(kExpiredLengthColumn));
    const std::size_t needed =
        reportDataLength(stored.descriptor.report, ReportCause::kExpiry, length);
    Expired& message = expired.emplace_back();
    message.descriptor = stored.descriptor;
    if (needed > 0)
      step = message_table::readBody(db_, queueId, select.integer(0), needed, message.data);
    if (!step.ok()) break;
  }
  select.reuse();
  if (!step.ok()) return step;
  return rc == SQLITE_DONE ? reason::kNone : reasonFromSqlite(rc);
}

Step SqliteReports::sendExpired(const std::vector<Expired>& expired, std::int64_t nowMs) {
  for (const Expired& message : expired) {
    if (const Step step = send(ReportCause::kExpiry, message.descriptor, message.data, nowMs);
        !step.ok()) {
      return step;
    }
  }
  return reason::kNone;
}

Step SqliteReports::discardExpired(std::int64_t queueId, std::int64_t nowMs,
                                   std::int64_t& removed) {
  removed = 0;
  std::vector<Expired> expired;  // empty unless a message asks: nothing allocated
  if (const Step step = collectExpired(queueId, nowMs, expired); !step.ok()) return step;
  Step step;
  Statement& purge =
      onTable(queueId, &TableStatements::purge, message_table::kDeleteExpiredSql, step);
  if (!step.ok()) return step;
  if (const ReasonCode why = stepDone(purge.bind(1, nowMs)); why != reason::kNone) return why;
  removed = db_.changes();
  if (removed == 0) return reason::kNone;
  Statement& count = cached(purgeCount_, kExpiredCountSql, step);
  if (!step.ok()) return step;
  if (const ReasonCode why = stepDone(count.bind(1, queueId).bind(2, removed));
      why != reason::kNone) {
    return why;
  }
  return sendExpired(expired, nowMs);
}

Step SqliteReports::putReport(const std::string& queue, QueueMessage& message) {
  if (const ReasonCode why = checkForPut(message); why != reason::kNone) return why;
  Room room;
  if (const Step step = resolve(queue, room); !step.ok()) return step;
  for (int pass = 0;; ++pass) {
    if (pass > 0) {
      if (const Step step = readRoom(room); !step.ok()) return step;
    }
    if (room.depth < room.maxDepth && room.nextSeq < kMaxSequence) break;
    if (pass > 0 || room.expiring == 0) return reason::kQueueFull;
    // Expired messages do not count against the maximum, on this put as on any other: they go
    // (with their own reports), and the room is looked at again. They stay gone if it is still
    // full: they would have gone at the next write that met them.
    std::int64_t removed = 0;
    if (const Step step = discardExpired(room.id, nowMs_, removed); !step.ok()) {
      return reportQueueFailure(step);
    }
    if (removed == 0) return reason::kQueueFull;
  }
  return reportQueueFailure(insert(room, message));
}

Step SqliteReports::resolve(const std::string& queue, Room& room) {
  Step step;
  Statement& row = cached(queueRow_, kReportQueueSql, step);
  if (!step.ok()) return step;
  std::string name = queue;
  // A local queue, or an alias of one; an alias never stands for another alias.
  for (int hop = 0; hop < 2; ++hop) {
    const int rc = row.reuse().bindText(1, name).step();
    if (rc != SQLITE_ROW) {
      row.reuse();
      return rc == SQLITE_DONE ? Step(reason::kUnknownObjectName) : Step(reasonFromSqlite(rc));
    }
    const bool local = row.isNull(1);
    room = {row.integer(0), row.integer(2), row.integer(3), row.integer(4), row.integer(5)};
    std::string target = local ? std::string() : row.text(1);
    row.reuse();
    if (local) return reason::kNone;
    name = std::move(target);
  }
  return reason::kUnknownObjectName;
}

Step SqliteReports::readRoom(Room& room) {
  Step step;
  Statement& row = cached(roomRow_, kReportRoomSql, step);
  if (!step.ok()) return step;
  const int rc = row.reuse().bind(1, room.id).step();
  if (rc == SQLITE_ROW) {
    room.nextSeq = row.integer(0);
    room.depth = row.integer(1);
    room.maxDepth = row.integer(2);
    room.expiring = row.integer(3);
  }
  row.reuse();
  if (rc == SQLITE_DONE) return reason::kStoreDamaged;  // resolved in this very transaction
  return rc == SQLITE_ROW ? reason::kNone : reasonFromSqlite(rc);
}

Step SqliteReports::insert(const Room& room, QueueMessage& message) {
  const std::int64_t sequence = room.nextSeq + 1;
  storeForPut(message, nowMs_, stored_);
  Step step;
  Statement& update = cached(putUpdate_, kReportPutUpdateSql, step);
  if (!step.ok()) return step;
  if (const ReasonCode why =
          stepDone(update.bind(1, room.id).bind(2, sequence).bind(3, stored_.expiresAt ? 1 : 0));
      why != reason::kNone) {
    return why;
  }
  if (!stored_.supplied) stored_.descriptor.msgId = ids_.assign(storeIdOf(room.id, sequence));
  Statement& row = onTable(room.id, &TableStatements::insert, message_table::insertSql(), step);
  if (!step.ok()) return step;
  if (const ReasonCode why =
          stepDone(message_table::bindRow(row, sequence, stored_, message.data()));
      why != reason::kNone) {
    return why;
  }
  completePut(message, stored_);
  return reason::kNone;
}

Step SqliteReports::deadLetterQueue(std::string& queue) {
  Step step;
  Statement& row = cached(deadLetterRow_, kDeadLetterSql, step);
  if (!step.ok()) return step;
  const int rc = row.reuse().step();
  if (rc == SQLITE_ROW) queue = row.text(0);
  row.reuse();
  if (rc == SQLITE_DONE) return reason::kStoreDamaged;
  return rc == SQLITE_ROW ? reason::kNone : reasonFromSqlite(rc);
}

Step SqliteReports::countDiscarded() {
  Step step;
  Statement& update = cached(discardCount_, kDiscardedSql, step);
  if (!step.ok()) return step;
  return stepDone(update);
}

}  // namespace kx
