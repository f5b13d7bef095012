#include <algorithm>

#include "platform/messaging/names.h"
#include "platform/messaging/queue_message.h"
#include "platform/messaging/store/message_rules.h"
#include "platform/messaging/store/put_context.h"
#include "platform/messaging/store/seam_calls.h"
#include "platform/messaging/store/sqlite/admin_support.h"
#include "platform/messaging/store/sqlite/message_table.h"
#include "platform/messaging/store/sqlite/sqlite_admin.h"

// Administration of the queues of the embedded store: defining, altering, listing and deleting
// them, and removing or loading their messages in bulk.
namespace kx::admin::sqlite {

Status SqliteAdmin::defineLocalQueue(std::string_view manager, std::string_view queue,
                                     std::int32_t maxDepth) {
  constexpr const char* kKept = "nothing was defined";
  if (Status status = checkNames(manager, queue, kKept); !status) return status;
  if (Status status = checkMaxDepth(maxDepth, kKept); !status) return status;
  return changeStore(manager, kKept, Checkpoint::kNo, [&](Database& db) -> Status {
    if (Status status = StoreDefinitions(db, manager).checkUndefined(queue, kKept); !status)
      return status;
    Statement insert;
    ReasonCode why =
        db.prepare("INSERT INTO queues(name, alias_for, max_depth) VALUES (?1, NULL, ?2)", insert);
    if (why == reason::kNone) why = run(insert.bindText(1, queue).bind(2, maxDepth));
    if (why != reason::kNone) return storeFailure(why, kKept);
    const std::int64_t id = sqlite3_last_insert_rowid(db.handle());
    if (id > kMaxQueueId) {
      return failure(reason::kValueError, "the store has no queue ids left", kKept);
    }
    if ((why = message_table::create(db, id)) == reason::kNone) why = bumpGeneration(db);
    if (why != reason::kNone) return storeFailure(why, kKept);
    return {};
  });
}

Status SqliteAdmin::defineAliasQueue(std::string_view manager, std::string_view alias,
                                     std::string_view target) {
  constexpr const char* kKept = "nothing was defined";
  if (Status status = checkAliasNames(manager, alias, target, kKept); !status) return status;
  return changeStore(manager, kKept, Checkpoint::kNo, [&](Database& db) -> Status {
    if (Status status = StoreDefinitions(db, manager).checkAliasable(alias, target, kKept);
        !status) {
      return status;
    }
    Statement insert;
    ReasonCode why =
        db.prepare("INSERT INTO queues(name, alias_for, max_depth) VALUES (?1, ?2, 0)", insert);
    if (why == reason::kNone) why = run(insert.bindText(1, alias).bindText(2, target));
    if (why == reason::kNone) why = bumpGeneration(db);
    if (why != reason::kNone) return storeFailure(why, kKept);
    return {};
  });
}

Status SqliteAdmin::alterMaxDepth(std::string_view manager, std::string_view queue,
                                  std::int32_t maxDepth) {
  if (Status status = checkNames(manager, queue, kNothingChanged); !status) return status;
  if (Status status = checkMaxDepth(maxDepth, kNothingChanged); !status) return status;
  return changeStore(manager, kNothingChanged, Checkpoint::kNo, [&](Database& db) -> Status {
    QueueDefinition row;
    if (Status status = StoreDefinitions(db, manager).find(queue, kNothingChanged, row); !status) {
      return status;
    }
    if (row.alias) {
      return failure(reason::kOptionNotValidForType,
                     queueLabel(manager, queue) + " is an alias and has no max depth",
                     kNothingChanged);
    }
    if (const ReasonCode why =
            prepareAndRun(db, "UPDATE queues SET max_depth = ?2 WHERE id = ?1", row.id, maxDepth);
        why != reason::kNone) {
      return storeFailure(why, kNothingChanged);
    }
    return {};
  });
}

Status SqliteAdmin::deleteQueue(std::string_view manager, std::string_view queue, bool purge) {
  constexpr const char* kKept = "nothing was deleted";
  if (Status status = checkNames(manager, queue, kKept); !status) return status;
  return changeStoreEvenIfFull(manager, kKept, Checkpoint::kNo, [&](Database& db) -> Status {
    QueueDefinition row;
    if (Status status = StoreDefinitions(db, manager).find(queue, kKept, row); !status)
      return status;
    if (!row.alias) {
      Statement any;
      ReasonCode why = db.prepare(message_table::onTable(message_table::kAnySql, row.id), any);
      if (why != reason::kNone) return storeFailure(why, kKept);
      if (const int rc = any.step(); rc != SQLITE_ROW) {
        return storeFailure(reasonFromSqlite(rc), kKept);
      }
      if (any.integer(0) != 0 && !purge) {
        return failure(
            reason::kQueueNotEmpty,
            queueLabel(manager, queue) + " holds messages (purge them, or delete with --purge)",
            kKept);
      }
      any = Statement();
      if ((why = message_table::drop(db, row.id)) != reason::kNone) {
        return storeFailure(why, kKept);
      }
    }
    ReasonCode why = prepareAndRun(db, "DELETE FROM queues WHERE id = ?1", row.id);
    if (why == reason::kNone) why = bumpGeneration(db);
    if (why != reason::kNone) return storeFailure(why, kKept);
    return {};
  });
}

Status SqliteAdmin::listQueues(std::string_view manager, std::vector<QueueInfo>& queues) {
  queues.clear();
  Database db;
  if (Status status = openManager(manager, db, kJustRead); !status) return status;
  Transaction snapshot(db);
  if (const ReasonCode why = snapshot.beginRead(); why != reason::kNone) {
    return storeFailure(why, kJustRead);
  }
  Statement list;
  ReasonCode why = db.prepare(
      "SELECT name, alias_for, max_depth, depth, expiring, id FROM queues ORDER BY name", list);
  if (why != reason::kNone) return storeFailure(why, kJustRead);
  const std::int64_t now = seam::nowMs();
  int rc = SQLITE_ROW;
  while ((rc = list.step()) == SQLITE_ROW) {
    QueueInfo info;
    info.name = list.text(0);
    info.alias = !list.isNull(1);
    info.target = list.text(1);
    std::int64_t depth = list.integer(3);
    if (!info.alias && list.integer(4) > 0) {
      Statement expired;
      why = db.prepare(message_table::onTable(message_table::kCountExpiredSql, list.integer(5)),
                       expired);
      if (why != reason::kNone) return storeFailure(why, kJustRead);
      why = message_table::depthLessExpired(expired, depth, now, depth);
      // A damaged table: its counter still says how many it held, and 'check' says the rest.
      if (why != reason::kNone && why != reason::kStoreDamaged) {
        return storeFailure(why, kJustRead);
      }
    }
    info.maxDepth = info.alias ? 0 : static_cast<std::int32_t>(list.integer(2));
    info.depth = info.alias ? 0 : static_cast<std::int32_t>(std::max<std::int64_t>(0, depth));
    queues.push_back(std::move(info));
  }
  if (rc != SQLITE_DONE) return storeFailure(reasonFromSqlite(rc), kJustRead);
  return {};
}

Status SqliteAdmin::purgeQueue(std::string_view manager, std::string_view queue,
                               std::int64_t& removed) {
  removed = 0;
  constexpr const char* kKept = "no message was removed";
  if (Status status = checkNames(manager, queue, kKept); !status) return status;
  std::int64_t count = 0;
  Status status =
      changeStoreEvenIfFull(manager, kKept, Checkpoint::kAfterCommit, [&](Database& db) -> Status {
        QueueDefinition row;
        if (Status found = StoreDefinitions(db, manager).find(queue, kKept, row, true); !found)
          return found;
        ReasonCode why =
            db.exec(message_table::onTable(message_table::kDeleteAllSql, row.id).c_str());
        count = db.changes();
        if (why == reason::kNone) {
          why =
              prepareAndRun(db, "UPDATE queues SET depth = 0, expiring = 0 WHERE id = ?1", row.id);
        }
        if (why != reason::kNone) return storeFailure(why, kKept);
        return {};
      });
  if (status) removed = count;
  return status;
}

Status SqliteAdmin::loadMessages(std::string_view manager, std::string_view queue,
                                 std::int64_t count, std::span<const std::uint8_t> data,
                                 bool persistent) {
  constexpr const char* kKept = "no message was put";
  if (Status status = checkLoad(manager, queue, count, data.size(), kKept); !status) {
    return status;
  }
  return changeStore(manager, kKept, Checkpoint::kAfterCommit, [&](Database& db) -> Status {
    QueueDefinition row;
    if (const ReasonCode why = readQueue(db, queue, row); why != reason::kNone) {
      return storeFailure(why, kKept);
    }
    if (!row.found || row.alias) {
      return failure(reason::kUnknownObjectName,
                     queueLabel(manager, queue) + " is not a local queue", kKept);
    }
    if (row.depth + count > row.maxDepth || row.nextSeq + count > kMaxSequence) {
      return failure(reason::kQueueFull,
                     queueLabel(manager, queue) + " has no room for " + std::to_string(count) +
                         " more messages",
                     kKept);
    }
    Statement insert;
    ReasonCode why = db.prepare(message_table::onTable(message_table::insertSql(), row.id), insert);
    if (why != reason::kNone) return storeFailure(why, kKept);
    // Each a plain datagram, as a new message is, with the putting program's context.
    QueueMessage loaded;
    loaded.persistent = persistent ? 1 : 0;
    StoredMessage message;
    storeForPut(loaded, seam::nowMs(), message);
    const MessageIdSource ids;
    for (std::int64_t i = 1; i <= count; ++i) {
      const std::int64_t seq = row.nextSeq + i;
      message.descriptor.msgId = ids.assign(storeIdOf(row.id, seq));
      if ((why = run(message_table::bindRow(insert, seq, message, data))) != reason::kNone) {
        return storeFailure(why, kKept);
      }
    }
    why = prepareAndRun(db,
                        "UPDATE queues SET depth = depth + ?2, next_seq = next_seq + ?2 "
                        "WHERE id = ?1",
                        row.id, count);
    if (why != reason::kNone) return storeFailure(why, kKept);
    return {};
  });
}

}  // namespace kx::admin::sqlite
