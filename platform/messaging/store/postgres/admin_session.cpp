#include "platform/messaging/store/postgres/admin_session.h"

#include <fstream>
#include <system_error>

#include "platform/messaging/names.h"
#include "platform/messaging/store/postgres/postgres_schema.h"
#include "platform/messaging/store/private_files.h"
#include "platform/messaging/store/seam_calls.h"
#include "platform/messaging/store_location.h"

namespace kx::admin::postgres {
namespace {

namespace fs = std::filesystem;
namespace schema = pg::schema;

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

}  // namespace

Status refuseUnusable(const std::string& conninfo, std::string_view kept) {
  std::string problem;
  if (pg::usableConnectionString(conninfo, problem)) return {};
  return failure(reason::kValueError, problem, kept);
}

Status connect(Session& session, std::string_view manager, const std::string& conninfo,
               std::string_view kept) {
  session.manager = manager;
  session.schemaName = schema::of(manager);
  std::string problem;
  if (const ReasonCode why = session.db.open(conninfo, problem); why != reason::kNone) {
    return connectFailure(why, manager, problem, kept);
  }
  return {};
}

// Opens the database of a queue manager this machine has a record of, and checks that it holds
// the queue manager; `running` gives its state and `version` the version of its tables.
Status open(Session& session, std::string_view manager, std::string_view kept, bool* running,
            std::int32_t* version) {
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
      session.run("SELECT running, schema_version FROM " + session.schemaName + ".manager", row);
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

ReasonCode bumpGeneration(Session& session) {
  Result done;
  return session.run("UPDATE " + session.schemaName + ".manager SET gen = gen + 1", done);
}

// A queue's row, locked for the change when `lock` is set; its depth as clients see it.
ReasonCode readQueue(Session& session, std::string_view name, QueueDefinition& row, bool lock) {
  Result result;
  Params params;
  params.text(name).int8(seam::nowMs());
  const ReasonCode why =
      session.run("SELECT q.id, q.alias_for, " + schema::depthOf(session.schemaName, "q", "$2") +
                      ", q.max_depth FROM " + session.schemaName + ".queues q WHERE q.name = $1" +
                      (lock ? " FOR UPDATE OF q" : ""),
                  {Type::kText, Type::kInt8}, params, result);
  row = QueueDefinition{};
  if (why != reason::kNone || result.rows() != 1) return why;
  row.found = true;
  row.id = result.int8(0, 0);
  row.alias = !result.isNull(0, 1);
  row.target = result.text(0, 1);
  row.depth = std::max<std::int64_t>(0, result.int8(0, 2));
  row.maxDepth = result.int4(0, 3);
  return reason::kNone;
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

ReasonCode SessionDefinitions::aliasOf(std::string_view queue, std::string& alias) {
  alias.clear();
  Params named;
  named.text(queue);
  Result pointing;
  const ReasonCode why =
      session_.run("SELECT name FROM " + session_.schemaName + ".queues WHERE alias_for = $1",
                   {Type::kText}, named, pointing);
  if (why == reason::kNone && pointing.rows() > 0) alias = pointing.text(0, 0);
  return why;
}

}  // namespace kx::admin::postgres
