#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/messaging/message_id.h"
#include "platform/messaging/reason_codes.h"
#include "platform/messaging/store/internal.h"
#include "platform/messaging/store/message_rules.h"
#include "platform/messaging/store/sqlite/sqlite_db.h"

// Each local queue keeps its messages in a table of its own, so that every queue's puts append at
// the right edge of its own B-tree. This file owns that table: its name, its columns (the
// descriptor's from the list of message fields), and the SQL that the client and the
// administration run on it. In the SQL texts {T} stands for the table.
namespace kx::message_table {

// The table of the local queue with this id, and `sql` with {T} naming it.
inline constexpr const char* kNamePrefix = "m";
std::string name(std::int64_t queueId);
std::string onTable(std::string_view sql, std::int64_t queueId);

// Creates the table and its indexes (inside the caller's transaction), and drops them.
ReasonCode create(Database& db, std::int64_t queueId);
ReasonCode drop(Database& db, std::int64_t queueId);

// The insert of one message, and its binding onto a statement prepared from it: its sequence (the
// queue's next_seq at the put: arrival order, never reused), what is stored of it, and its body.
const std::string& insertSql();
Statement& bindRow(Statement& insert, std::int64_t seq, const StoredMessage& stored,
                   std::span<const std::uint8_t> data);

// The columns of a message after its sequence, ending with its body, as `prefix` ("m.") names
// them; readStored reads them from column `first` on, all but the body.
std::string messageColumns(std::string_view prefix);
inline constexpr int kMessageColumnCount = 4 + static_cast<int>(kStoredFieldCount) + 1;
void readStored(const Statement& row, int first, StoredMessage& stored);

// The descriptor columns a get reads: the sequence, the message's columns but its body, and the
// body's length.
const std::string& descriptorColumns();
inline constexpr int kDescriptorColumnCount = kMessageColumnCount + 1;
// The column of the body, read on its own for a message not delivered whole.
inline constexpr const char* kDataColumn = "data";
// Reads the first `length` bytes of the body of message `seq` on queue `queueId` into `into`.
ReasonCode readBody(Database& db, std::int64_t queueId, std::int64_t seq, std::size_t length,
                    std::vector<std::uint8_t>& into);

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
