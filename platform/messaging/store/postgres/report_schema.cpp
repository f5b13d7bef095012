#include "platform/messaging/store/postgres/report_schema.h"

#include <string_view>

#include "platform/messaging/store/postgres/postgres_schema.h"
#include "platform/messaging/store/put_context.h"

namespace kx::pg::schema {
namespace {

// The report word bits of each cause's kind, and of its data.
struct Bits {
  std::int32_t kind;
  std::int32_t withData;
  std::int32_t withFullData;
};

Bits bitsOf(ReportCause cause) {
  switch (cause) {
    case ReportCause::kArrival:
      return {report::kCoa, report::kCoaWithData, report::kCoaWithFullData};
    case ReportCause::kDelivery:
      return {report::kCod, report::kCodWithData, report::kCodWithFullData};
    case ReportCause::kExpiry:
      break;
  }
  return {report::kExpiration, report::kExpirationWithData, report::kExpirationWithFullData};
}

// Whether the report word of `m` holds all the bits of `bits`.
std::string holds(const char* m, std::int32_t bits) {
  const std::string value = std::to_string(bits);
  return "(" + std::string(m) + ".report & " + value + ") = " + value;
}

}  // namespace

std::string asksFor(const char* m, ReportCause cause) {
  return "(" + std::string(m) + ".report & " + std::to_string(bitsOf(cause).kind) + ") <> 0";
}

std::string reportDataOf(const char* m, ReportCause cause) {
  const Bits bits = bitsOf(cause);
  return "substring(" + std::string(m) + ".data FROM 1 FOR CASE WHEN " +
         holds(m, bits.withFullData) + " OR " + holds(m, report::kExceptionWithFullData) +
         " THEN length(" + m + ".data) WHEN " + holds(m, bits.withData) + " OR " +
         holds(m, report::kExceptionWithData) + " THEN " + std::to_string(report::kWithDataBytes) +
         " ELSE 0 END)";
}

std::string reportedColumns(const char* m, ReportCause cause) {
  return std::string(m) + ".msg_id, " + storedColumns(std::string(m) + ".") + ", " +
         reportDataOf(m, cause);
}

void readReported(const Result& result, int row, int first, QueueMessage& original,
                  std::span<const std::uint8_t>& data) {
  original.msgId = MessageId24::fromBytes(result.bytes(row, first)).value_or(MessageId24::none());
  readStored(result, first + 1, original, row);
  data = result.bytes(row, first + 1 + static_cast<int>(kStoredFieldCount));
}

Statement putArriving(const std::string& s) {
  const auto at = [](int number) { return "$" + std::to_string(number); };
  const int queue = kPutDataParameter + 2;  // the report's, after the message's
  const int given = queue + 1;
  const int putMs = queue + 2;
  const int stored = queue + 3;
  const int data = stored + static_cast<int>(kStoredFieldCount);
  const int ownId = data + 1;
  const int ownCorrel = data + 2;
  std::string reportFields;
  for (std::size_t i = 0; i < kStoredFieldCount; ++i) {
    const std::string value = at(stored + static_cast<int>(i));
    reportFields += (i > 0 ? ", " : "") +
                    (std::string_view(kStoredFields[i]->column) == "correl_id"
                         ? "CASE WHEN " + at(ownCorrel) + " THEN m.msg_id ELSE " + value + " END"
                         : value);
  }
  const std::string columns =
      "INSERT INTO {S}.messages(queue_id, seq, msg_id, supplied, expires_at, put_ms, " +
      storedColumns("") + ", data) ";
  std::string sql =
      "WITH q AS (UPDATE {S}.queues q SET added = q.added + 1, next_seq = "
      "q.next_seq + 1 FROM {S}.manager g WHERE " +
      inEpoch(s) + " AND q.id = $3 AND " + hasRoom("q") + " RETURNING q.id, q.next_seq), m AS (" +
      columns + "SELECT q.id, q.next_seq, coalesce($4, " +
      assignedIdSql("$5", "q.id", "q.next_seq") + "), $4 IS NOT NULL, $6, $7, " +
      storedParameters(8) + ", " + at(kPutDataParameter) + " FROM q RETURNING seq, msg_id), ";
  sql +=
      "r AS (UPDATE {S}.queues r SET added = r.added + 1, next_seq = r.next_seq + 1 WHERE "
      "r.id = " +
      at(queue) + " AND " + hasRoom("r") + " AND EXISTS (SELECT 1 FROM m) RETURNING r.id, " +
      "r.next_seq), arrival AS (" + columns + "SELECT r.id, r.next_seq, CASE WHEN " + at(ownId) +
      " THEN m.msg_id ELSE coalesce(" + at(given) + ", " +
      assignedIdSql("$5", "r.id", "r.next_seq") + ") END, " + at(ownId) + " OR " + at(given) +
      " IS NOT NULL, NULL, " + at(putMs) + ", " + reportFields + ", " + at(data) +
      " FROM r CROSS JOIN m RETURNING seq) ";
  sql += "SELECT m.seq, m.msg_id, set_config('synchronous_commit', " + at(kPutDataParameter + 1) +
         ", true), coalesce((SELECT arrival.seq FROM arrival), {S}.report_not_put()) FROM m";
  std::vector<Type> types = putTypes();
  types.insert(types.end(), {Type::kInt8, Type::kBytea, Type::kInt8});
  addStoredTypes(types);
  types.insert(types.end(), {Type::kBytea, Type::kBool, Type::kBool});
  return {"kx_put_arriving", inSchema(sql, s), types};
}

Statement deadLetter(const std::string& s) {
  return {
      "kx_dead_letter", "SELECT coalesce(dead_letter, '') FROM " + s + ".manager WHERE id = 1", {}};
}

Statement countDiscarded(const std::string& s) {
  return {"kx_count_discarded",
          "UPDATE " + s + ".manager SET discarded_reports = discarded_reports + 1 WHERE id = 1",
          {}};
}

Statement purgeReporting(const std::string& s) {
  return {"kx_purge_reporting",
          inSchema(R"sql(
WITH expired AS (
  DELETE FROM {S}.messages m WHERE m.ctid = ANY (ARRAY(
    SELECT e.ctid FROM {S}.messages e WHERE e.queue_id = $1 AND e.expires_at <= $2 AND )sql" +
                       asksFor("e", ReportCause::kExpiry) + R"sql(
    ORDER BY e.seq LIMIT )sql" +
                       std::to_string(kReportedBatch) +
                       R"sql( FOR UPDATE SKIP LOCKED))
  RETURNING m.*),
counted AS (
  UPDATE {S}.taken t SET removed = t.removed + (SELECT count(*) FROM expired)
  WHERE t.queue_id = $1 AND t.shard = $3 AND EXISTS (SELECT 1 FROM expired))
SELECT )sql" + reportedColumns("expired", ReportCause::kExpiry) +
                       " FROM expired ORDER BY expired.seq",
                   s),
          {Type::kInt8, Type::kInt8, Type::kInt4}};
}

std::string discardAtStartSql(const std::string& s) {
  return inSchema(R"sql(
WITH lost AS (
  DELETE FROM {S}.messages WHERE NOT persistent OR expires_at <= $1 RETURNING *),
counted AS (
  UPDATE {S}.taken t SET removed = t.removed + c.n
  FROM (SELECT queue_id, count(*) AS n FROM lost GROUP BY queue_id) c
  WHERE t.queue_id = c.queue_id AND t.shard = 0)
SELECT lost.queue_id, )sql" +
                      reportedColumns("lost", ReportCause::kExpiry) +
                      " FROM lost WHERE lost.expires_at <= $1 AND " +
                      asksFor("lost", ReportCause::kExpiry) + " ORDER BY lost.queue_id, lost.seq",
                  s);
}

}  // namespace kx::pg::schema
