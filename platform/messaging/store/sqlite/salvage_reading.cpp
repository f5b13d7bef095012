#include "platform/messaging/store/sqlite/salvage_reading.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <string_view>

#include "platform/messaging/names.h"
#include "platform/messaging/store/message_rules.h"
#include "platform/messaging/store/put_context.h"
#include "platform/messaging/store/sqlite/admin_support.h"
#include "platform/messaging/store/sqlite/message_table.h"
#include "platform/messaging/store/sqlite/tolerant_scan.h"

namespace kx::admin::sqlite {
namespace {

bool isInteger(const Statement& row, int column) {
  return sqlite3_column_type(row.handle(), column) == SQLITE_INTEGER;
}

bool isInt32(const Statement& row, int column) {
  return isInteger(row, column) &&
         row.integer(column) >= std::numeric_limits<std::int32_t>::min() &&
         row.integer(column) <= std::numeric_limits<std::int32_t>::max();
}

bool isFlag(const Statement& row, int column) {
  return isInteger(row, column) && (row.integer(column) == 0 || row.integer(column) == 1);
}

bool isTextUpTo(const Statement& row, int column, std::size_t width) {
  return sqlite3_column_type(row.handle(), column) == SQLITE_TEXT &&
         static_cast<std::size_t>(sqlite3_column_bytes(row.handle(), column)) <= width;
}

std::optional<MessageId24> idIn(const Statement& row, int column) {
  if (sqlite3_column_type(row.handle(), column) != SQLITE_BLOB) return std::nullopt;
  return MessageId24::fromBytes(row.blob(column));
}

// The first column of a message in a row of the scan, after its key.
constexpr int kFirstColumn = 1;

// Whether a scanned row holds a message that makes sense at `storeId`, every column of the kind
// its field is; `message` gets it, all but the body.
bool readMessage(const Statement& row, std::int64_t storeId, StoredMessage& message) {
  int at = kFirstColumn;
  const std::optional<MessageId24> msgId = idIn(row, at);
  if (!msgId || !isFlag(row, at + 1) || !(row.isNull(at + 2) || isInteger(row, at + 2)) ||
      !isInteger(row, at + 3)) {
    return false;
  }
  for (at += 4; const MessageField* field : kStoredFields) {
    const bool sound = field->kind == FieldKind::kNumber ? isInt32(row, at)
                       : field->kind == FieldKind::kFlag ? isFlag(row, at)
                       : field->kind == FieldKind::kText ? isTextUpTo(row, at, field->width)
                                                         : row.isNull(at) || idIn(row, at);
    if (!sound) return false;
    ++at;
  }
  if (sqlite3_column_type(row.handle(), at) != SQLITE_BLOB ||
      row.blob(at).size() > kMaxMessageLength) {
    return false;
  }
  message_table::readStored(row, kFirstColumn, message);
  // An id the store assigned carries the message's own place: one that disagrees is damage.
  if (!message.supplied && storeIdIn(message.descriptor.msgId) != storeId) return false;
  return message.descriptor.priority >= -1 && message.descriptor.priority <= 9;
}

}  // namespace

ReasonCode readQueues(Database& old, std::vector<Queue>& queues, std::int64_t& unreadable) {
  TolerantScan scan(old, "queues", "name, alias_for, max_depth, depth, next_seq", kMaxQueueId);
  std::set<std::int64_t> read;
  const ReasonCode why = scan.run([&](const Statement& row, std::int64_t id) {
    if (read.count(id) != 0) return true;
    Queue queue;
    queue.id = id;
    const bool alias = sqlite3_column_type(row.handle(), 2) != SQLITE_NULL;
    if (!isTextUpTo(row, 1, kMaxObjectNameLength) ||
        (alias && !isTextUpTo(row, 2, kMaxObjectNameLength)) || !isInteger(row, 3) ||
        !isInteger(row, 4) || !isInteger(row, 5)) {
      return false;
    }
    queue.name = row.text(1);
    if (alias) queue.aliasFor = row.text(2);
    queue.maxDepth = row.integer(3);
    queue.depth = row.integer(4);
    queue.nextSeq = row.integer(5);
    if (validateName(queue.name, NameKind::Queue) != reason::kNone ||
        (alias && validateName(*queue.aliasFor, NameKind::Queue) != reason::kNone) ||
        queue.maxDepth < 0 || queue.maxDepth > kMaxMaxDepth || *queue.depth < 0 ||
        queue.nextSeq < 0 || queue.nextSeq > kMaxSequence) {
      return false;
    }
    read.insert(id);
    queues.push_back(std::move(queue));
    return true;
  });
  unreadable = scan.unreadable();
  return why;
}

// The ids of the message tables the store holds, read from SQLite's own list of tables.
ReasonCode messageTables(Database& old, std::set<std::int64_t>& ids) {
  Statement tables;
  ReasonCode why = old.prepare(
      std::string("SELECT name FROM sqlite_schema WHERE type = 'table' AND name GLOB '") +
          message_table::kNamePrefix + "[0-9]*'",
      tables);
  if (why != reason::kNone) return why;
  int rc = SQLITE_ROW;
  while ((rc = tables.step()) == SQLITE_ROW) {
    const std::string name = tables.text(0);
    std::int64_t id = 0;
    const char* digits = name.data() + std::string_view(message_table::kNamePrefix).size();
    const auto [end, error] = std::from_chars(digits, name.data() + name.size(), id);
    if (error == std::errc() && end == name.data() + name.size() &&
        message_table::name(id) == name && id > 0 && id <= kMaxQueueId) {
      ids.insert(id);
    }
  }
  return rc == SQLITE_DONE ? reason::kNone : reasonFromSqlite(rc);
}

ReasonCode copyMessages(Database& old, Database& fresh, std::int64_t queueId, Copied& copied) {
  // A message read twice (see TolerantScan) is stored once.
  std::string insertSql = message_table::onTable(message_table::insertSql(), queueId);
  insertSql.replace(0, std::string_view("INSERT").size(), "INSERT OR IGNORE");
  Statement insert;
  if (const ReasonCode why = fresh.prepare(insertSql, insert); why != reason::kNone) return why;
  ReasonCode failed = reason::kNone;
  TolerantScan scan(old, message_table::name(queueId), message_table::messageColumns(""),
                    kMaxSequence);
  StoredMessage message;
  const ReasonCode why = scan.run([&](const Statement& row, std::int64_t seq) {
    if (failed != reason::kNone) return true;
    if (!readMessage(row, storeIdOf(queueId, seq), message)) return false;
    const auto data = row.blob(kFirstColumn + message_table::kMessageColumnCount - 1);
    failed = run(message_table::bindRow(insert, seq, message, data));
    if (failed == reason::kNone && fresh.changes() == 1) {
      ++copied.messages;
      if (message.expiresAt) ++copied.withExpiry;
      copied.lastSeq = std::max(copied.lastSeq, seq);
    }
    return true;
  });
  copied.unreadable = scan.unreadable();
  copied.damageMet = scan.metDamage();
  return failed != reason::kNone ? failed : why;
}

}  // namespace kx::admin::sqlite
