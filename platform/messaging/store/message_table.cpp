#include "platform/messaging/store/message_table.h"

#include <algorithm>

namespace kx::message_table {
namespace {

// The message data is the last column so that reading a message's descriptor never touches the
// pages of a large body.
constexpr const char* kCreateSql = R"sql(
CREATE TABLE {T}(
  seq INTEGER PRIMARY KEY,   -- the queue's next_seq at the put: arrival order, never reused
  msg_id BLOB NOT NULL,
  supplied INTEGER NOT NULL, -- 1: msg_id came from the putter, 0: assigned
  correl_id BLOB,
  expires_at INTEGER,        -- milliseconds since the epoch; NULL: never
  persistent INTEGER NOT NULL,
  put_ms INTEGER NOT NULL,
  msg_type INTEGER NOT NULL,
  feedback INTEGER NOT NULL,
  ccsid INTEGER NOT NULL,
  format TEXT NOT NULL,
  priority INTEGER NOT NULL,
  report INTEGER NOT NULL,
  backout INTEGER NOT NULL,
  reply_q TEXT NOT NULL,
  reply_qmgr TEXT NOT NULL,
  put_appl TEXT NOT NULL,
  put_appl_type INTEGER NOT NULL,
  data BLOB NOT NULL);
-- Only ids that putters chose need an index: an assigned id carries its message's sequence.
CREATE INDEX {T}_msg_id ON {T}(msg_id) WHERE supplied = 1;
CREATE INDEX {T}_correl_id ON {T}(correl_id) WHERE correl_id IS NOT NULL;
CREATE INDEX {T}_expiry ON {T}(expires_at) WHERE expires_at IS NOT NULL;
)sql";

std::span<const std::uint8_t> idBytes(const MessageId24& id) { return {id.bytes()}; }

}  // namespace

std::string name(std::int64_t queueId) { return kNamePrefix + std::to_string(queueId); }

std::string onTable(std::string_view sql, std::int64_t queueId) {
  std::string text(sql);
  const std::string table = name(queueId);
  for (auto at = text.find("{T}"); at != std::string::npos; at = text.find("{T}", at)) {
    text.replace(at, 3, table);
  }
  return text;
}

ReasonCode create(Database& db, std::int64_t queueId) {
  return db.exec(onTable(kCreateSql, queueId).c_str());
}

ReasonCode drop(Database& db, std::int64_t queueId) {
  return db.exec(onTable("DROP TABLE {T}", queueId).c_str());
}

Statement& bindRow(Statement& insert, const Row& row) {
  insert.reuse().bind(1, row.seq).bindBlob(2, idBytes(*row.msgId)).bind(3, row.supplied ? 1 : 0);
  if (row.correlId == nullptr || row.correlId->isNone()) {
    insert.bindNull(4);
  } else {
    insert.bindBlob(4, idBytes(*row.correlId));
  }
  if (row.expiresAt) {
    insert.bind(5, *row.expiresAt);
  } else {
    insert.bindNull(5);
  }
  return insert.bind(6, row.persistent ? 1 : 0)
      .bind(7, row.putMs)
      .bind(8, row.msgType)
      .bind(9, row.feedback)
      .bind(10, row.ccsid)
      .bindText(11, row.format)
      .bind(12, row.priority)
      .bind(13, row.report)
      .bind(14, row.backout)
      .bindText(15, row.replyQ)
      .bindText(16, row.replyQmgr)
      .bindText(17, row.putAppl)
      .bind(18, row.putApplType)
      .bindBlob(19, row.data);
}

ReasonCode depthLessExpired(Statement& countExpired, std::int64_t counter, std::int64_t nowMs,
                            std::int64_t& depth) {
  const int rc = countExpired.reuse().bind(1, nowMs).step();
  if (rc != SQLITE_ROW) {
    countExpired.reuse();
    return reasonFromSqlite(rc);
  }
  depth = std::max<std::int64_t>(0, counter - countExpired.integer(0));
  countExpired.reuse();
  return reason::kNone;
}

}  // namespace kx::message_table
