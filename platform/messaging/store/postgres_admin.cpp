// Administration of queue managers kept in PostgreSQL: each call opens its own connection to the
// database the record names and makes its change in one transaction there.
#include <algorithm>
#include <fstream>
#include <system_error>

#include "platform/messaging/names.h"
#include "platform/messaging/queue_message.h"
#include "platform/messaging/store/admin_backends.h"
#include "platform/messaging/store/admin_support.h"
#include "platform/messaging/store/postgres_db.h"
#include "platform/messaging/store/postgres_schema.h"
#include "platform/messaging/store/private_files.h"
#include "platform/messaging/store/put_context.h"
#include "platform/messaging/store/seam_calls.h"
#include "platform/messaging/store_location.h"

namespace kx::admin::postgres {
namespace {

namespace fs = std::filesystem;
namespace schema = pg::schema;
using pg::Params;
using pg::Result;
using pg::Type;

// A connection to the database of one queue manager, for one administration call.
struct Session {
  pg::Connection db;
  std::string s;  // the queue manager's schema
  std::string manager;

  // What the database said, as one line an operator can act on.
  Status failed(ReasonCode why, std::string_view kept) const {
    std::string said = db.lastError();
    said = said.substr(0, said.find('\n'));
    if (said.empty()) return storeFailure(why, kept);
    return failure(why, std::string(describeReason(why)) + ": " + said, kept);
  }
  ReasonCode run(const std::string& sql, const std::vector<Type>& types, const Params& params,
                 Result& result) {
    return db.once(pg::Statement{"", sql, types}, params, result);
  }
  ReasonCode run(const std::string& sql, Result& result) { return run(sql, {}, Params(), result); }
  // For work that grows with a queue: the longer bound.
  void bulk() {
    if (db.waitBoundMs() > 0)
      db.setWaitBoundMs(std::max(db.waitBoundMs(), pg::kBulkWaitSeconds * 1000));
  }
};

Status refuseUnusable(const std::string& conninfo, std::string_view kept) {
  std::string problem;
  if (pg::usableConnectionString(conninfo, problem)) return {};
  return failure(reason::kValueError, problem, kept);
}

// What the failed connect to the database of `manager` means, as one line.
Status connectFailure(ReasonCode why, std::string_view manager, const std::string& problem,
                      std::string_view kept) {
  const std::string of = "the database of " + quotedName(manager);
  switch (why) {
    case reason::kQueueManagerGone:
      return failure(why, of + " is gone: " + problem, kept);
    case reason::kDatabaseNoAccess:
      return failure(why, of + " refused the connection: " + problem, kept);
    default:
      return failure(why, "cannot reach " + of + ": " + problem, kept);
  }
}

Status connect(Session& session, std::string_view manager, const std::string& conninfo,
               std::string_view kept) {
  session.manager = manager;
  session.s = schema::of(manager);
  std::string problem;
  if (const ReasonCode why = session.db.open(conninfo, problem); why != reason::kNone) {
    return connectFailure(why, manager, problem, kept);
  }
  return {};
}

// Opens the database of a queue manager this machine has a record of, and checks that it holds
// the queue manager; `running` gives its state and `version` the version of its tables.
Status open(Session& session, std::string_view manager, std::string_view kept,
            bool* running = nullptr, std::int32_t* version = nullptr) {
  if (Status status = checkManagerName(manager, kept); !status) return status;
  std::string conninfo;
  if (readPostgresRecord(manager, conninfo) != reason::kNone) {
    return failure(
        reason::kQueueManagerNameError,
        "queue manager " + quotedName(manager) + " does not exist in " + dataDirectory().string(),
        kept);
  }
  if (Status status = connect(session, manager, conninfo, kept); !status) return status;
  Result row;
  const ReasonCode why =
      session.run("SELECT running, schema_version FROM " + session.s + ".manager", row);
  if (why == reason::kQueueManagerGone) {
    return failure(why,
                   "the database named in " + postgresRecordPath(manager).string() +
                       " no longer holds queue manager " + quotedName(manager) +
                       " (its schema is gone)",
                   "nothing was touched");
  }
  if (why != reason::kNone && why != reason::kStoreDamaged) return session.failed(why, kept);
  if (why != reason::kNone || row.rows() != 1 || row.int4(0, 1) < 1 ||
      row.int4(0, 1) > schema::kSchemaVersion) {
    return failure(reason::kStoreDamaged,
                   "the database named in " + postgresRecordPath(manager).string() +
                       " holds no usable queue manager " + quotedName(manager),
                   "nothing was touched");
  }
  if (running != nullptr) *running = row.boolean(0, 0);
  if (version != nullptr) *version = row.int4(0, 1);
  return {};
}

// Runs `change` in one transaction on the queue manager's database, committed only when it
// succeeds.
template <typename Change>
Status changeDatabase(std::string_view manager, std::string_view kept, Change&& change) {
  Session session;
  if (Status status = open(session, manager, kept); !status) return status;
  if (const ReasonCode why = session.db.exec("BEGIN"); why != reason::kNone) {
    return session.failed(why, kept);
  }
  Status status = change(session);
  if (status) {
    if (const ReasonCode why = session.db.exec("COMMIT"); why != reason::kNone) {
      return session.failed(why, kept);
    }
  } else {
    session.db.exec("ROLLBACK");
  }
  return status;
}

ReasonCode bumpGeneration(Session& session) {
  Result done;
  return session.run("UPDATE " + session.s + ".manager SET gen = gen + 1", done);
}

struct QueueRow {
  bool found = false;
  std::int64_t id = 0;
  bool alias = false;
  std::string target;
  std::int64_t depth = 0;
  std::int32_t maxDepth = 0;
};

// A queue's row, locked for the change when `lock` is set; its depth as clients see it.
ReasonCode readQueue(Session& session, std::string_view name, QueueRow& row, bool lock = false) {
  Result result;
  Params params;
  params.text(name).int8(seam::nowMs());
  const ReasonCode why = session.run(
      "SELECT q.id, q.alias_for, " + schema::depthOf(session.s, "q", "$2") + ", q.max_depth FROM " +
          session.s + ".queues q WHERE q.name = $1" + (lock ? " FOR UPDATE OF q" : ""),
      {Type::kText, Type::kInt8}, params, result);
  row = QueueRow{};
  if (why != reason::kNone || result.rows() != 1) return why;
  row.found = true;
  row.id = result.int8(0, 0);
  row.alias = !result.isNull(0, 1);
  row.target = result.text(0, 1);
  row.depth = std::max<std::int64_t>(0, result.int8(0, 2));
  row.maxDepth = result.int4(0, 3);
  return reason::kNone;
}

std::string queueLabel(const Session& session, std::string_view queue) {
  return admin::queueLabel(session.manager, queue);
}

// The row of a queue that must exist; of an alias's base queue when `throughAlias` is set.
Status findQueue(Session& session, std::string_view queue, std::string_view kept, QueueRow& row,
                 bool throughAlias = false, bool lock = false) {
  ReasonCode why = readQueue(session, queue, row, lock);
  if (why == reason::kNone && throughAlias && row.found && row.alias) {
    const std::string target = row.target;
    why = readQueue(session, target, row, lock);
  }
  if (why != reason::kNone) return session.failed(why, kept);
  if (!row.found) {
    return failure(reason::kUnknownObjectName, queueLabel(session, queue) + " does not exist",
                   kept);
  }
  return {};
}

Status checkUndefined(Session& session, std::string_view queue, std::string_view kept) {
  QueueRow row;
  if (const ReasonCode why = readQueue(session, queue, row); why != reason::kNone) {
    return session.failed(why, kept);
  }
  if (row.found) {
    return failure(reason::kObjectAlreadyExists, queueLabel(session, queue) + " already exists",
                   "it was left as it was");
  }
  return {};
}

// Writes the record that tells this machine's clients where the queue manager lives.
Status writeRecord(std::string_view manager, const std::string& conninfo, std::string_view kept) {
  fs::path directory;
  std::string problem;
  if (const ReasonCode why = prepareDataDirectory(directory, problem); why != reason::kNone) {
    return failure(why, problem, kept);
  }
  sweepTemporaries(directory);
  TemporaryFile temporary;
  ReasonCode why = temporary.create(directory / postgresRecordPath(manager).filename(), problem);
  if (why == reason::kNone) why = temporary.write(conninfo + "\n", problem);
  if (why == reason::kNone) why = temporary.linkIntoPlace(problem);
  if (why == reason::kObjectAlreadyExists) {
    return failure(why, "queue manager " + quotedName(manager) + " already exists",
                   "it was left as it was");
  }
  if (why != reason::kNone) return failure(why, problem, kept);
  return {};
}

// Removes the record and, when it names this queue manager, the default mark.
Status removeRecord(std::string_view manager, std::string_view kept) {
  std::error_code error;
  const fs::path record = postgresRecordPath(manager);
  if (!fs::remove(record, error) && error) {
    return failure(reasonFromSystemError(error.value()),
                   "cannot remove " + record.string() + ": " + error.message(), kept);
  }
  std::string marked;
  if (std::ifstream mark(defaultMarkPath());
      mark && std::getline(mark, marked) && marked == manager) {
    fs::remove(defaultMarkPath(), error);
  }
  return {};
}

}  // namespace

Status createQueueManager(std::string_view name, const std::string& conninfo) {
  constexpr const char* kKept = "nothing was created";
  if (Status status = refuseUnusable(conninfo, kKept); !status) return status;
  Session session;
  if (Status status = connect(session, name, conninfo, kKept); !status) return status;
  const ReasonCode why =
      session.db.exec("BEGIN; " + schema::createSql(session.s, name) + " COMMIT;");
  if (why != reason::kNone) {
    session.db.exec("ROLLBACK");
    if (session.db.sqlState() == "42P06") {
      return failure(reason::kObjectAlreadyExists,
                     "queue manager " + quotedName(name) +
                         " already exists in that database; attach to it instead",
                     "it was left as it was");
    }
    return session.failed(why, kKept);
  }
  if (Status status = writeRecord(name, conninfo, kKept); !status) {
    Result dropped;
    session.run("DROP SCHEMA " + session.s + " CASCADE", dropped);
    return status;
  }
  return {};
}

Status attachQueueManager(std::string_view name, const std::string& conninfo) {
  constexpr const char* kKept = "nothing was recorded";
  if (Status status = refuseUnusable(conninfo, kKept); !status) return status;
  Session session;
  if (Status status = connect(session, name, conninfo, kKept); !status) return status;
  Result row;
  const ReasonCode why =
      session.run("SELECT name FROM " + session.s +
                      ".manager WHERE schema_version = " + std::to_string(schema::kSchemaVersion),
                  row);
  if (why != reason::kNone || row.rows() != 1 || row.text(0, 0) != name) {
    return failure(
        reason::kQueueManagerNameError,
        "that database holds no queue manager " + quotedName(name) + " (create it there first)",
        kKept);
  }
  return writeRecord(name, conninfo, kKept);
}

Status detachQueueManager(std::string_view name) {
  return removeRecord(name, "nothing was changed");
}

Status deleteQueueManager(std::string_view name, bool force) {
  constexpr const char* kKept = "nothing was deleted";
  Session session;
  bool running = false;
  Status opened = open(session, name, kKept, &running);
  if (!opened) {
    // A database that holds no usable queue manager any more: only the record can go.
    const bool lost =
        opened.reason == reason::kStoreDamaged || opened.reason == reason::kQueueManagerGone;
    if (!force || !lost) {
      if (lost) opened.message += " (forget it with 'delete --force' or 'detach')";
      return opened;
    }
    return removeRecord(name, kKept);
  }
  session.bulk();
  if (running) {
    return failure(reason::kQueueManagerRunning,
                   "queue manager " + quotedName(name) + " is running; stop it first", kKept);
  }
  Result dropped;
  if (const ReasonCode why = session.run("DROP SCHEMA " + session.s + " CASCADE", dropped);
      why != reason::kNone) {
    return session.failed(why, kKept);
  }
  return removeRecord(name, kKept);
}

Status startQueueManager(std::string_view name) {
  return changeDatabase(name, kNothingChanged, [&](Session& session) -> Status {
    session.bulk();
    Result row;
    ReasonCode why = session.run(
        "SELECT running, schema_version FROM " + session.s + ".manager WHERE id = 1 FOR UPDATE",
        row);
    if (why != reason::kNone) return session.failed(why, kNothingChanged);
    if (row.rows() == 1 && row.boolean(0, 0)) {
      return failure(reason::kQueueManagerRunning,
                     "queue manager " + quotedName(name) + " is already running", kNothingChanged);
    }
    // Tables made by an earlier version are brought up to date first.
    if (row.rows() == 1) {
      if (const std::string upgrade = schema::upgradeSql(session.s, row.int4(0, 1));
          !upgrade.empty()) {
        why = session.db.exec(upgrade);
      }
    }
    // A start is a restart: the non-persistent messages go, and the expired ones.
    Params params;
    params.int8(seam::nowMs());
    Result lost;
    if (why == reason::kNone) {
      why = session.run(schema::discardAtStartSql(session.s), {Type::kInt8}, params, lost);
    }
    // Receipts of unanswered takes outlive no start: the connections that made them are broken.
    if (why == reason::kNone) {
      why = session.db.exec(schema::markIntact(session.s) + " DELETE FROM " + session.s +
                            ".receipts");
    }
    if (why == reason::kNone) {
      why = session.run("UPDATE " + session.s + ".manager SET running = true, epoch = epoch + 1",
                        row);
    }
    if (why != reason::kNone) return session.failed(why, kNothingChanged);
    return {};
  });
}

Status stopQueueManager(std::string_view name) {
  return changeDatabase(name, kNothingChanged, [&](Session& session) -> Status {
    Result done;
    if (const ReasonCode why =
            session.run("UPDATE " + session.s + ".manager SET running = false WHERE running", done);
        why != reason::kNone) {
      return session.failed(why, kNothingChanged);
    }
    if (done.affected() == 0) {
      return failure(reason::kQueueManagerStopped,
                     "queue manager " + quotedName(name) + " is already stopped", kNothingChanged);
    }
    return {};
  });
}

Status checkQueueManager(std::string_view name, CheckReport& report) {
  report = CheckReport{};
  return changeDatabase(name, kJustRead, [&](Session& session) -> Status {
    session.bulk();
    Result version;
    if (const ReasonCode why =
            session.run("SELECT schema_version FROM " + session.s + ".manager", version);
        why == reason::kNone && version.rows() == 1 &&
        version.int4(0, 0) < schema::kSchemaVersion) {
      report.problems.emplace_back(
          "its tables were made by an earlier version; 'kxadmin stop' and "
          "'kxadmin start' bring them up to date");
    }
    Result rows;
    const ReasonCode why = session.run(
        "SELECT q.name, q.added - (SELECT coalesce(sum(t.removed), 0)::bigint FROM " + session.s +
            ".taken t WHERE t.queue_id = q.id), (SELECT count(*) FROM " + session.s +
            ".messages m WHERE m.queue_id = q.id), q.next_seq, (SELECT coalesce(max(m.seq), 0) "
            "FROM " +
            session.s + ".messages m WHERE m.queue_id = q.id), (SELECT count(*) FROM " + session.s +
            ".taken t WHERE t.queue_id = q.id) FROM " + session.s +
            ".queues q WHERE q.alias_for IS NULL ORDER BY q.name",
        rows);
    if (why != reason::kNone) return session.failed(why, kJustRead);
    for (int i = 0; i < rows.rows(); ++i) {
      ++report.queues;
      const std::string label = "queue " + quotedName(rows.text(i, 0)) + ": ";
      const std::int64_t counted = rows.int8(i, 1);
      const std::int64_t held = rows.int8(i, 2);
      report.messages += held;
      if (counted != held) {
        report.problems.push_back(label + "depth " + std::to_string(counted) + " but " +
                                  std::to_string(held) + " messages");
      }
      if (rows.int8(i, 4) > rows.int8(i, 3)) {
        report.problems.push_back(label + "next sequence " + std::to_string(rows.int8(i, 3)) +
                                  " is behind its last message " + std::to_string(rows.int8(i, 4)));
      }
      if (rows.int8(i, 5) != schema::kTakenRows) {
        report.problems.push_back(label + std::to_string(rows.int8(i, 5)) + " of its " +
                                  std::to_string(schema::kTakenRows) + " counter rows");
      }
    }
    return {};
  });
}

void describe(std::string_view name, ManagerInfo& info) {
  Session session;
  bool running = false;
  const Status status = open(session, name, kNothingChanged, &running);
  info.running = status && running;
  info.damaged = status.reason == reason::kStoreDamaged;
  info.gone = status.reason == reason::kQueueManagerGone;
  info.denied = status.reason == reason::kDatabaseNoAccess;
  info.unreachable = !status && !info.damaged && !info.gone && !info.denied;
  if (!status) info.problem = status.message;
}

Status defineLocalQueue(std::string_view manager, std::string_view queue, std::int32_t maxDepth) {
  constexpr const char* kKept = "nothing was defined";
  if (Status status = checkNames(manager, queue, kKept); !status) return status;
  if (Status status = checkMaxDepth(maxDepth, kKept); !status) return status;
  return changeDatabase(manager, kKept, [&](Session& session) -> Status {
    if (Status status = checkUndefined(session, queue, kKept); !status) return status;
    Params params;
    params.text(queue).int4(maxDepth);
    Result made;
    ReasonCode why = session.run("INSERT INTO " + session.s +
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
      why = session.run("INSERT INTO " + session.s +
                            ".taken(queue_id, shard) SELECT $1, generate_series(0, " +
                            std::to_string(schema::kTakenRows - 1) + ")",
                        {Type::kInt8}, counters, done);
    }
    if (why == reason::kNone) why = bumpGeneration(session);
    if (why != reason::kNone) return session.failed(why, kKept);
    return {};
  });
}

Status defineAliasQueue(std::string_view manager, std::string_view alias, std::string_view target) {
  constexpr const char* kKept = "nothing was defined";
  if (Status status = checkNames(manager, alias, kKept); !status) return status;
  if (Status status = checkQueueName(target, kKept); !status) return status;
  if (alias == target) {
    return failure(reason::kNotAliasable, "alias " + quotedName(alias) + " cannot stand for itself",
                   kKept);
  }
  return changeDatabase(manager, kKept, [&](Session& session) -> Status {
    if (Status status = checkUndefined(session, alias, kKept); !status) return status;
    QueueRow row;
    if (const ReasonCode why = readQueue(session, target, row); why != reason::kNone) {
      return session.failed(why, kKept);
    }
    if (row.found && row.alias) {
      return failure(reason::kNotAliasable,
                     quotedName(target) +
                         " is itself an alias; an alias must stand for a local "
                         "queue",
                     kKept);
    }
    // Nor may an existing alias come to stand for this new alias.
    Params named;
    named.text(alias);
    Result pointing;
    ReasonCode why = session.run("SELECT name FROM " + session.s + ".queues WHERE alias_for = $1",
                                 {Type::kText}, named, pointing);
    Params params;
    params.text(alias).text(target);
    if (why == reason::kNone && pointing.rows() > 0) {
      return failure(reason::kNotAliasable,
                     "alias " + quotedName(pointing.text(0, 0)) + " already stands for " +
                         quotedName(alias) + "; an alias cannot stand for an alias",
                     kKept);
    }
    Result made;
    if (why == reason::kNone) {
      why = session.run(
          "INSERT INTO " + session.s + ".queues(name, alias_for, max_depth) VALUES ($1, $2, 0)",
          {Type::kText, Type::kText}, params, made);
    }
    if (why == reason::kNone) why = bumpGeneration(session);
    if (why != reason::kNone) return session.failed(why, kKept);
    return {};
  });
}

Status alterMaxDepth(std::string_view manager, std::string_view queue, std::int32_t maxDepth) {
  if (Status status = checkNames(manager, queue, kNothingChanged); !status) return status;
  if (Status status = checkMaxDepth(maxDepth, kNothingChanged); !status) return status;
  return changeDatabase(manager, kNothingChanged, [&](Session& session) -> Status {
    QueueRow row;
    if (Status status = findQueue(session, queue, kNothingChanged, row, false, true); !status) {
      return status;
    }
    if (row.alias) {
      return failure(reason::kOptionNotValidForType,
                     queueLabel(session, queue) + " is an alias and has no max depth",
                     kNothingChanged);
    }
    Params params;
    params.int8(row.id).int4(maxDepth);
    Result done;
    if (const ReasonCode why =
            session.run("UPDATE " + session.s + ".queues SET max_depth = $2 WHERE id = $1",
                        {Type::kInt8, Type::kInt4}, params, done);
        why != reason::kNone) {
      return session.failed(why, kNothingChanged);
    }
    return {};
  });
}

Status deleteQueue(std::string_view manager, std::string_view queue, bool purge) {
  constexpr const char* kKept = "nothing was deleted";
  if (Status status = checkNames(manager, queue, kKept); !status) return status;
  return changeDatabase(manager, kKept, [&](Session& session) -> Status {
    session.bulk();
    QueueRow row;
    if (Status status = findQueue(session, queue, kKept, row, false, true); !status) {
      return status;
    }
    Params params;
    params.int8(row.id);
    Result result;
    ReasonCode why = reason::kNone;
    if (!row.alias) {
      why = session.run(
          "SELECT EXISTS (SELECT 1 FROM " + session.s + ".messages WHERE queue_id = $1)",
          {Type::kInt8}, params, result);
      if (why == reason::kNone && result.boolean(0, 0) && !purge) {
        return failure(
            reason::kQueueNotEmpty,
            queueLabel(session, queue) + " holds messages (purge them, or delete with --purge)",
            kKept);
      }
      if (why == reason::kNone) {
        why = session.run("DELETE FROM " + session.s + ".messages WHERE queue_id = $1",
                          {Type::kInt8}, params, result);
      }
    }
    if (why == reason::kNone) {
      why = session.run("DELETE FROM " + session.s + ".queues WHERE id = $1", {Type::kInt8}, params,
                        result);
    }
    if (why == reason::kNone) why = bumpGeneration(session);
    if (why != reason::kNone) return session.failed(why, kKept);
    return {};
  });
}

Status listQueues(std::string_view manager, std::vector<QueueInfo>& queues) {
  queues.clear();
  Session session;
  if (Status status = open(session, manager, kJustRead); !status) return status;
  Params params;
  params.int8(seam::nowMs());
  Result rows;
  if (const ReasonCode why = session.run("SELECT q.name, q.alias_for, q.max_depth, " +
                                             schema::depthOf(session.s, "q", "$1") + " FROM " +
                                             session.s + ".queues q ORDER BY q.name",
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

Status purgeQueue(std::string_view manager, std::string_view queue, std::int64_t& removed) {
  removed = 0;
  constexpr const char* kKept = "no message was removed";
  if (Status status = checkNames(manager, queue, kKept); !status) return status;
  std::int64_t count = 0;
  Status status = changeDatabase(manager, kKept, [&](Session& session) -> Status {
    session.bulk();
    QueueRow row;
    if (Status found = findQueue(session, queue, kKept, row, true); !found) return found;
    Params params;
    params.int8(row.id);
    Result result;
    if (const ReasonCode why = session.run(
            "WITH gone AS (DELETE FROM " + session.s +
                ".messages WHERE queue_id = $1 RETURNING 1) UPDATE " + session.s +
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

Status loadMessages(std::string_view manager, std::string_view queue, std::int64_t count,
                    std::span<const std::uint8_t> data, bool persistent) {
  constexpr const char* kKept = "no message was put";
  if (Status status = checkNames(manager, queue, kKept); !status) return status;
  if (count < 0 || data.size() > kMaxMessageLength) {
    return failure(reason::kValueError, "bad message count or size", kKept);
  }
  return changeDatabase(manager, kKept, [&](Session& session) -> Status {
    session.bulk();
    QueueRow row;
    if (Status status = findQueue(session, queue, kKept, row, false, true); !status) {
      return status;
    }
    if (row.alias) {
      return failure(reason::kUnknownObjectName,
                     queueLabel(session, queue) + " is not a local queue", kKept);
    }
    // The depth again, now that the queue's row is locked against puts.
    if (const ReasonCode why = readQueue(session, queue, row); why != reason::kNone) {
      return session.failed(why, kKept);
    }
    if (row.depth + count > row.maxDepth) {
      return failure(reason::kQueueFull,
                     queueLabel(session, queue) + " has no room for " + std::to_string(count) +
                         " more messages",
                     kKept);
    }
    const MessageId24 prefix = MessageIdSource().assign(0);
    Params params;
    params.int8(row.id)
        .int8(count)
        .bytes(prefix.bytes())
        .boolean(persistent)
        .int8(seam::nowMs())
        .text(putApplicationName())
        .bytes(data);
    Result result;
    ReasonCode why = session.run(
        "WITH q AS (UPDATE " + session.s +
            ".queues SET added = added + $2, next_seq = next_seq + $2 WHERE id = $1 AND next_seq "
            "+ $2 <= " +
            std::to_string(kMaxSequence) + " RETURNING next_seq - $2 AS first) INSERT INTO " +
            session.s +
            ".messages(queue_id, seq, msg_id, supplied, correl_id, expires_at, persistent, "
            "put_ms, msg_type, feedback, ccsid, format, priority, report, backout, reply_q, "
            "reply_qmgr, put_appl, put_appl_type, data) SELECT $1, q.first + i, overlay($3 "
            "PLACING int8send(($1 << 40) | (q.first + i)) FROM 9 FOR 8), false, NULL, NULL, $4, "
            "$5, " +
            std::to_string(msgtype::kDatagram) + ", 0, " + std::to_string(kCcsidUtf8) +
            ", '        ', 0, 0, 0, '', '', $6, " + std::to_string(kPutApplTypeThisPlatform) +
            ", $7 FROM q, generate_series(1, $2) AS i",
        {Type::kInt8, Type::kInt8, Type::kBytea, Type::kBool, Type::kInt8, Type::kText,
         Type::kBytea},
        params, result);
    if (why == reason::kNone && result.affected() != count) {
      return failure(reason::kQueueFull,
                     queueLabel(session, queue) + " has no sequence numbers left", kKept);
    }
    if (why != reason::kNone) return session.failed(why, kKept);
    return {};
  });
}

}  // namespace kx::admin::postgres
