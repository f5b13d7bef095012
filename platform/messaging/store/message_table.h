#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/messaging/message_id.h"
#include "platform/messaging/reason_codes.h"
#include "platform/messaging/store/internal.h"
#include "platform/messaging/store/sqlite_db.h"

// Each local queue keeps its messages in a table of its own, so that every queue's puts append at
// the right edge of its own B-tree. This file owns that table: its name, its columns, and the SQL
// that the client and the administration run on it. In the SQL texts {T} stands for the table.
namespace kx::message_table {

// The table of the local queue with this id, and `sql` with {T} naming it.
inline constexpr const char* kNamePrefix = "m";
std::string name(std::int64_t queueId);
std::string onTable(std::string_view sql, std::int64_t queueId);

// Creates the table and its indexes (inside the caller's transaction), and drops them.
ReasonCode create(Database& db, std::int64_t queueId);
ReasonCode drop(Database& db, std::int64_t queueId);

// One message as it is stored. The texts and bytes are the caller's, and must stay alive until
// the insert has run.
struct Row {
  std::int64_t seq = 0;  // the queue's next_seq at the put: arrival order, never reused
  const MessageId24* msgId = nullptr;
  bool supplied = false;  // the putter gave the id; otherwise the store assigned it
  const MessageId24* correlId = nullptr;
  std::optional<std::int64_t> expiresAt;  // milliseconds since the epoch
  bool persistent = false;
  std::int64_t putMs = 0;
  std::int32_t msgType = 0;
  std::int32_t feedback = 0;
  std::int32_t ccsid = 0;
  std::string_view format;
  std::int32_t priority = 0;
  std::int32_t report = 0;
  std::int32_t backout = 0;
  std::string_view replyQ;
  std::string_view replyQmgr;
  std::string_view putAppl;
  std::int32_t putApplType = 0;
  std::span<const std::uint8_t> data;
};

// The insert of one row, and its binding onto a statement prepared from it.
inline constexpr const char* kInsertSql =
    "INSERT INTO {T}(seq, msg_id, supplied, correl_id, expires_at, persistent, put_ms, msg_type, "
    "feedback, ccsid, format, priority, report, backout, reply_q, reply_qmgr, put_appl, "
    "put_appl_type, data) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14, "
    "?15, ?16, ?17, ?18, ?19)";
Statement& bindRow(Statement& insert, const Row& row);

// The descriptor columns a get reads, in this order, then length(data); kWithData adds the body.
inline constexpr const char* kDescriptorColumns =
    "m.seq, m.msg_id, m.correl_id, m.expires_at, m.persistent, m.put_ms, m.msg_type, m.feedback, "
    "m.ccsid, m.format, m.priority, m.report, m.backout, m.reply_q, m.reply_qmgr, m.put_appl, "
    "m.put_appl_type, length(m.data)";
inline constexpr int kDescriptorColumnCount = 18;
// The column of the body, read on its own for a message not delivered whole.
inline constexpr const char* kDataColumn = "data";

// Messages that a write meets past their expiry are discarded: ?1 is the time now.
inline constexpr const char* kDeleteExpiredSql = "DELETE FROM {T} WHERE expires_at <= ?1";
inline constexpr const char* kDeleteOneSql = "DELETE FROM {T} WHERE seq = ?1";
inline constexpr const char* kDeleteAllSql = "DELETE FROM {T}";
// What a start discards: the non-persistent messages and the expired ones (?1 the time now).
inline constexpr const char* kLostAtStartSql =
    "SELECT count(*), coalesce(sum(expires_at IS NOT NULL), 0) FROM {T} "
    "WHERE persistent = 0 OR expires_at <= ?1";
inline constexpr const char* kDeleteLostAtStartSql =
    "DELETE FROM {T} WHERE persistent = 0 OR expires_at <= ?1";
inline constexpr const char* kAnySql = "SELECT EXISTS (SELECT 1 FROM {T})";
inline constexpr const char* kCountSql = "SELECT count(*) FROM {T}";
// The rows against the queue's counters: messages, messages with an expiry, the last sequence.
inline constexpr const char* kTotalsSql =
    "SELECT count(*), count(expires_at), coalesce(max(seq), 0) FROM {T}";

// The depth a queue shows: its counter less the messages past their expiry that no write has
// discarded yet (never below 0). Run it where the counter was read, in one snapshot.
inline constexpr const char* kCountExpiredSql = "SELECT count(*) FROM {T} WHERE expires_at <= ?1";
ReasonCode depthLessExpired(Statement& countExpired, std::int64_t counter, std::int64_t nowMs,
                            std::int64_t& depth);

// How many local queues of the store have no table: any is a damaged store.
inline constexpr const char* kQueuesWithoutTableSql =
    "SELECT count(*) FROM queues q WHERE q.alias_for IS NULL AND NOT EXISTS (SELECT 1 FROM "
    "sqlite_schema s WHERE s.type = 'table' AND s.name = 'm' || q.id)";

}  // namespace kx::message_table
