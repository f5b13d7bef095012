#include "platform/messaging/store/sqlite/message_table.h"

#include <algorithm>

namespace kx::message_table {
namespace {

// The message data is the last column so that reading a message's descriptor never touches the
// pages of a large body.
std::string createSql() {
  std::string columns;
  for (const MessageField* field : kStoredFields) {
    columns += std::string("  ") + field->column +
               (field->kind == FieldKind::kText ? " TEXT NOT NULL,\n"
                : field->kind == FieldKind::kId ? " BLOB,\n"
                                                : " INTEGER NOT NULL,\n");
  }
  return R"sql(
CREATE TABLE {T}(
  seq INTEGER PRIMARY KEY,   -- the queue's next_seq at the put: arrival order, never reused
  msg_id BLOB NOT NULL,
  supplied INTEGER NOT NULL, -- 1: msg_id came from the putter, 0: assigned
  expires_at INTEGER,        -- milliseconds since the epoch; NULL: never
  put_ms INTEGER NOT NULL,
)sql" + columns +
         R"sql(  data BLOB NOT NULL);
-- Only ids that putters chose need an index: an assigned id carries its message's sequence.
CREATE INDEX {T}_msg_id ON {T}(msg_id) WHERE supplied = 1;
CREATE INDEX {T}_correl_id ON {T}(correl_id) WHERE correl_id IS NOT NULL;
CREATE INDEX {T}_expiry ON {T}(expires_at) WHERE expires_at IS NOT NULL;
)sql";
}

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
  return db.exec(onTable(createSql(), queueId).c_str());
}

ReasonCode drop(Database& db, std::int64_t queueId) {
  return db.exec(onTable("DROP TABLE {T}", queueId).c_str());
}

std::string messageColumns(std::string_view prefix) {
  std::string columns;
  for (const char* column : {"msg_id", "supplied", "expires_at", "put_ms"}) {
    columns.append(prefix).append(column).append(", ");
  }
  return columns + storedColumns(prefix) + ", " + std::string(prefix) + kDataColumn;
}

const std::string& insertSql() {
  static const std::string sql = [] {
    std::string values = "?1";
    for (int i = 2; i <= kMessageColumnCount + 1; ++i) values += ", ?" + std::to_string(i);
    return "INSERT INTO {T}(seq, " + messageColumns("") + ") VALUES (" + values + ")";
  }();
  return sql;
}

const std::string& descriptorColumns() {
  static const std::string columns = [] {
    std::string all = "m.seq, " + messageColumns("m.");
    return all.substr(0, all.rfind(", ")) + ", length(m.data)";
  }();
  return columns;
}

Statement& bindRow(Statement& insert, std::int64_t seq, const StoredMessage& stored,
                   std::span<const std::uint8_t> data) {
  insert.reuse()
      .bind(1, seq)
      .bindBlob(2, idBytes(stored.descriptor.msgId))
      .bind(3, stored.supplied ? 1 : 0);
  if (stored.expiresAt) {
    insert.bind(4, *stored.expiresAt);
  } else {
    insert.bindNull(4);
  }
  insert.bind(5, stored.putMs);
  int at = 6;
  for (const MessageField* field : kStoredFields) {
    const QueueMessage& descriptor = stored.descriptor;
    switch (field->kind) {
      case FieldKind::kNumber:
        insert.bind(at, descriptor.*field->number);
        break;
      case FieldKind::kFlag:
        insert.bind(at, descriptor.*field->number != 0 ? 1 : 0);
        break;
      case FieldKind::kText:
        insert.bindText(at, descriptor.*field->text);
        break;
      case FieldKind::kId:
        if ((descriptor.*field->id).isNone()) {
          insert.bindNull(at);
        } else {
          insert.bindBlob(at, idBytes(descriptor.*field->id));
        }
        break;
    }
    ++at;
  }
  return insert.bindBlob(at, data);
}

void readStored(const Statement& row, int first, StoredMessage& stored) {
  QueueMessage& descriptor = stored.descriptor;
  descriptor.msgId = MessageId24::fromBytes(row.blob(first)).value_or(MessageId24::none());
  stored.supplied = row.integer(first + 1) == 1;
  stored.expiresAt.reset();
  if (!row.isNull(first + 2)) stored.expiresAt = row.integer(first + 2);
  stored.putMs = row.integer(first + 3);
  int at = first + 4;
  for (const MessageField* field : kStoredFields) {
    switch (field->kind) {
      case FieldKind::kNumber:
        descriptor.*field->number = static_cast<std::int32_t>(row.integer(at));
        break;
      case FieldKind::kFlag:
        descriptor.*field->number = row.integer(at) != 0 ? 1 : 0;
        break;
      case FieldKind::kText:
        descriptor.*field->text = row.text(at);
        break;
      case FieldKind::kId:
        descriptor.*field->id =
            row.isNull(at) ? MessageId24::none()
                           : MessageId24::fromBytes(row.blob(at)).value_or(MessageId24::none());
        break;
    }
    ++at;
  }
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

ReasonCode readBody(Database& db, std::int64_t queueId, std::int64_t seq, std::size_t length,
                    std::vector<std::uint8_t>& into) {
  sqlite3_blob* blob = nullptr;
  const std::string table = name(queueId);
  int rc = sqlite3_blob_open(db.handle(), "main", table.c_str(), kDataColumn, seq, 0, &blob);
  if (rc == SQLITE_OK) {
    into.resize(length);
    rc = sqlite3_blob_read(blob, into.data(), static_cast<int>(length), 0);
  }
  sqlite3_blob_close(blob);
  return reasonFromSqlite(rc);
}

}  // namespace kx::message_table
