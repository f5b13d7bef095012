#include "platform/messaging/store_admin.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <new>
#include <system_error>

#include "platform/messaging/data_directory.h"
#include "platform/messaging/file_problems.h"
#include "platform/messaging/names.h"
#include "platform/messaging/put_context.h"
#include "platform/messaging/queue_message.h"
#include "platform/messaging/sqlite_db.h"
#include "platform/messaging/store_connection.h"
#include "platform/messaging/store_file.h"
#include "platform/messaging/store_reserve.h"
#include "platform/messaging/test_seams.h"

namespace kx::admin {
namespace {

namespace fs = std::filesystem;

constexpr std::int32_t kMaxMaxDepth = 999'999'999;
constexpr const char* kNothingChanged = "nothing was changed";

// A name as it may appear in a message: quoted, with control characters made harmless.
std::string shown(std::string_view text) {
  std::string out = "'";
  for (char c : text.substr(0, 64))
    out += (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) ? '?' : c;
  if (text.size() > 64) out += "...";
  return out + "'";
}

Status failure(ReasonCode why, const std::string& what, std::string_view kept) {
  return Status{why, what + "; " + std::string(kept)};
}

Status storeFailure(ReasonCode why, std::string_view kept) {
  return failure(why, describeReason(why), kept);
}

std::int64_t nowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(now().time_since_epoch()).count();
}

Status checkManagerName(std::string_view manager, std::string_view kept) {
  if (validateName(manager, NameKind::QueueManager) == reason::kNone) return {};
  return failure(
      reason::kQueueManagerNameError,
      "bad queue manager name " + shown(manager) + " (1 to 48 characters from A-Z a-z 0-9 . _ %)",
      kept);
}

Status checkQueueName(std::string_view queue, std::string_view kept) {
  if (validateName(queue, NameKind::Queue) == reason::kNone) return {};
  return failure(
      reason::kObjectNameError,
      "bad queue name " + shown(queue) + " (1 to 48 characters from A-Z a-z 0-9 . _ / %)", kept);
}

Status checkNames(std::string_view manager, std::string_view queue, std::string_view kept) {
  if (Status status = checkManagerName(manager, kept); !status) return status;
  return checkQueueName(queue, kept);
}

Status checkMaxDepth(std::int32_t maxDepth, std::string_view kept) {
  if (maxDepth >= 0 && maxDepth <= kMaxMaxDepth) return {};
  return failure(reason::kValueError,
                 "max depth " + std::to_string(maxDepth) + " is not within 0 to 999999999", kept);
}

// A failure that lies in the files says which file, and what to do.
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

// Opens an existing store for administration; every write commits durably.
Status openManager(std::string_view manager, Database& db, std::string_view kept) {
  if (Status status = checkManagerName(manager, kept); !status) return status;
  const ReasonCode why = openStore(manager, db);
  if (why == reason::kQueueManagerNameError) {
    return failure(
        why, "queue manager " + shown(manager) + " does not exist in " + dataDirectory().string(),
        kept);
  }
  if (why == reason::kStoreDamaged) {
    return failure(why, storePath(manager).string() + " is not a usable queue manager store",
                   "the file was left untouched");
  }
  if (why != reason::kNone) return explained(storeFailure(why, kept), manager, kept);
  if (const ReasonCode syncWhy = db.exec("PRAGMA synchronous = FULL"); syncWhy != reason::kNone) {
    return explained(storeFailure(syncWhy, kept), manager, kept);
  }
  return {};
}

// Runs a statement to completion; kNone when it finished.
ReasonCode run(Statement& statement) {
  const int rc = statement.step();
  statement.reuse();
  return (rc == SQLITE_DONE || rc == SQLITE_ROW) ? reason::kNone : reasonFromSqlite(rc);
}

ReasonCode prepareAndRun(Database& db, const char* sql, std::int64_t a = 0, std::int64_t b = 0) {
  Statement statement;
  if (const ReasonCode why = db.prepare(sql, statement); why != reason::kNone) return why;
  statement.bind(1, a).bind(2, b);
  return run(statement);
}

// SQL on one local queue's message table: {T} stands for its name.
std::string onTable(std::string sql, std::int64_t queueId) {
  const std::string table = messageTable(queueId);
  for (auto at = sql.find("{T}"); at != std::string::npos; at = sql.find("{T}", at)) {
    sql.replace(at, 3, table);
  }
  return sql;
}

struct LocalQueue {
  std::int64_t id = 0;
  std::string name;
};

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

struct QueueRow {
  bool found = false;
  std::int64_t id = 0;
  bool alias = false;
  std::string target;
  std::int64_t depth = 0;
  std::int64_t maxDepth = 0;
  std::int64_t nextSeq = 0;
};

ReasonCode readRunning(Database& db, bool& running) {
  Statement state;
  if (const ReasonCode why = db.prepare("SELECT running FROM manager WHERE id = 1", state);
      why != reason::kNone) {
    return why;
  }
  const int rc = state.step();
  if (rc != SQLITE_ROW) return rc == SQLITE_DONE ? reason::kStoreDamaged : reasonFromSqlite(rc);
  running = state.integer(0) == 1;
  return reason::kNone;
}

ReasonCode readQueue(Database& db, std::string_view name, QueueRow& row) {
  Statement statement;
  ReasonCode why = db.prepare(
      "SELECT id, alias_for, depth, max_depth, next_seq FROM queues WHERE name = ?1", statement);
  if (why != reason::kNone) return why;
  const int rc = statement.bindText(1, name).step();
  row = QueueRow{};
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

std::string queueLabel(std::string_view manager, std::string_view queue) {
  return "queue " + shown(queue) + " on " + shown(manager);
}

// The row of a queue that must exist; of an alias's base queue when `throughAlias` is set.
Status findQueue(Database& db, std::string_view manager, std::string_view queue,
                 std::string_view kept, QueueRow& row, bool throughAlias = false) {
  ReasonCode why = readQueue(db, queue, row);
  if (why == reason::kNone && throughAlias && row.found && row.alias) {
    const std::string target = row.target;
    why = readQueue(db, target, row);
  }
  if (why != reason::kNone) return storeFailure(why, kept);
  if (!row.found) {
    return failure(reason::kUnknownObjectName, queueLabel(manager, queue) + " does not exist",
                   kept);
  }
  return {};
}

// Refuses a name that is already defined, as a local queue or as an alias.
Status checkUndefined(Database& db, std::string_view manager, std::string_view queue,
                      std::string_view kept) {
  QueueRow row;
  if (const ReasonCode why = readQueue(db, queue, row); why != reason::kNone) {
    return storeFailure(why, kept);
  }
  if (row.found) {
    return failure(reason::kObjectAlreadyExists, queueLabel(manager, queue) + " already exists",
                   "it was left as it was");
  }
  return {};
}

// A bulk change moves the WAL's pages into the store right after its commit, waiting for no
// one, so that the next client's commit does not pay for this one's checkpoint.
enum class Checkpoint { kNo, kAfterCommit };

// Opens `manager`'s store and runs `change` on it in one write transaction, committed only when
// `change` succeeds: any failure leaves the store as it was, which `kept` says in the message.
template <typename Change>
Status changeStore(std::string_view manager, std::string_view kept, Checkpoint checkpoint,
                   Change&& change) {
  Database db;
  if (Status status = openManager(manager, db, kept); !status) return status;
  Transaction transaction(db);
  if (const ReasonCode why = transaction.beginWrite(); why != reason::kNone) {
    return explained(storeFailure(why, kept), manager, kept);
  }
  if (Status status = change(db); !status) return explained(std::move(status), manager, kept);
  if (const ReasonCode why = transaction.commit(); why != reason::kNone) {
    return explained(storeFailure(why, kept), manager, kept);
  }
  if (checkpoint == Checkpoint::kAfterCommit) db.exec("PRAGMA wal_checkpoint(PASSIVE)");
  return {};
}

// Runs a change that frees messages or lets the operator free them (start, stop, purge, delete).
// When the disk is full, the store's reserve is given back, the WAL moved into the store, and the
// change tried once more.
template <typename Change>
Status changeStoreEvenIfFull(std::string_view manager, std::string_view kept, Checkpoint checkpoint,
                             Change&& change) {
  Status status = changeStore(manager, kept, checkpoint, change);
  if (status.reason == reason::kStoreFull && releaseReserve(storePath(manager))) {
    Database db;
    if (openStore(manager, db) == reason::kNone) db.exec("PRAGMA wal_checkpoint(PASSIVE)");
    db.close();
    status = changeStore(manager, kept, checkpoint, change);
  }
  return status;
}

// A start is a restart: a queue's non-persistent messages go, and so do its expired ones, and
// its counters are lowered by what went.
ReasonCode discardOnRestart(Database& db, std::int64_t queueId, std::int64_t now) {
  Statement lost;
  ReasonCode why = db.prepare(onTable("SELECT count(*), coalesce(sum(expires_at IS NOT NULL), 0) "
                                      "FROM {T} WHERE persistent = 0 OR expires_at <= ?1",
                                      queueId),
                              lost);
  if (why != reason::kNone) return why;
  if (const int rc = lost.bind(1, now).step(); rc != SQLITE_ROW) return reasonFromSqlite(rc);
  const std::int64_t count = lost.integer(0);
  const std::int64_t expiring = lost.integer(1);
  if (count == 0) return reason::kNone;
  Statement erase;
  why = db.prepare(onTable("DELETE FROM {T} WHERE persistent = 0 OR expires_at <= ?1", queueId),
                   erase);
  if (why == reason::kNone) why = run(erase.bind(1, now));
  Statement lower;
  if (why == reason::kNone) {
    why = db.prepare("UPDATE queues SET depth = depth - ?2, expiring = expiring - ?3 WHERE id = ?1",
                     lower);
  }
  if (why == reason::kNone) why = run(lower.bind(1, queueId).bind(2, count).bind(3, expiring));
  return why;
}

template <typename Operation>
Status guarded(Operation&& operation) {
  try {
    return operation();
  } catch (const std::bad_alloc&) {
    return Status{reason::kResourceProblem, "out of memory; nothing was changed"};
  } catch (const std::exception& error) {
    return Status{reason::kInternalError, std::string(error.what()) + "; nothing was changed"};
  }
}

}  // namespace

Status createQueueManager(std::string_view name) {
  return guarded([&]() -> Status {
    constexpr const char* kKept = "nothing was created";
    if (Status status = checkManagerName(name, kKept); !status) return status;
    fs::path directory;
    std::string problem;
    if (const ReasonCode why = prepareDataDirectory(directory, problem); why != reason::kNone) {
      return failure(why, problem, kKept);
    }
    sweepTemporaries(directory);
    const fs::path path = directory / storePath(name).filename();
    const Status exists =
        failure(reason::kObjectAlreadyExists, "queue manager " + shown(name) + " already exists",
                "it was left as it was");
    std::error_code error;
    if (fs::exists(fs::symlink_status(path, error))) return exists;
    // Built in a private temporary file and linked into place, so a half-made store is never seen
    // and an existing one is never replaced.
    TemporaryFile temporary;
    if (const ReasonCode why = temporary.create(path, problem); why != reason::kNone) {
      return failure(why, problem, kKept);
    }
    {
      Database db;
      ReasonCode why = db.open(temporary.path().string(), true);
      if (why == reason::kNone) why = createSchema(db, name);
      if (why != reason::kNone) {
        return failure(why, explainFileProblem(why, temporary.path()), kKept);
      }
    }
    if (const ReasonCode why = temporary.linkIntoPlace(problem); why != reason::kNone) {
      return why == reason::kObjectAlreadyExists ? exists : failure(why, problem, kKept);
    }
    keepReserve(path);
    return {};
  });
}

Status deleteQueueManager(std::string_view name, bool force) {
  return guarded([&]() -> Status {
    constexpr const char* kKept = "nothing was deleted";
    if (Status status = checkManagerName(name, kKept); !status) return status;
    const fs::path path = storePath(name);
    Database db;
    Status opened = openManager(name, db, kKept);
    bool running = false;
    if (opened) {
      if (const ReasonCode why = readRunning(db, running); why != reason::kNone) {
        opened = why == reason::kStoreDamaged
                     ? failure(why, path.string() + " is damaged", "the file was left untouched")
                     : storeFailure(why, kKept);
      }
    }
    if (!opened) {
      // A damaged store can only go when the operator says so; nothing else is overridden.
      if (!force || opened.reason != reason::kStoreDamaged) {
        if (opened.reason == reason::kStoreDamaged) {
          opened.message += " (delete it with 'delete --force', or see 'check')";
        }
        return opened;
      }
    } else if (running) {
      return failure(reason::kQueueManagerRunning,
                     "queue manager " + shown(name) + " is running; stop it first", kKept);
    }
    db.close();
    std::error_code error;
    if (!fs::remove(path, error) && error) {
      return failure(reasonFromSystemError(error.value()),
                     "cannot delete " + path.string() + ": " + error.message(), kKept);
    }
    for (const fs::path& companion : companionPaths(path)) fs::remove(companion, error);
    std::string marked;
    if (std::ifstream mark(defaultMarkPath());
        mark && std::getline(mark, marked) && marked == name) {
      fs::remove(defaultMarkPath(), error);
    }
    return {};
  });
}

// The local queues whose messages cannot be read. Found by reading, before any write: SQLite does
// not let a write transaction go on once it has met a damaged page.
std::vector<LocalQueue> unreadableQueues(std::string_view manager) {
  std::vector<LocalQueue> queues;
  std::vector<LocalQueue> unreadable;
  Database db;
  if (openStore(manager, db) != reason::kNone || localQueues(db, queues) != reason::kNone) {
    return unreadable;  // the start itself meets and reports the problem
  }
  for (const LocalQueue& queue : queues) {
    Statement count;
    ReasonCode why = db.prepare(onTable("SELECT count(*) FROM {T}", queue.id), count);
    if (why == reason::kNone) why = reasonFromSqlite(count.step());
    if (why == reason::kStoreDamaged) unreadable.push_back(queue);
  }
  return unreadable;
}

Status startQueueManager(std::string_view name) {
  return guarded([&]() -> Status {
    if (Status status = checkManagerName(name, kNothingChanged); !status) return status;
    // A queue whose messages are damaged keeps them, untouched, and does not keep the other
    // queues from starting.
    const std::vector<LocalQueue> unreadable = unreadableQueues(name);
    Status status = changeStoreEvenIfFull(
        name, kNothingChanged, Checkpoint::kAfterCommit, [&](Database& db) -> Status {
          bool running = false;
          if (const ReasonCode why = readRunning(db, running); why != reason::kNone) {
            return storeFailure(why, kNothingChanged);
          }
          if (running) {
            return failure(reason::kQueueManagerRunning,
                           "queue manager " + shown(name) + " is already running", kNothingChanged);
          }
          const std::int64_t now = nowMs();
          std::vector<LocalQueue> queues;
          ReasonCode why = localQueues(db, queues);
          for (auto queue = queues.begin(); why == reason::kNone && queue != queues.end();
               ++queue) {
            const bool damaged =
                std::any_of(unreadable.begin(), unreadable.end(),
                            [&](const LocalQueue& skipped) { return skipped.id == queue->id; });
            if (!damaged) why = discardOnRestart(db, queue->id, now);
          }
          if (why == reason::kNone) {
            why =
                prepareAndRun(db, "UPDATE manager SET running = 1, epoch = epoch + 1 WHERE id = 1");
          }
          if (why != reason::kNone) return storeFailure(why, kNothingChanged);
          return {};
        });
    if (!status) return status;
    sweepTemporaries(storePath(name).parent_path());
    keepReserve(storePath(name));
    if (!unreadable.empty()) {
      std::string queues;
      for (const auto& queue : unreadable)
        queues += (queues.empty() ? "" : ", ") + shown(queue.name);
      status.message = "the messages of " + queues +
                       " could not be read and were left as they were; run 'kxadmin check " +
                       std::string(name) + "'";
    }
    return status;
  });
}

Status stopQueueManager(std::string_view name) {
  return guarded([&]() -> Status {
    return changeStoreEvenIfFull(
        name, kNothingChanged, Checkpoint::kNo, [&](Database& db) -> Status {
          if (const ReasonCode why =
                  prepareAndRun(db, "UPDATE manager SET running = 0 WHERE id = 1 AND running = 1");
              why != reason::kNone) {
            return storeFailure(why, kNothingChanged);
          }
          if (db.changes() == 0) {
            return failure(reason::kQueueManagerStopped,
                           "queue manager " + shown(name) + " is already stopped", kNothingChanged);
          }
          return {};
        });
  });
}

Status setDefaultQueueManager(std::string_view name) {
  return guarded([&]() -> Status {
    constexpr const char* kKept = "the default was not changed";
    if (Status status = checkManagerName(name, kKept); !status) return status;
    const ReasonCode why = checkStoreHeader(storePath(name));
    if (why == reason::kQueueManagerNameError) {
      return failure(why, "queue manager " + shown(name) + " does not exist", kKept);
    }
    if (why == reason::kStoreDamaged) {
      return failure(why, storePath(name).string() + " is not a usable queue manager store", kKept);
    }
    if (why != reason::kNone) return explained(storeFailure(why, kKept), name, kKept);
    // Written whole to a private temporary file and renamed over the mark, so that a reader sees
    // the old name or the new one, and a link planted in the folder is replaced, never followed.
    fs::path directory;
    std::string problem;
    if (const ReasonCode prepared = prepareDataDirectory(directory, problem);
        prepared != reason::kNone) {
      return failure(prepared, problem, kKept);
    }
    TemporaryFile temporary;
    ReasonCode written = temporary.create(directory / defaultMarkPath().filename(), problem);
    if (written == reason::kNone) written = temporary.write(std::string(name) + "\n", problem);
    if (written == reason::kNone) written = temporary.renameIntoPlace(problem);
    if (written != reason::kNone) return failure(written, problem, kKept);
    return {};
  });
}

Status defaultQueueManager(std::string& name) {
  return guarded([&]() -> Status {
    std::string found;
    std::string source;
    if (const char* env = std::getenv("KX_DEFAULT_QMGR"); env != nullptr && *env != '\0') {
      found = env;
      source = "KX_DEFAULT_QMGR";
    } else if (std::ifstream mark(defaultMarkPath()); mark && std::getline(mark, found)) {
      source = defaultMarkPath().string();
    } else {
      return failure(reason::kNoDefaultQueueManager,
                     "no default queue manager: set KX_DEFAULT_QMGR or run 'kxadmin default NAME'",
                     kNothingChanged);
    }
    if (validateName(found, NameKind::QueueManager) != reason::kNone) {
      return failure(reason::kQueueManagerNameError,
                     "bad default queue manager name " + shown(found) + " in " + source,
                     kNothingChanged);
    }
    name = found;
    return {};
  });
}

Status listQueueManagers(std::vector<ManagerInfo>& managers) {
  return guarded([&]() -> Status {
    managers.clear();
    std::string defaultName;
    defaultQueueManager(defaultName);
    std::error_code error;
    const fs::path directory = dataDirectory();
    if (!fs::exists(directory, error)) return {};
    if (std::string problem; checkDataDirectory(directory, problem) != reason::kNone) {
      return failure(reason::kDataDirectoryUnsafe, problem, kNothingChanged);
    }
    for (const auto& entry : fs::directory_iterator(directory, error)) {
      const fs::path& path = entry.path();
      if (path.extension() != ".qmgr" || !entry.is_regular_file(error)) continue;
      const std::string name = path.stem().string();
      if (validateName(name, NameKind::QueueManager) != reason::kNone) continue;
      ManagerInfo info;
      info.name = name;
      info.isDefault = name == defaultName;
      Database db;
      info.damaged =
          openStore(name, db) != reason::kNone || readRunning(db, info.running) != reason::kNone;
      managers.push_back(std::move(info));
    }
    if (error) {
      return failure(reason::kStoreIoError, "cannot read " + directory.string(), kNothingChanged);
    }
    std::sort(managers.begin(), managers.end(),
              [](const ManagerInfo& a, const ManagerInfo& b) { return a.name < b.name; });
    return {};
  });
}

Status defineLocalQueue(std::string_view manager, std::string_view queue, std::int32_t maxDepth) {
  return guarded([&]() -> Status {
    constexpr const char* kKept = "nothing was defined";
    if (Status status = checkNames(manager, queue, kKept); !status) return status;
    if (Status status = checkMaxDepth(maxDepth, kKept); !status) return status;
    return changeStore(manager, kKept, Checkpoint::kNo, [&](Database& db) -> Status {
      if (Status status = checkUndefined(db, manager, queue, kKept); !status) return status;
      Statement insert;
      ReasonCode why = db.prepare(
          "INSERT INTO queues(name, alias_for, max_depth) VALUES (?1, NULL, ?2)", insert);
      if (why == reason::kNone) why = run(insert.bindText(1, queue).bind(2, maxDepth));
      if (why != reason::kNone) return storeFailure(why, kKept);
      const std::int64_t id = sqlite3_last_insert_rowid(db.handle());
      if (id > kMaxQueueId) {
        return failure(reason::kValueError, "the store has no queue ids left", kKept);
      }
      if ((why = createMessageTable(db, id)) == reason::kNone) why = bumpGeneration(db);
      if (why != reason::kNone) return storeFailure(why, kKept);
      return {};
    });
  });
}

Status defineAliasQueue(std::string_view manager, std::string_view alias, std::string_view target) {
  return guarded([&]() -> Status {
    constexpr const char* kKept = "nothing was defined";
    if (Status status = checkNames(manager, alias, kKept); !status) return status;
    if (Status status = checkQueueName(target, kKept); !status) return status;
    if (alias == target) {
      return failure(reason::kNotAliasable, "alias " + shown(alias) + " cannot stand for itself",
                     kKept);
    }
    return changeStore(manager, kKept, Checkpoint::kNo, [&](Database& db) -> Status {
      if (Status status = checkUndefined(db, manager, alias, kKept); !status) return status;
      QueueRow row;
      if (const ReasonCode why = readQueue(db, target, row); why != reason::kNone) {
        return storeFailure(why, kKept);
      }
      if (row.found && row.alias) {
        return failure(reason::kNotAliasable,
                       shown(target) + " is itself an alias; an alias must stand for a local queue",
                       kKept);
      }
      // Nor may an existing alias come to stand for this new alias.
      Statement pointing;
      if (const ReasonCode why =
              db.prepare("SELECT name FROM queues WHERE alias_for = ?1", pointing);
          why != reason::kNone) {
        return storeFailure(why, kKept);
      }
      if (pointing.bindText(1, alias).step() == SQLITE_ROW) {
        return failure(reason::kNotAliasable,
                       "alias " + shown(pointing.text(0)) + " already stands for " + shown(alias) +
                           "; an alias cannot stand for an alias",
                       kKept);
      }
      Statement insert;
      ReasonCode why =
          db.prepare("INSERT INTO queues(name, alias_for, max_depth) VALUES (?1, ?2, 0)", insert);
      if (why == reason::kNone) why = run(insert.bindText(1, alias).bindText(2, target));
      if (why == reason::kNone) why = bumpGeneration(db);
      if (why != reason::kNone) return storeFailure(why, kKept);
      return {};
    });
  });
}

Status alterMaxDepth(std::string_view manager, std::string_view queue, std::int32_t maxDepth) {
  return guarded([&]() -> Status {
    if (Status status = checkNames(manager, queue, kNothingChanged); !status) return status;
    if (Status status = checkMaxDepth(maxDepth, kNothingChanged); !status) return status;
    return changeStore(manager, kNothingChanged, Checkpoint::kNo, [&](Database& db) -> Status {
      QueueRow row;
      if (Status status = findQueue(db, manager, queue, kNothingChanged, row); !status) {
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
  });
}

Status deleteQueue(std::string_view manager, std::string_view queue, bool purge) {
  return guarded([&]() -> Status {
    constexpr const char* kKept = "nothing was deleted";
    if (Status status = checkNames(manager, queue, kKept); !status) return status;
    return changeStoreEvenIfFull(manager, kKept, Checkpoint::kNo, [&](Database& db) -> Status {
      QueueRow row;
      if (Status status = findQueue(db, manager, queue, kKept, row); !status) return status;
      if (!row.alias) {
        Statement any;
        ReasonCode why = db.prepare(onTable("SELECT EXISTS (SELECT 1 FROM {T})", row.id), any);
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
        if ((why = db.exec(onTable("DROP TABLE {T}", row.id).c_str())) != reason::kNone) {
          return storeFailure(why, kKept);
        }
      }
      ReasonCode why = prepareAndRun(db, "DELETE FROM queues WHERE id = ?1", row.id);
      if (why == reason::kNone) why = bumpGeneration(db);
      if (why != reason::kNone) return storeFailure(why, kKept);
      return {};
    });
  });
}

Status listQueues(std::string_view manager, std::vector<QueueInfo>& queues) {
  return guarded([&]() -> Status {
    queues.clear();
    Database db;
    if (Status status = openManager(manager, db, kNothingChanged); !status) return status;
    Transaction snapshot(db);
    if (const ReasonCode why = snapshot.beginRead(); why != reason::kNone) {
      return storeFailure(why, kNothingChanged);
    }
    Statement list;
    ReasonCode why = db.prepare(
        "SELECT name, alias_for, max_depth, depth, expiring, id FROM queues ORDER BY name", list);
    if (why != reason::kNone) return storeFailure(why, kNothingChanged);
    const std::int64_t now = nowMs();
    int rc = SQLITE_ROW;
    while ((rc = list.step()) == SQLITE_ROW) {
      QueueInfo info;
      info.name = list.text(0);
      info.alias = !list.isNull(1);
      info.target = list.text(1);
      std::int64_t depth = list.integer(3);
      if (!info.alias && list.integer(4) > 0) {
        // Depth leaves out messages past their expiry that no write has discarded yet.
        Statement expired;
        why = db.prepare(
            onTable("SELECT count(*) FROM {T} WHERE expires_at <= ?1", list.integer(5)), expired);
        if (why != reason::kNone) return storeFailure(why, kNothingChanged);
        if (const int countRc = expired.bind(1, now).step(); countRc == SQLITE_ROW) {
          depth -= expired.integer(0);
        } else if (reasonFromSqlite(countRc) != reason::kStoreDamaged) {
          return storeFailure(reasonFromSqlite(countRc), kNothingChanged);
        }  // a damaged table: its counter still says how many it held, and 'check' says the rest
      }
      info.maxDepth = info.alias ? 0 : static_cast<std::int32_t>(list.integer(2));
      info.depth = info.alias ? 0 : static_cast<std::int32_t>(std::max<std::int64_t>(0, depth));
      queues.push_back(std::move(info));
    }
    if (rc != SQLITE_DONE) return storeFailure(reasonFromSqlite(rc), kNothingChanged);
    return {};
  });
}

Status purgeQueue(std::string_view manager, std::string_view queue, std::int64_t& removed) {
  return guarded([&]() -> Status {
    removed = 0;
    constexpr const char* kKept = "no message was removed";
    if (Status status = checkNames(manager, queue, kKept); !status) return status;
    std::int64_t count = 0;
    const Status status = changeStoreEvenIfFull(
        manager, kKept, Checkpoint::kAfterCommit, [&](Database& db) -> Status {
          QueueRow row;
          if (Status found = findQueue(db, manager, queue, kKept, row, true); !found) return found;
          ReasonCode why = db.exec(onTable("DELETE FROM {T}", row.id).c_str());
          count = db.changes();
          if (why == reason::kNone) {
            why = prepareAndRun(db, "UPDATE queues SET depth = 0, expiring = 0 WHERE id = ?1",
                                row.id);
          }
          if (why != reason::kNone) return storeFailure(why, kKept);
          return {};
        });
    if (status) removed = count;
    return status;
  });
}

Status checkQueueManager(std::string_view name, CheckReport& report) {
  return guarded([&]() -> Status {
    report = CheckReport{};
    Database db;
    if (Status status = openManager(name, db, kNothingChanged); !status) return status;
    Transaction snapshot(db);
    if (const ReasonCode why = snapshot.beginRead(); why != reason::kNone) {
      return explained(storeFailure(why, kNothingChanged), name, kNothingChanged);
    }
    Statement pages;
    ReasonCode why = db.prepare("PRAGMA integrity_check(20)", pages);
    if (why != reason::kNone) return storeFailure(why, kNothingChanged);
    int rc = SQLITE_ROW;
    while ((rc = pages.step()) == SQLITE_ROW) {
      if (std::string line = pages.text(0); line != "ok")
        report.problems.push_back("page: " + line);
    }
    if (rc != SQLITE_DONE) {
      report.problems.push_back(std::string("the page check stopped: ") +
                                describeReason(reasonFromSqlite(rc)));
    }
    bool running = false;
    if (readRunning(db, running) != reason::kNone) {
      report.problems.push_back("the queue manager's own row cannot be read");
    }
    std::vector<LocalQueue> queues;
    if ((why = localQueues(db, queues)) != reason::kNone) {
      report.problems.push_back(std::string("the list of queues cannot be read: ") +
                                describeReason(why));
    }
    for (const LocalQueue& queue : queues) {
      ++report.queues;
      const std::string label = "queue " + shown(queue.name) + ": ";
      Statement rows;
      why =
          db.prepare(onTable("SELECT q.depth, q.expiring, q.next_seq, (SELECT count(*) FROM {T}), "
                             "(SELECT count(expires_at) FROM {T}), (SELECT coalesce(max(seq), 0) "
                             "FROM {T}) FROM queues q WHERE q.id = ?1",
                             queue.id),
                     rows);
      if (why == reason::kNone && (rc = rows.bind(1, queue.id).step()) != SQLITE_ROW) {
        why = reasonFromSqlite(rc);
      }
      if (why != reason::kNone) {
        report.problems.push_back(label + "its messages cannot be read (" + describeReason(why) +
                                  ")");
        continue;
      }
      report.messages += rows.integer(3);
      if (rows.integer(0) != rows.integer(3)) {
        report.problems.push_back(label + "depth " + std::to_string(rows.integer(0)) + " but " +
                                  std::to_string(rows.integer(3)) + " messages");
      }
      if (rows.integer(1) != rows.integer(4)) {
        report.problems.push_back(label + std::to_string(rows.integer(1)) +
                                  " expiring messages counted but " +
                                  std::to_string(rows.integer(4)) + " held");
      }
      if (rows.integer(5) > rows.integer(2)) {
        report.problems.push_back(label + "next sequence " + std::to_string(rows.integer(2)) +
                                  " is behind its last message " + std::to_string(rows.integer(5)));
      }
    }
    return {};
  });
}

std::string explainFailure(std::string_view manager, ReasonCode why) {
  if (why == reason::kDataDirectoryUnsafe) {
    std::string problem;
    checkDataDirectory(dataDirectory(), problem);
    if (!problem.empty()) return problem;
  }
  if (validateName(manager, NameKind::QueueManager) != reason::kNone) return describeReason(why);
  return explainFileProblem(why, storePath(manager));
}

Status loadMessages(std::string_view manager, std::string_view queue, std::int64_t count,
                    std::span<const std::uint8_t> data, bool persistent) {
  return guarded([&]() -> Status {
    constexpr const char* kKept = "no message was put";
    if (Status status = checkNames(manager, queue, kKept); !status) return status;
    if (count < 0 || data.size() > kMaxMessageLength) {
      return failure(reason::kValueError, "bad message count or size", kKept);
    }
    return changeStore(manager, kKept, Checkpoint::kAfterCommit, [&](Database& db) -> Status {
      QueueRow row;
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
      ReasonCode why = db.prepare(
          onTable("INSERT INTO {T}(seq, msg_id, supplied, correl_id, expires_at, persistent, "
                  "put_ms, msg_type, feedback, ccsid, format, priority, report, backout, reply_q, "
                  "reply_qmgr, put_appl, put_appl_type, data) VALUES (?1, ?3, 0, NULL, NULL, ?4, "
                  "?5, ?6, 0, ?7, '        ', 0, 0, 0, '', '', ?8, ?9, ?10)",
                  row.id),
          insert);
      if (why != reason::kNone) return storeFailure(why, kKept);
      MessageIdSource ids;
      const std::int64_t now = nowMs();
      for (std::int64_t i = 1; i <= count; ++i) {
        const std::int64_t seq = row.nextSeq + i;
        const MessageId24 id = ids.assign((row.id << kSequenceBits) | seq);
        insert.reuse()
            .bind(1, seq)
            .bindBlob(3, id.bytes())
            .bind(4, persistent ? 1 : 0)
            .bind(5, now)
            .bind(6, msgtype::kDatagram)
            .bind(7, kCcsidUtf8)
            .bindText(8, putApplicationName())
            .bind(9, kPutApplTypeThisPlatform)
            .bindBlob(10, data);
        if ((why = run(insert)) != reason::kNone) return storeFailure(why, kKept);
      }
      why = prepareAndRun(db,
                          "UPDATE queues SET depth = depth + ?2, next_seq = next_seq + ?2 "
                          "WHERE id = ?1",
                          row.id, count);
      if (why != reason::kNone) return storeFailure(why, kKept);
      return {};
    });
  });
}

}  // namespace kx::admin
