// Administration of the queues of a queue manager kept in PostgreSQL: defining, altering,
// listing and deleting them, and removing or loading their messages in bulk.
#include <algorithm>

#include "platform/messaging/names.h"
#include "platform/messaging/queue_message.h"
#include "platform/messaging/store/message_rules.h"
#include "platform/messaging/store/postgres/admin_session.h"
#include "platform/messaging/store/postgres/postgres_admin.h"
#include "platform/messaging/store/postgres/postgres_schema.h"
#include "platform/messaging/store/put_context.h"
#include "platform/messaging/store/seam_calls.h"

namespace kx::admin::postgres {

namespace schema = pg::schema;

Status PostgresAdmin::defineLocalQueue(std::string_view manager, std::string_view queue,
                                       std::int32_t maxDepth) {
  constexpr const char* kKept = "nothing was defined";
  if (Status status = checkNames(manager, queue, kKept); !status) return status;
  if (Status status = checkMaxDepth(maxDepth, kKept); !status) return status;
  return changeDatabase(manager, kKept, [&](Session& session) -> Status {
    if (Status status = SessionDefinitions(session).checkUndefined(queue, kKept); !status)
      return status;
    Params params;
    params.text(queue).int4(maxDepth);
    Result made;
    ReasonCode why = session.run("INSERT INTO " + session.schemaName +
                                     ".queues(name, alias_for, max_depth) VALUES ($1, NULL, $2) "
                                     "RETURNING id",
                                 {Type::kText, Type::kInt4}, params, made);
    if (why == reason::kNone && made.int8(0, 0) > kMaxQueueId) {
      return failure(reason::kValueError, "the store has no queue ids left", kKept);
    }
    if (why == reason::kNone) {
      Params counters;
      counters.int8(made.int8(0, 0));
      Result done;
      why = session.run("INSERT INTO " + session.schemaName +
                            ".taken(queue_id, shard) SELECT $1, generate_series(0, " +
                            std::to_string(schema::kTakenRows - 1) + ")",
                        {Type::kInt8}, counters, done);
    }
    if (why == reason::kNone) why = bumpGeneration(session);
    if (why != reason::kNone) return session.failed(why, kKept);
    return {};
  });
}

Status PostgresAdmin::defineAliasQueue(std::string_view manager, std::string_view alias,
                                       std::string_view target) {
  constexpr const char* kKept = "nothing was defined";
  if (Status status = checkAliasNames(manager, alias, target, kKept); !status) return status;
  return changeDatabase(manager, kKept, [&](Session& session) -> Status {
    if (Status status = SessionDefinitions(session).checkAliasable(alias, target, kKept); !status) {
      return status;
    }
    Params params;
    params.text(alias).text(target);
    Result made;
    ReasonCode why = session.run("INSERT INTO " + session.schemaName +
                                     ".queues(name, alias_for, max_depth) VALUES ($1, $2, 0)",
                                 {Type::kText, Type::kText}, params, made);
    if (why == reason::kNone) why = bumpGeneration(session);
    if (why != reason::kNone) return session.failed(why, kKept);
    return {};
  });
}

Status PostgresAdmin::alterMaxDepth(std::string_view manager, std::string_view queue,
                                    std::int32_t maxDepth) {
  if (Status status = checkNames(manager, queue, kNothingChanged); !status) return status;
  if (Status status = checkMaxDepth(maxDepth, kNothingChanged); !status) return status;
  return changeDatabase(manager, kNothingChanged, [&](Session& session) -> Status {
    QueueDefinition row;
    if (Status status = SessionDefinitions(session, true).find(queue, kNothingChanged, row);
        !status) {
      return status;
    }
    if (row.alias) {
      return failure(reason::kOptionNotValidForType,
                     queueLabel(manager, queue) + " is an alias and has no max depth",
                     kNothingChanged);
    }
    Params params;
    params.int8(row.id).int4(maxDepth);
    Result done;
    if (const ReasonCode why =
            session.run("UPDATE " + session.schemaName + ".queues SET max_depth = $2 WHERE id = $1",
                        {Type::kInt8, Type::kInt4}, params, done);
        why != reason::kNone) {
      return session.failed(why, kNothingChanged);
    }
    return {};
  });
}

Status PostgresAdmin::deleteQueue(std::string_view manager, std::string_view queue, bool purge) {
  constexpr const char* kKept = "nothing was deleted";
  if (Status status = checkNames(manager, queue, kKept); !status) return status;
  return changeDatabase(manager, kKept, [&](Session& session) -> Status {
    session.bulk();
    QueueDefinition row;
    if (Status status = SessionDefinitions(session, true).find(queue, kKept, row); !status) {
      return status;
    }
    Params params;
    params.int8(row.id);
    Result result;
    ReasonCode why = reason::kNone;
    if (!row.alias) {
      why = session.run(
          "SELECT EXISTS (SELECT 1 FROM " + session.schemaName + ".messages WHERE queue_id = $1)",
          {Type::kInt8}, params, result);
      if (why == reason::kNone && result.boolean(0, 0) && !purge) {
        return failure(
            reason::kQueueNotEmpty,
            queueLabel(manager, queue) + " holds messages (purge them, or delete with --purge)",
            kKept);
      }
      if (why == reason::kNone) {
        why = session.run("DELETE FROM " + session.schemaName + ".messages WHERE queue_id = $1",
                          {Type::kInt8}, params, result);
      }
    }
    if (why == reason::kNone) {
      why = session.run("DELETE FROM " + session.schemaName + ".queues WHERE id = $1",
                        {Type::kInt8}, params, result);
    }
    if (why == reason::kNone) why = bumpGeneration(session);
    if (why != reason::kNone) return session.failed(why, kKept);
    return {};
  });
}

Status PostgresAdmin::listQueues(std::string_view manager, std::vector<QueueInfo>& queues) {
  queues.clear();
  Session session;
  if (Status status = open(session, manager, kJustRead); !status) return status;
  Params params;
  params.int8(seam::nowMs());
  Result rows;
  if (const ReasonCode why =
          session.run("SELECT q.name, q.alias_for, q.max_depth, " +
                          schema::depthOf(session.schemaName, "q", "$1") + " FROM " +
                          session.schemaName + ".queues q ORDER BY q.name",
                      {Type::kInt8}, params, rows);
      why != reason::kNone) {
    return session.failed(why, kJustRead);
  }
  for (int i = 0; i < rows.rows(); ++i) {
    QueueInfo info;
    info.name = rows.text(i, 0);
    info.alias = !rows.isNull(i, 1);
    info.target = rows.text(i, 1);
    info.maxDepth = info.alias ? 0 : rows.int4(i, 2);
    info.depth =
        info.alias
            ? 0
            : static_cast<std::int32_t>(std::clamp<std::int64_t>(rows.int8(i, 3), 0, INT32_MAX));
    queues.push_back(std::move(info));
  }
  return {};
}

Status PostgresAdmin::purgeQueue(std::string_view manager, std::string_view queue,
                                 std::int64_t& removed) {
  removed = 0;
  constexpr const char* kKept = "no message was removed";
  if (Status status = checkNames(manager, queue, kKept); !status) return status;
  std::int64_t count = 0;
  Status status = changeDatabase(manager, kKept, [&](Session& session) -> Status {
    session.bulk();
    QueueDefinition row;
    if (Status found = SessionDefinitions(session).find(queue, kKept, row, true); !found)
      return found;
    Params params;
    params.int8(row.id);
    Result result;
    if (const ReasonCode why = session.run(
            "WITH gone AS (DELETE FROM " + session.schemaName +
                ".messages WHERE queue_id = $1 RETURNING 1) UPDATE " + session.schemaName +
                ".taken SET removed = removed + (SELECT count(*) FROM gone) WHERE queue_id = $1 "
                "AND shard = 0 RETURNING (SELECT count(*) FROM gone)",
            {Type::kInt8}, params, result);
        why != reason::kNone) {
      return session.failed(why, kKept);
    }
    count = result.rows() == 1 ? result.int8(0, 0) : 0;
    return {};
  });
  if (status) removed = count;
  return status;
}

Status PostgresAdmin::loadMessages(std::string_view manager, std::string_view queue,
                                   std::int64_t count, std::span<const std::uint8_t> data,
                                   bool persistent) {
  constexpr const char* kKept = "no message was put";
  if (Status status = checkLoad(manager, queue, count, data.size(), kKept); !status) {
    return status;
  }
  return changeDatabase(manager, kKept, [&](Session& session) -> Status {
    session.bulk();
    QueueDefinition row;
    if (Status status = SessionDefinitions(session, true).find(queue, kKept, row); !status) {
      return status;
    }
    if (row.alias) {
      return failure(reason::kUnknownObjectName,
                     queueLabel(manager, queue) + " is not a local queue", kKept);
    }
    // The depth again, now that the queue's row is locked against puts.
    if (const ReasonCode why = readQueue(session, queue, row); why != reason::kNone) {
      return session.failed(why, kKept);
    }
    if (row.depth + count > row.maxDepth) {
      return failure(reason::kQueueFull,
                     queueLabel(manager, queue) + " has no room for " + std::to_string(count) +
                         " more messages",
                     kKept);
    }
    // Each a plain datagram, as a new message is, with the putting program's context.
    QueueMessage loaded;
    loaded.persistent = persistent ? 1 : 0;
    StoredMessage stored;
    storeForPut(loaded, seam::nowMs(), stored);
    const MessageId24 prefix = MessageIdSource().assign(0);
    Params params;
    params.int8(row.id).int8(count).bytes(prefix.bytes()).int8(stored.putMs).bytes(data);
    schema::addStored(params, stored);
    std::vector<Type> types = {Type::kInt8, Type::kInt8, Type::kBytea, Type::kInt8, Type::kBytea};
    schema::addStoredTypes(types);
    Result result;
    ReasonCode why = session.run(
        "WITH q AS (UPDATE " + session.schemaName +
            ".queues SET added = added + $2, next_seq = next_seq + $2 WHERE id = $1 AND next_seq "
            "+ $2 <= " +
            std::to_string(kMaxSequence) + " RETURNING next_seq - $2 AS first) INSERT INTO " +
            session.schemaName + ".messages(queue_id, seq, msg_id, supplied, expires_at, put_ms, " +
            storedColumns("") + ", data) SELECT $1, q.first + i, " +
            schema::assignedIdSql("$3", "$1", "q.first + i") + ", false, NULL, $4, " +
            schema::storedParameters(6) + ", $5 FROM q, generate_series(1, $2) AS i",
        types, params, result);
    if (why == reason::kNone && result.affected() != count) {
      return failure(reason::kQueueFull,
                     queueLabel(manager, queue) + " has no sequence numbers left", kKept);
    }
    if (why != reason::kNone) return session.failed(why, kKept);
    return {};
  });
}

}  // namespace kx::admin::postgres
