#include "platform/messaging/store/postgres/postgres_schema.h"

#include "platform/messaging/store/postgres/report_schema.h"
#include "platform/messaging/store/put_context.h"

namespace kx::pg::schema {
namespace {

Type typeOf(FieldKind kind) {
  switch (kind) {
    case FieldKind::kNumber:
      return Type::kInt4;
    case FieldKind::kFlag:
      return Type::kBool;
    case FieldKind::kText:
      return Type::kText;
    case FieldKind::kId:
      break;
  }
  return Type::kBytea;
}

// The stored fields' columns in the messages table's definition.
std::string storedColumnDefinitions() {
  std::string columns;
  for (const MessageField* field : kStoredFields) {
    const Type type = typeOf(field->kind);
    columns += std::string("  ") + field->column +
               (type == Type::kInt4   ? " integer NOT NULL,\n"
                : type == Type::kBool ? " boolean NOT NULL,\n"
                : type == Type::kText ? " text NOT NULL,\n"
                                      : " bytea,\n");
  }
  return columns;
}

}  // namespace

std::vector<Type> putTypes() {
  std::vector<Type> types = {Type::kInt8,  Type::kInt8, Type::kInt8, Type::kBytea,
                             Type::kBytea, Type::kInt8, Type::kInt8};
  addStoredTypes(types);
  types.push_back(Type::kBytea);
  types.push_back(Type::kText);
  return types;
}

std::string inEpoch(const std::string& s) {
  return "g.id = 1 AND g.running AND g.epoch = $1 AND g.gen = $2 AND EXISTS (SELECT 1 FROM " + s +
         ".intact)";
}

std::string hasRoom(const char* q) {
  const std::string row = q;
  return row + ".alias_for IS NULL AND " + row + ".next_seq < " + std::to_string(kMaxSequence) +
         " AND " + row + ".added - " + row + ".taken_seen < " + row + ".max_depth";
}

namespace {

// The descriptor of a message, in the order the client reads it, then its body cut to the
// receive buffer ($10; below 0: whole).
std::string descriptorOf(const char* m) {
  std::string columns;
  for (const char* column : {"seq", "msg_id", "supplied", "expires_at", "put_ms"}) {
    columns += std::string(m) + "." + column + ", ";
  }
  columns += storedColumns(std::string(m) + ".") + ", ";
  return columns + "CASE WHEN $10 < 0 THEN " + m + ".data ELSE substring(" + m +
         ".data FROM 1 FOR $10::integer) END";
}

// Which message a get selects: the one at the cursor ($4) or the first after it, of the queue
// ($3), not expired at the time now ($5), with the message id ($6) and correlation id ($7) asked
// for. An assigned id carries its message's sequence ($11); a putter's id is in an index.
std::string selection(const char* m, unsigned variant) {
  std::string where = std::string(m) + ".queue_id = $3 AND " + m +
                      ((variant & GetSelection::kExact) ? ".seq = $4" : ".seq > $4") + " AND (" +
                      m + ".expires_at IS NULL OR " + m + ".expires_at > $5)";
  if (variant & GetSelection::kByMsgId) {
    where +=
        std::string(" AND ") + m + ".msg_id = $6 AND (" + m + ".seq = $11 OR " + m + ".supplied)";
  }
  if (variant & GetSelection::kByCorrelId) where += std::string(" AND ") + m + ".correl_id = $7";
  return where;
}

const std::vector<Type> kGetTypes = {Type::kInt8, Type::kInt8,  Type::kInt8,  Type::kInt8,
                                     Type::kInt8, Type::kBytea, Type::kBytea, Type::kInt4,
                                     Type::kBool, Type::kInt8,  Type::kInt8};
// A take's also have the client connection's id ($12), for its receipts.
const std::vector<Type> kTakeTypes = {Type::kInt8, Type::kInt8,  Type::kInt8,  Type::kInt8,
                                      Type::kInt8, Type::kBytea, Type::kBytea, Type::kInt4,
                                      Type::kBool, Type::kInt8,  Type::kInt8,  Type::kInt8};

// How many messages were ever taken off queue row `q`, as an SQL expression.
std::string takenOf(const std::string& s, const char* q) {
  return "(SELECT coalesce(sum(t.removed), 0)::bigint FROM " + s +
         ".taken t WHERE t.queue_id = " + q + ".id)";
}

}  // namespace

std::string inSchema(std::string sql, const std::string& s) {
  for (auto at = sql.find("{S}"); at != std::string::npos; at = sql.find("{S}", at + s.size())) {
    sql.replace(at, 3, s);
  }
  return sql;
}

std::string assignedIdSql(std::string_view prefix, std::string_view queueId, std::string_view seq) {
  return "overlay(" + std::string(prefix) + " PLACING int8send((" + std::string(queueId) + " << " +
         std::to_string(kSequenceBits) + ") | (" + std::string(seq) + ")) FROM 9 FOR 8)";
}

std::string storedParameters(int first) {
  std::string parameters;
  for (std::size_t i = 0; i < kStoredFieldCount; ++i) {
    if (i > 0) parameters += ", ";
    parameters += "$" + std::to_string(first + static_cast<int>(i));
  }
  return parameters;
}

void addStoredTypes(std::vector<Type>& types) {
  for (const MessageField* field : kStoredFields) types.push_back(typeOf(field->kind));
}

void addStored(Params& params, const StoredMessage& stored) {
  const QueueMessage& descriptor = stored.descriptor;
  for (const MessageField* field : kStoredFields) {
    switch (field->kind) {
      case FieldKind::kNumber:
        params.int4(descriptor.*field->number);
        break;
      case FieldKind::kFlag:
        params.boolean(descriptor.*field->number != 0);
        break;
      case FieldKind::kText:
        params.text(descriptor.*field->text);
        break;
      case FieldKind::kId:
        if ((descriptor.*field->id).isNone()) {
          params.null();
        } else {
          params.bytes((descriptor.*field->id).bytes());
        }
        break;
    }
  }
}

void addPut(Params& params, std::int64_t epoch, std::int64_t gen, std::int64_t queueId,
            const StoredMessage& stored, const MessageId24& idPrefix,
            std::span<const std::uint8_t> body, const char* commit) {
  params.int8(epoch).int8(gen).int8(queueId);
  if (stored.descriptor.msgId.isNone()) {
    params.null();
  } else {
    params.bytes(stored.descriptor.msgId.bytes());
  }
  params.bytes(idPrefix.bytes());
  if (stored.expiresAt) {
    params.int8(*stored.expiresAt);
  } else {
    params.null();
  }
  params.int8(stored.putMs);
  addStored(params, stored);
  params.bytes(body).text(commit);
}

void readStored(const Result& result, int first, QueueMessage& descriptor, int row) {
  int at = first;
  for (const MessageField* field : kStoredFields) {
    switch (field->kind) {
      case FieldKind::kNumber:
        descriptor.*field->number = result.int4(row, at);
        break;
      case FieldKind::kFlag:
        descriptor.*field->number = result.boolean(row, at) ? 1 : 0;
        break;
      case FieldKind::kText:
        descriptor.*field->text = result.text(row, at);
        break;
      case FieldKind::kId:
        descriptor.*field->id =
            result.isNull(row, at)
                ? MessageId24::none()
                : MessageId24::fromBytes(result.bytes(row, at)).value_or(MessageId24::none());
        break;
    }
    ++at;
  }
}

std::string of(std::string_view managerName) {
  return pg::quoted("kx_" + std::string(managerName));
}

std::string depthOf(const std::string& s, const char* q, const char* now) {
  return "(" + std::string(q) + ".added - " + takenOf(s, q) + " - (SELECT count(*) FROM " + s +
         ".messages m WHERE m.queue_id = " + q + ".id AND m.expires_at <= " + now + "))";
}

namespace {

// Discards the non-persistent messages of every queue, counted as taken; `where` narrows them.
std::string discardNonPersistent(const std::string& s, const std::string& where) {
  return "WITH lost AS (DELETE FROM " + s + ".messages WHERE (NOT persistent" + where +
         ") RETURNING queue_id) UPDATE " + s +
         ".taken t SET removed = t.removed + c.n FROM (SELECT queue_id, count(*) AS n FROM lost "
         "GROUP BY queue_id) c WHERE t.queue_id = c.queue_id AND t.shard = 0";
}

// A table the server empties when it recovers from a crash, as it does every unlogged table: a
// crash may undo takes of non-persistent messages that were answered (they commit without
// waiting for the disk), so until a client puts the row back, after discarding every
// non-persistent message, no statement touches a message. Non-persistent messages outlive
// neither a start of the queue manager nor a crash of its server. The row's token is new after
// each crash: a take that went unanswered learns from it whether the server crashed since.
//
// And the receipts of persistent takes, one row for each client connection that took one: the
// last such take of that connection. A crash can undo a transaction whose commit had not reached
// the disk and give its id to another transaction, so after a crash only the receipt tells
// whether an unanswered take of a persistent message was made.
std::string intactSql(const std::string& s) {
  return "CREATE UNLOGGED TABLE IF NOT EXISTS " + s +
         ".intact(id integer PRIMARY KEY CHECK (id = 1), token bigint NOT NULL); " +
         "CREATE TABLE IF NOT EXISTS " + s +
         ".receipts(client bigint PRIMARY KEY, queue_id bigint NOT NULL, seq bigint NOT NULL) "
         "WITH (fillfactor = 50); " +
         markIntact(s);
}

// The manager's dead-letter queue (NULL: none) and its count of reports that could go nowhere;
// and what refuses a put whose arrival report cannot go with it in the same statement.
std::string reportColumnsSql(const std::string& s) {
  return "ALTER TABLE " + s +
         ".manager ADD COLUMN IF NOT EXISTS dead_letter text, ADD COLUMN IF NOT EXISTS "
         "discarded_reports bigint NOT NULL DEFAULT 0; CREATE OR REPLACE FUNCTION " +
         s + ".report_not_put() RETURNS bigint LANGUAGE plpgsql AS $$BEGIN RAISE EXCEPTION " +
         "'the report could not go with its message' USING ERRCODE = '" + kReportNotPut +
         "'; END$$;";
}

}  // namespace

std::string upgradeSql(const std::string& s, std::int32_t version) {
  if (version >= kSchemaVersion) return "";
  std::string sql;
  if (version < 2) sql += intactSql(s) + " ";
  if (version < 3) sql += reportColumnsSql(s) + " ";
  return sql + "UPDATE " + s + ".manager SET schema_version = " + std::to_string(kSchemaVersion) +
         ";";
}

std::string markIntact(const std::string& s) {
  return "INSERT INTO " + s +
         ".intact VALUES (1, (random() * 9007199254740991)::bigint) ON CONFLICT DO NOTHING;";
}

std::string discardAfterCrashSql(const std::string& s) {
  // One client at a time, and none once the row is back: a second one finds it there. The
  // statements are one transaction, each seeing what the one before it waited for.
  return "SELECT 1 FROM " + s + ".manager WHERE id = 1 FOR UPDATE; " +
         discardNonPersistent(s, " AND NOT EXISTS (SELECT 1 FROM " + s + ".intact)") + "; " +
         markIntact(s);
}

std::string createSql(const std::string& s, std::string_view managerName) {
  std::string sql = inSchema(std::string(R"sql(
CREATE SCHEMA {S};
CREATE TABLE {S}.manager(
  id integer PRIMARY KEY CHECK (id = 1),
  name text NOT NULL,
  running boolean NOT NULL,
  epoch bigint NOT NULL,   -- counts starts: a connection from an earlier start is broken
  gen bigint NOT NULL,     -- counts definition changes: connections re-resolve queue names
  schema_version integer NOT NULL);
CREATE TABLE {S}.queues(
  id bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY,  -- never reused: message ids embed it
  name text NOT NULL UNIQUE,
  alias_for text,                       -- NULL for a local queue
  max_depth integer NOT NULL,
  added bigint NOT NULL DEFAULT 0,      -- messages ever put or loaded
  next_seq bigint NOT NULL DEFAULT 0,   -- the last sequence given: arrival order
  taken_seen bigint NOT NULL DEFAULT 0) -- a past count of the taken, for puts far from full
-- Mostly empty pages, so that the update of every put stays on its page.
WITH (fillfactor = 10);
-- Messages taken off a queue (got, purged, discarded), counted by each connection in a row of
-- its own so that getters never wait for one another's counter.
CREATE TABLE {S}.taken(
  queue_id bigint NOT NULL REFERENCES {S}.queues(id) ON DELETE CASCADE,
  shard integer NOT NULL,
  removed bigint NOT NULL DEFAULT 0,
  PRIMARY KEY (queue_id, shard))
-- Mostly empty pages: getters' counters rarely share one, and each update stays on its page.
WITH (fillfactor = 10);
CREATE TABLE {S}.messages(
  queue_id bigint NOT NULL,
  seq bigint NOT NULL,
  msg_id bytea NOT NULL,
  supplied boolean NOT NULL,  -- the putter chose msg_id; an assigned one carries seq
  expires_at bigint,          -- milliseconds since the epoch; NULL: never
  put_ms bigint NOT NULL,
)sql") + storedColumnDefinitions() +
                                 R"sql(  data bytea NOT NULL,
  PRIMARY KEY (queue_id, seq))
-- Taken messages leave dead index entries at the head of their queue: vacuum them away often.
WITH (autovacuum_vacuum_scale_factor = 0, autovacuum_vacuum_threshold = 10000);
-- Bodies are stored as they are: compressing them costs every put and get its time.
ALTER TABLE {S}.messages ALTER COLUMN data SET STORAGE EXTERNAL;
CREATE INDEX ON {S}.messages(queue_id, msg_id) WHERE supplied;
CREATE INDEX ON {S}.messages(queue_id, correl_id) WHERE correl_id IS NOT NULL;
CREATE INDEX ON {S}.messages(queue_id, expires_at) WHERE expires_at IS NOT NULL;
)sql",
                             s) +
                    intactSql(s) + reportColumnsSql(s);
  return sql + "INSERT INTO " + s +
         ".manager(id, name, running, epoch, gen, schema_version) VALUES (1, " +
         pg::literal(managerName) + ", false, 0, 0, " + std::to_string(kSchemaVersion) + ");";
}

Statement managerRow(const std::string& s) {
  return {"kx_manager",
          inSchema("SELECT running, epoch, gen, schema_version, EXISTS (SELECT 1 FROM "
                   "{S}.intact) FROM {S}.manager WHERE id = 1",
                   s),
          {}};
}

Statement queueRow(const std::string& s) {
  return {"kx_queue",
          inSchema("SELECT id, alias_for FROM {S}.queues WHERE name = $1", s),
          {Type::kText}};
}

Statement depth(const std::string& s) {
  return {"kx_depth",
          "SELECT " + depthOf(s, "q", "$4") + ", q.max_depth FROM " + s + ".manager g CROSS JOIN " +
              s + ".queues q WHERE " + inEpoch(s) + " AND q.id = $3",
          {Type::kInt8, Type::kInt8, Type::kInt8, Type::kInt8}};
}

Statement put(const std::string& s) {
  // Puts onto one queue take turns on its row, for the sequence. The room is judged by the count
  // of taken messages the row last added up, which can only be too low: a queue never holds more
  // than its maximum, and a put that finds no room has countTaken add them up again.
  return {"kx_put",
          inSchema(std::string(R"sql(
WITH q AS (
  UPDATE {S}.queues q SET added = q.added + 1, next_seq = q.next_seq + 1
  FROM {S}.manager g
  WHERE )sql") + inEpoch(s) +
                       " AND q.id = $3 AND " + hasRoom("q") + R"sql(
  RETURNING q.id, q.next_seq)
INSERT INTO {S}.messages(queue_id, seq, msg_id, supplied, expires_at, put_ms, )sql" +
                       storedColumns("") + R"sql(, data)
SELECT q.id, q.next_seq,
    coalesce($4, )sql" +
                       assignedIdSql("$5", "q.id", "q.next_seq") + R"sql(),
    $4 IS NOT NULL, $6, $7, )sql" +
                       storedParameters(8) + ", $" + std::to_string(kPutDataParameter) +
                       R"sql(
FROM q
RETURNING seq, msg_id, set_config('synchronous_commit', $)sql" +
                       std::to_string(kPutDataParameter + 1) + ", true)",
                   s),
          putTypes()};
}

Statement countTaken(const std::string& s) {
  return {"kx_count_taken",
          "UPDATE " + s + ".queues q SET taken_seen = " + takenOf(s, "q") +
              " WHERE q.id = $1 RETURNING q.added - q.taken_seen < q.max_depth",
          {Type::kInt8}};
}

Statement purgeExpired(const std::string& s) {
  // The rows are found through the expiry index and deleted by their place, so the work is that
  // of the expired messages alone, however long the queue. Those that ask for an expiration
  // report stay for purgeReporting, which gives them for their reports: this says if there are.
  return {"kx_purge_expired",
          inSchema(R"sql(
WITH expired AS (
  DELETE FROM {S}.messages m WHERE m.ctid = ANY (ARRAY(
    SELECT e.ctid FROM {S}.messages e WHERE e.queue_id = $1 AND e.expires_at <= $2
      AND NOT )sql" + asksFor("e", ReportCause::kExpiry) +
                       R"sql(
    FOR UPDATE SKIP LOCKED))
  RETURNING 1),
counted AS (
  UPDATE {S}.taken t SET removed = t.removed + (SELECT count(*) FROM expired)
  WHERE t.queue_id = $1 AND t.shard = $3 AND EXISTS (SELECT 1 FROM expired))
SELECT (SELECT count(*) FROM expired), EXISTS (SELECT 1 FROM {S}.messages r
  WHERE r.queue_id = $1 AND r.expires_at <= $2 AND )sql" +
                       asksFor("r", ReportCause::kExpiry) + ")",
                   s),
          {Type::kInt8, Type::kInt8, Type::kInt4}};
}

Statement take(const std::string& s, unsigned variant) {
  // The first message that no other getter is taking, locked and deleted by its place, and
  // counted; the take of a persistent one leaves its receipt. The commit is as durable as the
  // message taken. After the descriptor and body come the transaction's id and the server's
  // token, by which a client that lost the answer to the commit learns whether it was made, and
  // for a plain take the first message left at or after the position ($4), held or not: the next
  // plain take looks on from there.
  const std::string counted = R"sql(
counted AS (
  UPDATE {S}.taken t SET removed = t.removed + 1 FROM gone
  WHERE t.queue_id = $3 AND t.shard = $8),
receipt AS (
  INSERT INTO {S}.receipts(client, queue_id, seq) SELECT $12, $3, gone.seq FROM gone
  WHERE gone.persistent
  ON CONFLICT (client) DO UPDATE SET queue_id = excluded.queue_id, seq = excluded.seq)
SELECT )sql";
  const bool plain = (variant & ~kWithinBuffer) == 0;
  const std::string after =
      R"sql(,
  set_config('synchronous_commit', CASE WHEN gone.persistent THEN 'on' ELSE 'off' END, true),
  txid_current(), (SELECT i.token FROM {S}.intact i), )sql" +
      std::string(plain ? "(SELECT f.seq FROM {S}.messages f WHERE f.queue_id = $3 AND f.seq > $4 "
                          "ORDER BY f.seq LIMIT 1)"
                        : "NULL::bigint") +
      // What a delivery report carries of a message the buffer cut: the body as it was.
      ", CASE WHEN " + asksFor("gone", ReportCause::kDelivery) +
      " AND $10 >= 0 AND $10 < length(gone.data) THEN " +
      reportDataOf("gone", ReportCause::kDelivery) +
      " END, "
      // Whether expired messages wait on the queue: a take discards them on its way.
      "EXISTS (SELECT 1 FROM {S}.messages x WHERE x.queue_id = $3 AND x.expires_at <= $5)";
  const auto pick = [&](const char* columns) {
    return std::string("SELECT ") + columns + " FROM {S}.messages m WHERE " +
           selection("m", variant) + " AND EXISTS (SELECT 1 FROM {S}.manager g WHERE " +
           inEpoch(s) + ") ORDER BY m.seq LIMIT 1 FOR UPDATE OF m SKIP LOCKED";
  };
  const std::string name = "kx_take_" + std::to_string(variant);
  if ((variant & kWithinBuffer) == 0) {
    // Whatever its length: the whole message, or as much as a buffer takes that accepts the cut.
    return {name,
            inSchema("WITH gone AS (DELETE FROM {S}.messages m WHERE m.ctid = (" + pick("m.ctid") +
                         ") RETURNING m.*)," + counted + "length(gone.data), " +
                         descriptorOf("gone") + after + " FROM gone",
                     s),
            kTakeTypes};
  }
  // Only if it fits the buffer ($10): a longer one is left where it is, and only its length
  // given.
  return {name,
          inSchema("WITH pick AS (" + pick("m.ctid AS at, length(m.data) AS len") +
                       "), gone AS (DELETE FROM {S}.messages m WHERE m.ctid = (SELECT pick.at FROM "
                       "pick) AND (SELECT pick.len FROM pick) <= $10 RETURNING m.*)," +
                       counted + "pick.len, " + descriptorOf("gone") + after +
                       " FROM pick LEFT JOIN gone ON true",
                   s),
          kTakeTypes};
}

Statement settle(const std::string& s) {
  return {"kx_settle",
          // An id the server has not given yet (a crash took it back) would be an error to ask.
          inSchema("SELECT CASE WHEN $1 < txid_snapshot_xmax(txid_current_snapshot()) THEN "
                   "txid_status($1) ELSE 'aborted' END, (SELECT i.token FROM {S}.intact i), "
                   "(SELECT r.seq FROM {S}.receipts r WHERE r.client = $2 AND r.queue_id = $3)",
                   s),
          {Type::kInt8, Type::kInt8, Type::kInt8}};
}

Statement dropReceipt(const std::string& s) {
  return {
      "kx_drop_receipt", inSchema("DELETE FROM {S}.receipts WHERE client = $1", s), {Type::kInt8}};
}

Statement browse(const std::string& s, unsigned variant) {
  return {"kx_browse_" + std::to_string(variant),
          inSchema("SELECT length(m.data), " + descriptorOf("m") +
                       " FROM {S}.manager g CROSS JOIN {S}.messages m WHERE " + inEpoch(s) +
                       " AND " + selection("m", variant) + " ORDER BY m.seq LIMIT 1",
                   s),
          kGetTypes};
}

}  // namespace kx::pg::schema
