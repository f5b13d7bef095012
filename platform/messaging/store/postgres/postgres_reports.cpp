// The reports a client connection to a queue manager kept in PostgreSQL puts: each in the open
// transaction of its event, put as any put is, so that the event commits with its reports or not
// at all. Where a report cannot go is decided without a failed statement, which would undo the
// whole transaction: a queue that is not there is looked up, and a full one is a put that stores
// nothing.
#include <chrono>
#include <random>
#include <thread>

#include "platform/messaging/store/message_rules.h"
#include "platform/messaging/store/postgres/postgres_store.h"
#include "platform/messaging/store/postgres/report_schema.h"
#include "platform/messaging/store/seam_calls.h"

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
  noteDeadlock(why);
  return why;
}

void PostgresStore::noteDeadlock(ReasonCode why) {
  if (why == reason::kStoreBusy && db_.sqlState() == kDeadlock) deadlocked_ = true;
}

void PostgresStore::pauseAfterDeadlock(int count) {
  std::uniform_int_distribution<int> milliseconds(0, 10 * count);
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds(pauses_)));
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
    if (db_.rollback() == reason::kConnectionBroken) markBroken();
    return step;
  }
  switch (db_.commit()) {
    case pg::Connection::Commit::kMade:
      return reason::kNone;
    case pg::Connection::Commit::kUndone: {
      const ReasonCode why = pg::reasonFromSqlState(db_.sqlState(), !db_.alive());
      noteDeadlock(why);
      return why;
    }
    case pg::Connection::Commit::kUnknown:
      break;
  }
  markBroken();
  return reason::kConnectionBroken;
}

namespace {

// Learns from the rules what the arrival report of a message is, when all they do with it is put
// it on one queue. Anything else (a dead-letter queue, a discard) is left to a transaction in
// which the report is put as the rules go.
class OneReport final : public ReportSink {
 public:
  Step putReport(const std::string& queue, QueueMessage& message) override {
    if (puts_++ > 0) return reason::kInternalError;
    queue_ = queue;
    message_ = message;
    return reason::kNone;
  }
  Step deadLetterQueue(std::string& /*queue*/) override {
    other_ = true;
    return reason::kInternalError;
  }
  Step countDiscarded() override {
    other_ = true;
    return reason::kInternalError;
  }
  bool found() const { return puts_ == 1 && !other_; }
  const std::string& queue() const { return queue_; }
  const QueueMessage& message() const { return message_; }

 private:
  int puts_ = 0;
  bool other_ = false;
  std::string queue_;
  QueueMessage message_;
};

}  // namespace

Step PostgresStore::putArriving(std::int64_t queueId, const QueueMessage& message,
                                StoredMessage& stored, const MessageId24& idPrefix,
                                std::int64_t now, const char* commit, bool& done) {
  done = false;
  // The id the put assigns is not known yet: a stand-in marks where the report carries it.
  QueueMessage original = stored.descriptor;
  if (!stored.supplied) original.msgId = idPrefix;
  OneReport one;
  if (!sendReport(ReportCause::kArrival, original, message.data(), manager_, now, one).ok() ||
      !one.found()) {
    return reason::kNone;
  }
  // A queue it cannot go to, or the message's own, is left to the report's own put.
  const QueueRef* ref = nullptr;
  if (!startAttempt(one.queue(), Target::kBaseQueue, ref).ok() || ref->baseId == queueId) {
    return reason::kNone;
  }
  const std::int64_t replyId = ref->baseId;
  QueueMessage report = one.message();
  if (checkForPut(report) != reason::kNone) return reason::kNone;
  StoredMessage reported;
  storeForPut(report, now, reported);
  const bool ownId = !stored.supplied && report.msgId == idPrefix;
  const bool ownCorrel = !stored.supplied && report.correlId == idPrefix;
  pg::Params params;
  schema::addPut(params, epoch(), gen(), queueId, stored, idPrefix, message.data(), commit);
  params.int8(replyId);
  if (ownId || report.msgId.isNone()) {
    params.null();
  } else {
    params.bytes(report.msgId.bytes());
  }
  params.int8(reported.putMs);
  schema::addStored(params, reported);
  params.bytes(report.data()).boolean(ownId).boolean(ownCorrel);
  seam::beforeCommit("put");
  pg::Result result;
  if (const ReasonCode why = run(putArriving_, params, result); why != reason::kNone) {
    // A report that needs more than that put is put as the rules go.
    return db_.sqlState() == schema::kReportNotPut ? Step(reason::kNone) : Step(why);
  }
  if (result.rows() != 1) return reason::kNone;  // no room for the message, or the manager changed
  stored.descriptor.msgId =
      MessageId24::fromBytes(result.bytes(0, 1)).value_or(MessageId24::none());
  done = true;
  return reason::kNone;
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
