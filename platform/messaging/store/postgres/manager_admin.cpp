// Administration of queue managers kept in PostgreSQL: each call opens its own connection to the
// database the record names and makes its change in one transaction there.
#include "platform/messaging/names.h"
#include "platform/messaging/store/postgres/admin_session.h"
#include "platform/messaging/store/postgres/postgres_admin.h"
#include "platform/messaging/store/postgres/postgres_schema.h"
#include "platform/messaging/store/postgres/start_reports.h"
#include "platform/messaging/store/seam_calls.h"
#include "platform/messaging/store_location.h"

namespace kx::admin::postgres {

namespace schema = pg::schema;

Status PostgresAdmin::create(std::string_view name, const std::string& conninfo) {
  constexpr const char* kKept = "nothing was created";
  if (Status status = refuseUnusable(conninfo, kKept); !status) return status;
  Session session;
  if (Status status = connect(session, name, conninfo, kKept); !status) return status;
  const ReasonCode why =
      session.db.exec("BEGIN; " + schema::createSql(session.schemaName, name) + " COMMIT;");
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
    session.run("DROP SCHEMA " + session.schemaName + " CASCADE", dropped);
    return status;
  }
  return {};
}

Status PostgresAdmin::attach(std::string_view name, const std::string& conninfo) {
  constexpr const char* kKept = "nothing was recorded";
  if (Status status = refuseUnusable(conninfo, kKept); !status) return status;
  Session session;
  if (Status status = connect(session, name, conninfo, kKept); !status) return status;
  Result row;
  const ReasonCode why = session.run("SELECT name FROM " + session.schemaName +
                                         ".manager WHERE schema_version BETWEEN 1 AND " +
                                         std::to_string(schema::kSchemaVersion),
                                     row);
  if (why != reason::kNone || row.rows() != 1 || row.text(0, 0) != name) {
    return failure(
        reason::kQueueManagerNameError,
        "that database holds no queue manager " + quotedName(name) + " (create it there first)",
        kKept);
  }
  return writeRecord(name, conninfo, kKept);
}

Status PostgresAdmin::detachQueueManager(std::string_view name) {
  return removeRecord(name, "nothing was changed");
}

Status PostgresAdmin::deleteQueueManager(std::string_view name, bool force) {
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
  if (const ReasonCode why = session.run("DROP SCHEMA " + session.schemaName + " CASCADE", dropped);
      why != reason::kNone) {
    return session.failed(why, kKept);
  }
  return removeRecord(name, kKept);
}

Status PostgresAdmin::startQueueManager(std::string_view name) {
  return changeDatabase(name, kNothingChanged, [&](Session& session) -> Status {
    session.bulk();
    Result row;
    ReasonCode why = session.run("SELECT running, schema_version FROM " + session.schemaName +
                                     ".manager WHERE id = 1 FOR UPDATE",
                                 row);
    if (why != reason::kNone) return session.failed(why, kNothingChanged);
    if (row.rows() == 1 && row.boolean(0, 0)) {
      return failure(reason::kQueueManagerRunning,
                     "queue manager " + quotedName(name) + " is already running", kNothingChanged);
    }
    // Tables made by an earlier version are brought up to date first.
    if (row.rows() == 1) {
      if (const std::string upgrade = schema::upgradeSql(session.schemaName, row.int4(0, 1));
          !upgrade.empty()) {
        why = session.db.exec(upgrade);
      }
    }
    // Receipts of unanswered takes outlive no start: the connections that made them are broken.
    if (why == reason::kNone) {
      why = session.db.exec(schema::markIntact(session.schemaName) + " DELETE FROM " +
                            session.schemaName + ".receipts");
    }
    if (why == reason::kNone) {
      why = session.run("UPDATE " + session.schemaName +
                            ".manager SET running = true, epoch = epoch + 1 RETURNING epoch, gen",
                        row);
    }
    // A start is a restart: the non-persistent messages go, and the expired ones, whose reports
    // are put as a client of this start would put them (no client sees it before its commit).
    if (why == reason::kNone) {
      why = discardAtStart(session, row.int8(0, 0), row.int8(0, 1), seam::nowMs());
    }
    if (why != reason::kNone) return session.failed(why, kNothingChanged);
    return {};
  });
}

Status PostgresAdmin::stopQueueManager(std::string_view name) {
  return changeDatabase(name, kNothingChanged, [&](Session& session) -> Status {
    Result done;
    if (const ReasonCode why = session.run(
            "UPDATE " + session.schemaName + ".manager SET running = false WHERE running", done);
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

namespace {

// The dead-letter queue and the count of reports discarded; tables of an earlier version keep
// neither.
Status readReportState(Session& session, std::int32_t version, CheckReport& report) {
  if (version < schema::kSchemaVersion) return {};
  Result row;
  const ReasonCode why = session.run("SELECT coalesce(dead_letter, ''), discarded_reports FROM " +
                                         session.schemaName + ".manager WHERE id = 1",
                                     row);
  if (why != reason::kNone) return session.failed(why, kJustRead);
  if (row.rows() == 1) {
    report.deadLetterQueue = row.text(0, 0);
    report.discardedReports = row.int8(0, 1);
  }
  return {};
}

}  // namespace

Status PostgresAdmin::checkQueueManager(std::string_view name, CheckReport& report) {
  report = CheckReport{};
  return changeDatabase(name, kJustRead, [&](Session& session) -> Status {
    session.bulk();
    // The messages stay in the database whatever the counters say: nothing here is mended by
    // deleting the queue manager, which would drop them for every machine.
    report.advice = "its messages stay in schema " + session.schemaName +
                    " of its database: have the database's administrator check that schema and "
                    "the server's log with the database's own tools, and use 'kxadmin stop' and "
                    "'kxadmin start' to bring tables of an earlier version up to date";
    Result version;
    if (const ReasonCode why =
            session.run("SELECT schema_version FROM " + session.schemaName + ".manager", version);
        why != reason::kNone || version.rows() != 1) {
      return session.failed(why == reason::kNone ? reason::kStoreDamaged : why, kJustRead);
    }
    if (version.int4(0, 0) < schema::kSchemaVersion) {
      report.problems.emplace_back(
          "its tables were made by an earlier version; 'kxadmin stop' and "
          "'kxadmin start' bring them up to date");
    }
    if (Status status = readReportState(session, version.int4(0, 0), report); !status) {
      return status;
    }
    Result rows;
    const ReasonCode why = session.run(
        "SELECT q.name, q.added - (SELECT coalesce(sum(t.removed), 0)::bigint FROM " +
            session.schemaName + ".taken t WHERE t.queue_id = q.id), (SELECT count(*) FROM " +
            session.schemaName +
            ".messages m WHERE m.queue_id = q.id), q.next_seq, (SELECT coalesce(max(m.seq), 0) "
            "FROM " +
            session.schemaName + ".messages m WHERE m.queue_id = q.id), (SELECT count(*) FROM " +
            session.schemaName + ".taken t WHERE t.queue_id = q.id) FROM " + session.schemaName +
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

Status PostgresAdmin::setDeadLetterQueue(std::string_view manager, std::string_view queue) {
  if (Status status = checkManagerName(manager, kNothingChanged); !status) return status;
  if (!queue.empty()) {
    if (Status status = checkQueueName(queue, kNothingChanged); !status) return status;
  }
  return changeDatabase(manager, kNothingChanged, [&](Session& session) -> Status {
    Result row;
    ReasonCode why = session.run("SELECT running, schema_version FROM " + session.schemaName +
                                     ".manager WHERE id = 1 FOR UPDATE",
                                 row);
    if (why != reason::kNone) return session.failed(why, kNothingChanged);
    if (row.int4(0, 1) < schema::kSchemaVersion) {
      // Tables of an earlier version are brought up to date only while no client uses them.
      if (row.boolean(0, 0)) {
        return failure(reason::kQueueManagerRunning,
                       "its tables were made by an earlier version; 'kxadmin stop' and "
                       "'kxadmin start' bring them up to date",
                       kNothingChanged);
      }
      why = session.db.exec(schema::upgradeSql(session.schemaName, row.int4(0, 1)));
    }
    Params params;
    params.text(queue);
    Result done;
    if (why == reason::kNone) {
      why = session.run(
          "UPDATE " + session.schemaName + ".manager SET dead_letter = nullif($1, '') WHERE id = 1",
          {Type::kText}, params, done);
    }
    if (why != reason::kNone) return session.failed(why, kNothingChanged);
    return {};
  });
}

Status PostgresAdmin::salvageQueueManager(std::string_view name, SalvageReport& /*report*/) {
  return failure(reason::kOptionNotValidForType,
                 "queue manager " + quotedName(name) +
                     " is kept in PostgreSQL; its database is repaired with the database's own "
                     "tools",
                 kNothingChanged);
}

Status PostgresAdmin::checkDefaultable(std::string_view /*name*/, std::string_view /*kept*/) {
  return {};  // its database is reached when a client connects; the mark only names it
}

std::string PostgresAdmin::explainFailure(std::string_view /*manager*/, ReasonCode why) {
  return describeReason(why);
}

void PostgresAdmin::describe(std::string_view name, ManagerInfo& info) {
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

}  // namespace kx::admin::postgres
