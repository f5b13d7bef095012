#include "platform/messaging/store/postgres_schema.h"

#include "platform/messaging/store/put_context.h"

namespace kx::pg::schema {
namespace {

// Replaces every {S} in `sql` with the schema.
std::string inSchema(std::string sql, const std::string& s) {
  for (auto at = sql.find("{S}"); at != std::string::npos; at = sql.find("{S}", at + s.size())) {
    sql.replace(at, 3, s);
  }
  return sql;
}

// The manager running in the epoch and generation the connection works in ($1, $2).
constexpr const char* kInEpoch = "g.id = 1 AND g.running AND g.epoch = $1 AND g.gen = $2";

// The descriptor of a message, in the order the client reads it, then its body cut to the
// receive buffer ($10; below 0: whole).
std::string descriptorOf(const char* m) {
  std::string columns;
  for (const char* column : {"seq", "msg_id", "correl_id", "expires_at", "persistent", "put_ms",
                             "msg_type", "feedback", "ccsid", "format", "priority", "report",
                             "backout", "reply_q", "reply_qmgr", "put_appl", "put_appl_type"}) {
    columns += std::string(m) + "." + column + ", ";
  }
  return columns + "CASE WHEN $10 < 0 THEN " + m + ".data ELSE substring(" + m +
         ".data FROM 1 FOR $10::integer) END";
}

// Which message a get selects: the one at the cursor ($4) or the first after it, of the queue
// ($3), not expired at the time now ($5), with the message id ($6) and correlation id ($7) asked
// for. An assigned id carries its message's sequence ($11); a putter's id is in an index.
std::string selection(const char* m, unsigned variant) {
  std::string where = std::string(m) + ".queue_id = $3 AND " + m +
                      ((variant & kExact) ? ".seq = $4" : ".seq > $4") + " AND (" + m +
                      ".expires_at IS NULL OR " + m + ".expires_at > $5)";
  if (variant & kByMsgId) {
    where +=
        std::string(" AND ") + m + ".msg_id = $6 AND (" + m + ".seq = $11 OR " + m + ".supplied)";
  }
  if (variant & kByCorrelId) where += std::string(" AND ") + m + ".correl_id = $7";
  return where;
}

const std::vector<Type> kGetTypes = {Type::kInt8, Type::kInt8,  Type::kInt8,  Type::kInt8,
                                     Type::kInt8, Type::kBytea, Type::kBytea, Type::kInt4,
                                     Type::kBool, Type::kInt8,  Type::kInt8};

// How many messages were ever taken off queue row `q`, as an SQL expression.
std::string takenOf(const std::string& s, const char* q) {
  return "(SELECT coalesce(sum(t.removed), 0)::bigint FROM " + s +
         ".taken t WHERE t.queue_id = " + q + ".id)";
}

}  // namespace

std::string of(std::string_view managerName) {
  return pg::quoted("kx_" + std::string(managerName));
}

std::string depthOf(const std::string& s, const char* q, const char* now) {
  return "(" + std::string(q) + ".added - " + takenOf(s, q) + " - (SELECT count(*) FROM " + s +
         ".messages m WHERE m.queue_id = " + q + ".id AND m.expires_at <= " + now + "))";
}

std::string createSql(const std::string& s, std::string_view managerName) {
  std::string sql = inSchema(R"sql(
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
  correl_id bytea,
  expires_at bigint,          -- milliseconds since the epoch; NULL: never
  persistent boolean NOT NULL,
  put_ms bigint NOT NULL,
  msg_type integer NOT NULL,
  feedback integer NOT NULL,
  ccsid integer NOT NULL,
  format text NOT NULL,
  priority integer NOT NULL,
  report integer NOT NULL,
  backout integer NOT NULL,
  reply_q text NOT NULL,
  reply_qmgr text NOT NULL,
  put_appl text NOT NULL,
  put_appl_type integer NOT NULL,
  data bytea NOT NULL,
  PRIMARY KEY (queue_id, seq))
-- Taken messages leave dead index entries at the head of their queue: vacuum them away often.
WITH (autovacuum_vacuum_scale_factor = 0, autovacuum_vacuum_threshold = 10000);
-- Bodies are stored as they are: compressing them costs every put and get its time.
ALTER TABLE {S}.messages ALTER COLUMN data SET STORAGE EXTERNAL;
CREATE INDEX ON {S}.messages(queue_id, msg_id) WHERE supplied;
CREATE INDEX ON {S}.messages(queue_id, correl_id) WHERE correl_id IS NOT NULL;
CREATE INDEX ON {S}.messages(queue_id, expires_at) WHERE expires_at IS NOT NULL;
)sql",
                             s);
  return sql + "INSERT INTO " + s + ".manager VALUES (1, " + pg::literal(managerName) +
         ", false, 0, 0, " + std::to_string(kSchemaVersion) + ");";
}

Statement managerRow(const std::string& s) {
  return {"kx_manager",
          inSchema("SELECT running, epoch, gen, schema_version FROM {S}.manager "
                   "WHERE id = 1",
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
              s + ".queues q WHERE " + kInEpoch + " AND q.id = $3",
          {Type::kInt8, Type::kInt8, Type::kInt8, Type::kInt8}};
}

Statement put(const std::string& s) {
  // Puts onto one queue take turns on its row, for the sequence; the count of what was taken is
  // read after the turn came, so a queue never holds more than its maximum.
  return {"kx_put",
          inSchema(std::string(R"sql(
WITH q AS (
  UPDATE {S}.queues q SET added = q.added + 1, next_seq = q.next_seq + 1,
    taken_seen = CASE WHEN q.added - q.taken_seen < q.max_depth THEN q.taken_seen
                      ELSE )sql" +
                               takenOf(s, "q") + R"sql( END
  FROM {S}.manager g
  WHERE )sql") + kInEpoch +
                       R"sql( AND q.id = $3 AND q.alias_for IS NULL
    AND q.next_seq < )sql" +
                       std::to_string(kMaxSequence) + R"sql(
    AND (q.added - q.taken_seen < q.max_depth
         OR q.added - )sql" +
                       takenOf(s, "q") + R"sql( < q.max_depth)
  RETURNING q.id, q.next_seq),
stored AS (
  INSERT INTO {S}.messages(queue_id, seq, msg_id, supplied, correl_id, expires_at, persistent,
      put_ms, msg_type, feedback, ccsid, format, priority, report, backout, reply_q, reply_qmgr,
      put_appl, put_appl_type, data)
  SELECT q.id, q.next_seq,
      coalesce($4, overlay($5 PLACING int8send((q.id << 40) | q.next_seq) FROM 9 FOR 8)),
      $4 IS NOT NULL, $6, $7, $8, $9, $10, $11, $12, $13, $14, $15, $16, $17, $18, $19, $20, $21
  FROM q
  RETURNING seq, msg_id)
SELECT stored.seq, stored.msg_id, set_config('synchronous_commit', $22, true) FROM stored)sql",
                   s),
          {Type::kInt8, Type::kInt8, Type::kInt8,  Type::kBytea, Type::kBytea, Type::kBytea,
           Type::kInt8, Type::kBool, Type::kInt8,  Type::kInt4,  Type::kInt4,  Type::kInt4,
           Type::kText, Type::kInt4, Type::kInt4,  Type::kInt4,  Type::kText,  Type::kText,
           Type::kText, Type::kInt4, Type::kBytea, Type::kText}};
}

Statement purgeExpired(const std::string& s) {
  // The rows are found through the expiry index and deleted by their place, so the work is that
  // of the expired messages alone, however long the queue.
  return {"kx_purge_expired",
          inSchema(R"sql(
WITH expired AS (
  DELETE FROM {S}.messages m WHERE m.ctid = ANY (ARRAY(
    SELECT e.ctid FROM {S}.messages e WHERE e.queue_id = $1 AND e.expires_at <= $2
    FOR UPDATE SKIP LOCKED))
  RETURNING 1)
UPDATE {S}.taken t SET removed = t.removed + (SELECT count(*) FROM expired)
WHERE t.queue_id = $1 AND t.shard = $3 AND EXISTS (SELECT 1 FROM expired)
RETURNING (SELECT count(*) FROM expired))sql",
                   s),
          {Type::kInt8, Type::kInt8, Type::kInt4}};
}

Statement take(const std::string& s, unsigned variant) {
  // The first message that no other getter is taking, locked and deleted by its place, and
  // counted. The commit is as durable as the message taken.
  const std::string counted = R"sql(
counted AS (
  UPDATE {S}.taken t SET removed = t.removed + 1 FROM gone
  WHERE t.queue_id = $3 AND t.shard = $8)
SELECT )sql";
  const std::string durable = R"sql(,
  set_config('synchronous_commit', CASE WHEN gone.persistent THEN 'on' ELSE 'off' END, true))sql";
  const auto pick = [&](const char* columns) {
    return std::string("SELECT ") + columns + " FROM {S}.messages m WHERE " +
           selection("m", variant) + " AND EXISTS (SELECT 1 FROM {S}.manager g WHERE " + kInEpoch +
           ") ORDER BY m.seq LIMIT 1 FOR UPDATE OF m SKIP LOCKED";
  };
  const std::string name = "kx_take_" + std::to_string(variant);
  if ((variant & kWithinBuffer) == 0) {
    // Whatever its length: the whole message, or as much as a buffer takes that accepts the cut.
    return {name,
            inSchema("WITH gone AS (DELETE FROM {S}.messages m WHERE m.ctid = (" + pick("m.ctid") +
                         ") RETURNING m.*)," + counted + "length(gone.data), " +
                         descriptorOf("gone") + durable + " FROM gone",
                     s),
            kGetTypes};
  }
  // Only if it fits the buffer ($10): a longer one is left where it is, and only its length
  // given.
  return {name,
          inSchema("WITH pick AS (" + pick("m.ctid AS at, length(m.data) AS len") +
                       "), gone AS (DELETE FROM {S}.messages m WHERE m.ctid = (SELECT pick.at FROM "
                       "pick) AND (SELECT pick.len FROM pick) <= $10 RETURNING m.*)," +
                       counted + "pick.len, " + descriptorOf("gone") + durable +
                       " FROM pick LEFT JOIN gone ON true",
                   s),
          kGetTypes};
}

Statement browse(const std::string& s, unsigned variant) {
  return {"kx_browse_" + std::to_string(variant),
          inSchema("SELECT length(m.data), " + descriptorOf("m") +
                       " FROM {S}.manager g CROSS JOIN {S}.messages m WHERE " + kInEpoch + " AND " +
                       selection("m", variant) + " ORDER BY m.seq LIMIT 1",
                   s),
          kGetTypes};
}

}  // namespace kx::pg::schema
