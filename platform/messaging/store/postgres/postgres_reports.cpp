// The reports a client connection to a queue manager kept in PostgreSQL puts: each in the open
// transaction of its event, put as any put is, so that the event commits with its reports or not
// at all. Where a report cannot go is decided without a failed statement, which would undo the
// whole transaction: a queue that is not there is looked up, and a full one is a put that stores
// nothing.
#include "platform/messaging/store/message_rules.h"
#include "platform/messaging/store/postgres/postgres_store.h"
#include "platform/messaging/store/postgres/report_schema.h"

namespace kx {
namespace {

namespace schema = pg::schema;

// A deadlock: two transactions each waited for a row the other changed (reports onto each
// other's queues). The server undid one of them, which may simply run again.
constexpr const char* kDeadlock = "40P01";

}  // namespace

ReasonCode PostgresStore::runOpen(const pg::Statement& statement, const pg::Params& params,
                                  pg::Result& result) {
  const ReasonCode why = db_.runUncommitted(statement, params, result);
  if (why == reason::kConnectionBroken) markBroken();
  deadlocked_ = why == reason::kStoreBusy && db_.sqlState() == kDeadlock;
  return why;
}

Step PostgresStore::report(ReportCause cause, const QueueMessage& original,
                           std::span<const std::uint8_t> data, std::int64_t now,
                           const char* commit) {
  // Reports of discards that make room for this one have settings of their own.
  const std::int64_t outerNow = reportNowMs_;
  const char* outerCommit = reportCommit_;
  reportNowMs_ = now;
  reportCommit_ = commit;
  const Step step = sendReport(cause, original, data, manager_, now, *this);
  reportNowMs_ = outerNow;
  reportCommit_ = outerCommit;
  return step;
}

Step PostgresStore::endReported(const Step& step) {
  if (!step.ok()) {
    deadlocked_ = step.reason() == reason::kStoreBusy && db_.sqlState() == kDeadlock;
    if (db_.rollback() == reason::kConnectionBroken) markBroken();
    return step;
  }
  switch (db_.commit()) {
    case pg::Connection::Commit::kMade:
      return reason::kNone;
    case pg::Connection::Commit::kUndone:
      deadlocked_ = db_.sqlState() == kDeadlock;
      return pg::reasonFromSqlState(db_.sqlState(), !db_.alive());
    case pg::Connection::Commit::kUnknown:
      break;
  }
  markBroken();
  return reason::kConnectionBroken;
}

Step PostgresStore::putReport(const std::string& queue, QueueMessage& message) {
  if (const ReasonCode why = checkForPut(message); why != reason::kNone) return why;
  const QueueRef* ref = nullptr;
  if (const Step step = startAttempt(queue, Target::kBaseQueue, ref); !step.ok()) return step;
  const std::int64_t queueId = ref->baseId;
  StoredMessage stored;
  storeForPut(message, reportNowMs_, stored);
  const MessageId24 idPrefix = ids_.assign(0);
  pg::Params params;
  schema::addPut(params, epoch(), gen(), queueId, stored, idPrefix, message.data(), reportCommit_);
  RoomSearch search;
  for (;;) {
    pg::Result result;
    if (const ReasonCode why = run(put_, params, result); why != reason::kNone) return why;
    if (result.rows() == 1) {
      stored.descriptor.msgId =
          MessageId24::fromBytes(result.bytes(0, 1)).value_or(MessageId24::none());
      completePut(message, stored);
      return reason::kNone;
    }
    if (const Step step = lookForRoom(queueId, reportNowMs_, search); !step.ok()) return step;
  }
}

Step PostgresStore::deadLetterQueue(std::string& queue) {
  pg::Result result;
  if (const ReasonCode why = run(deadLetter_, pg::Params(), result); why != reason::kNone) {
    return why;
  }
  queue = result.rows() == 1 ? result.text(0, 0) : std::string();
  return reason::kNone;
}

Step PostgresStore::countDiscarded() {
  pg::Result result;
  return run(countDiscarded_, pg::Params(), result);
}

Step PostgresStore::purgeExpired(std::int64_t queueId, std::int64_t now, std::int64_t& removed) {
  removed = 0;
  pg::Params params;
  params.int8(queueId).int8(now).int4(takenRow_);
  pg::Result result;
  if (const ReasonCode why = run(purgeExpired_, params, result); why != reason::kNone) return why;
  if (result.rows() != 1) return reason::kInternalError;
  removed = result.int8(0, 0);
  if (!result.boolean(0, 1)) return reason::kNone;  // none of them asks for a report
  // Reports made while purging find room without purging in turn.
  const bool nested = purging_;
  purging_ = true;
  Step step = reason::kNone;
  if (db_.inTransaction()) {
    // Making room for a report: the discards join the transaction of its event.
    std::int64_t reported = 0;
    step = discardReporting(queueId, now, false, reported);
    removed += reported;
  } else {
    for (std::int64_t reported = schema::kReportedBatch; reported == schema::kReportedBatch;) {
      step = againAfterDeadlock([&] { return discardReporting(queueId, now, true, reported); });
      if (!step.ok()) break;
      removed += reported;
    }
  }
  purging_ = nested;
  return step;
}

Step PostgresStore::discardReporting(std::int64_t queueId, std::int64_t now, bool ownTransaction,
                                     std::int64_t& removed) {
  removed = 0;
  pg::Params params;
  params.int8(queueId).int8(now).int4(takenRow_);
  pg::Result result;
  const ReasonCode why = ownTransaction ? runOpen(purgeReporting_, params, result)
                                        : run(purgeReporting_, params, result);
  if (why != reason::kNone) return why;  // a transaction of its own ended with the failure
  Step step = reason::kNone;
  for (int row = 0; row < result.rows() && step.ok(); ++row) {
    QueueMessage original;
    std::span<const std::uint8_t> data;
    schema::readReported(result, row, 0, original, data);
    // However each was put, the discards commit for good: they must not come back, reported.
    step = report(ReportCause::kExpiry, original, data, now, "on");
  }
  if (ownTransaction) step = endReported(step);
  if (step.ok()) removed = result.rows();
  return step;
}

}  // namespace kx
