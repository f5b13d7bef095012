#include "platform/messaging/store/postgres/start_reports.h"

#include <string>

#include "platform/messaging/store/message_rules.h"
#include "platform/messaging/store/postgres/postgres_schema.h"
#include "platform/messaging/store/postgres/report_schema.h"
#include "platform/messaging/store/put_context.h"
#include "platform/messaging/store/report_rules.h"

namespace kx::admin::postgres {
namespace {

namespace schema = pg::schema;

// Puts the reports of a start through its session, as a client's put would: onto the base queue
// of an alias, within the queue's maximum, with an id the put statement assigns.
class StartReports final : public ReportSink {
 public:
  StartReports(Session& session, std::int64_t epoch, std::int64_t gen, std::int64_t nowMs)
      : session_(session), epoch_(epoch), gen_(gen), nowMs_(nowMs) {}

  Step putReport(const std::string& queue, QueueMessage& message) override {
    if (const ReasonCode why = checkForPut(message); why != reason::kNone) return why;
    std::int64_t queueId = 0;
    if (const ReasonCode why = resolve(queue, queueId); why != reason::kNone) return why;
    StoredMessage stored;
    storeForPut(message, nowMs_, stored);
    const MessageId24 idPrefix = ids_.assign(0);
    Params params;
    schema::addPut(params, epoch_, gen_, queueId, stored, idPrefix, message.data(), "on");
    for (bool counted = false;; counted = true) {
      Result result;
      if (const ReasonCode why = session_.db.run(put_, params, result); why != reason::kNone) {
        return why;
      }
      if (result.rows() == 1) return reason::kNone;
      if (counted) return reason::kQueueFull;
      // What was taken is added up again: the count the queue's row keeps may be behind.
      Params queueParams;
      queueParams.int8(queueId);
      Result room;
      if (const ReasonCode why = session_.db.run(countTaken_, queueParams, room);
          why != reason::kNone) {
        return why;
      }
      if (room.rows() != 1 || !room.boolean(0, 0)) return reason::kQueueFull;
    }
  }

  Step deadLetterQueue(std::string& queue) override {
    Result result;
    if (const ReasonCode why = session_.db.run(deadLetter_, Params(), result);
        why != reason::kNone) {
      return why;
    }
    queue = result.rows() == 1 ? result.text(0, 0) : std::string();
    return reason::kNone;
  }

  Step countDiscarded() override {
    Result result;
    return session_.db.run(countDiscarded_, Params(), result);
  }

 private:
  // The id of the local queue `name` stands for; kUnknownObjectName, or kNotAliasable for an
  // alias of an alias, when a put onto it fails.
  ReasonCode resolve(const std::string& name, std::int64_t& queueId) {
    std::string looked = name;
    for (int hops = 0; hops < 2; ++hops) {
      Params params;
      params.text(looked);
      Result row;
      if (const ReasonCode why = session_.db.run(queueRow_, params, row); why != reason::kNone) {
        return why;
      }
      if (row.rows() != 1) return reason::kUnknownObjectName;
      if (row.isNull(0, 1)) {
        queueId = row.int8(0, 0);
        return reason::kNone;
      }
      looked = row.text(0, 1);
    }
    return reason::kNotAliasable;
  }

  Session& session_;
  std::int64_t epoch_;
  std::int64_t gen_;
  std::int64_t nowMs_;
  MessageIdSource ids_;
  pg::Statement put_ = schema::put(session_.schemaName);
  pg::Statement countTaken_ = schema::countTaken(session_.schemaName);
  pg::Statement queueRow_ = schema::queueRow(session_.schemaName);
  pg::Statement deadLetter_ = schema::deadLetter(session_.schemaName);
  pg::Statement countDiscarded_ = schema::countDiscarded(session_.schemaName);
};

}  // namespace

ReasonCode discardAtStart(Session& session, std::int64_t epoch, std::int64_t gen,
                          std::int64_t nowMs) {
  Params params;
  params.int8(nowMs);
  Result expired;
  if (const ReasonCode why = session.run(schema::discardAtStartSql(session.schemaName),
                                         {Type::kInt8}, params, expired);
      why != reason::kNone) {
    return why;
  }
  StartReports sink(session, epoch, gen, nowMs);
  for (int row = 0; row < expired.rows(); ++row) {
    QueueMessage original;
    std::span<const std::uint8_t> data;
    schema::readReported(expired, row, 1, original, data);
    const Step step =
        sendReport(ReportCause::kExpiry, original, data, session.manager, nowMs, sink);
    if (!step.ok()) return step.retry() == Retry::kNo ? step.reason() : reason::kInternalError;
  }
  return reason::kNone;
}

}  // namespace kx::admin::postgres
