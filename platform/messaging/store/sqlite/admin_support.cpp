#include "platform/messaging/store/sqlite/admin_support.h"

#include "platform/messaging/names.h"

namespace kx::admin::sqlite {

Status explained(Status status, std::string_view manager, std::string_view kept) {
  switch (status.reason) {
    case reason::kStoreFull:
    case reason::kStoreNoAccess:
    case reason::kStoreReadOnly:
    case reason::kDataDirectoryUnsafe:
      return failure(status.reason, explainFailure(manager, status.reason), kept);
    default:
      return status;
  }
}

Status openManager(std::string_view manager, Database& db, std::string_view kept, Upgrade upgrade) {
  if (Status status = checkManagerName(manager, kept); !status) return status;
  const ReasonCode why = openStore(manager, db, upgrade);
  if (why == reason::kQueueManagerNameError) {
    return failure(
        why,
        "queue manager " + quotedName(manager) + " does not exist in " + dataDirectory().string(),
        kept);
  }
  if (why == reason::kStoreDamaged) {
    return failure(why, describeUnusableStore(storePath(manager)), "the file was left untouched");
  }
  if (why != reason::kNone) return explained(storeFailure(why, kept), manager, kept);
  if (const ReasonCode syncWhy = db.exec("PRAGMA synchronous = FULL"); syncWhy != reason::kNone) {
    return explained(storeFailure(syncWhy, kept), manager, kept);
  }
  return {};
}

ReasonCode run(Statement& statement) {
  const int rc = statement.step();
  statement.reuse();
  return (rc == SQLITE_DONE || rc == SQLITE_ROW) ? reason::kNone : reasonFromSqlite(rc);
}

ReasonCode prepareAndRun(Database& db, const char* sql, std::int64_t a, std::int64_t b) {
  Statement statement;
  if (const ReasonCode why = db.prepare(sql, statement); why != reason::kNone) return why;
  statement.bind(1, a).bind(2, b);
  return run(statement);
}

ReasonCode localQueues(Database& db, std::vector<LocalQueue>& queues) {
  Statement list;
  if (const ReasonCode why =
          db.prepare("SELECT id, name FROM queues WHERE alias_for IS NULL ORDER BY name", list);
      why != reason::kNone) {
    return why;
  }
  int rc = SQLITE_ROW;
  while ((rc = list.step()) == SQLITE_ROW) queues.push_back({list.integer(0), list.text(1)});
  return rc == SQLITE_DONE ? reason::kNone : reasonFromSqlite(rc);
}

ReasonCode readQueue(Database& db, std::string_view name, QueueDefinition& row) {
  Statement statement;
  ReasonCode why = db.prepare(
      "SELECT id, alias_for, depth, max_depth, next_seq FROM queues WHERE name = ?1", statement);
  if (why != reason::kNone) return why;
  const int rc = statement.bindText(1, name).step();
  row = QueueDefinition{};
  if (rc == SQLITE_ROW) {
    row.found = true;
    row.id = statement.integer(0);
    row.alias = !statement.isNull(1);
    row.target = statement.text(1);
    row.depth = statement.integer(2);
    row.maxDepth = statement.integer(3);
    row.nextSeq = statement.integer(4);
    return reason::kNone;
  }
  return rc == SQLITE_DONE ? reason::kNone : reasonFromSqlite(rc);
}

ReasonCode bumpGeneration(Database& db) {
  return prepareAndRun(db, "UPDATE manager SET gen = gen + 1 WHERE id = 1");
}

ReasonCode StoreDefinitions::aliasOf(std::string_view queue, std::string& alias) {
  alias.clear();
  Statement pointing;
  if (const ReasonCode why = db_.prepare("SELECT name FROM queues WHERE alias_for = ?1", pointing);
      why != reason::kNone) {
    return why;
  }
  const int rc = pointing.bindText(1, queue).step();
  if (rc == SQLITE_ROW) alias = pointing.text(0);
  return rc == SQLITE_ROW || rc == SQLITE_DONE ? reason::kNone : reasonFromSqlite(rc);
}

}  // namespace kx::admin::sqlite
