#include "platform/messaging/store_admin.h"

#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <new>
#include <system_error>

#include "platform/messaging/names.h"
#include "platform/messaging/put_context.h"
#include "platform/messaging/queue_message.h"
#include "platform/messaging/sqlite_db.h"
#include "platform/messaging/store_connection.h"
#include "platform/messaging/store_file.h"
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
  if (why != reason::kNone) return storeFailure(why, kept);
  if (const ReasonCode syncWhy = db.exec("PRAGMA synchronous = FULL"); syncWhy != reason::kNone) {
    return storeFailure(syncWhy, kept);
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

ReasonCode localQueueIds(Database& db, std::vector<std::int64_t>& ids) {
  Statement list;
  if (const ReasonCode why = db.prepare("SELECT id FROM queues WHERE alias_for IS NULL", list);
      why != reason::kNone) {
    return why;
  }
  int rc = SQLITE_ROW;
  while ((rc = list.step()) == SQLITE_ROW) ids.push_back(list.integer(0));
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
    return storeFailure(why, kept);
  }
  if (Status status = change(db); !status) return status;
  if (const ReasonCode why = transaction.commit(); why != reason::kNone) {
    return storeFailure(why, kept);
  }
  if (checkpoint == Checkpoint::kAfterCommit) db.exec("PRAGMA wal_checkpoint(PASSIVE)");
  return {};
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

fs::path dataDirectory() {
  if (const char* dir = std::getenv("KX_DATA_DIR"); dir != nullptr && *dir != '\0') return dir;
  if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg != nullptr && *xdg != '\0') {
    return fs::path(xdg) / "kx";
  }
  const char* home = std::getenv("HOME");
  if (home == nullptr || *home == '\0') {
    const passwd* entry = getpwuid(getuid());
    home = entry != nullptr ? entry->pw_dir : "/tmp";
  }
  return fs::path(home) / ".local" / "share" / "kx";
}

Status createQueueManager(std::string_view name) {
  return guarded([&]() -> Status {
    constexpr const char* kKept = "nothing was created";
    if (Status status = checkManagerName(name, kKept); !status) return status;
    std::error_code error;
    const fs::path directory = dataDirectory();
    fs::create_directories(directory, error);
    if (error) {
      return failure(
          reason::kStoreIoError,
          "cannot make the data directory " + directory.string() + ": " + error.message(), kKept);
    }
    const fs::path path = storePath(name);
    if (fs::exists(fs::symlink_status(path, error))) {
      return failure(reason::kObjectAlreadyExists,
                     "queue manager " + shown(name) + " already exists", "it was left as it was");
    }
    // Built under a temporary name and linked into place, so a half-made store is never seen
    // and an existing one is never replaced.
    const fs::path temporary =
        directory / (std::string(name) + ".qmgr.new-" + std::to_string(::getpid()));
    fs::remove(temporary, error);
    {
      Database db;
      ReasonCode why = db.open(temporary.string(), true);
      if (why == reason::kNone) why = createSchema(db, name);
      if (why != reason::kNone) {
        db.close();
        fs::remove(temporary, error);
        return storeFailure(why, kKept);
      }
    }
    const int linked = ::link(temporary.c_str(), path.c_str());
    const int linkError = errno;
    fs::remove(temporary, error);
    if (linked != 0) {
      if (linkError == EEXIST) {
        return failure(reason::kObjectAlreadyExists,
                       "queue manager " + shown(name) + " already exists", "it was left as it was");
      }
      return failure(reason::kStoreIoError,
                     "cannot create " + path.string() + ": " + std::strerror(linkError), kKept);
    }
    return {};
  });
}

Status deleteQueueManager(std::string_view name) {
  return guarded([&]() -> Status {
    constexpr const char* kKept = "nothing was deleted";
    Database db;
    if (Status status = openManager(name, db, kKept); !status) return status;
    bool running = false;
    if (const ReasonCode why = readRunning(db, running); why != reason::kNone) {
      return storeFailure(why, kKept);
    }
    if (running) {
      return failure(reason::kQueueManagerRunning,
                     "queue manager " + shown(name) + " is running; stop it first", kKept);
    }
    db.close();
    const fs::path path = storePath(name);
    std::error_code error;
    if (!fs::remove(path, error) && error) {
      return failure(reason::kStoreIoError, "cannot delete " + path.string(), kKept);
    }
    fs::remove(path.string() + "-wal", error);
    fs::remove(path.string() + "-shm", error);
    std::string marked;
    if (std::ifstream mark(defaultMarkPath());
        mark && std::getline(mark, marked) && marked == name) {
      fs::remove(defaultMarkPath(), error);
    }
    return {};
  });
}

Status startQueueManager(std::string_view name) {
  return guarded([&]() -> Status {
    return changeStore(
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
          std::vector<std::int64_t> ids;
          ReasonCode why = localQueueIds(db, ids);
          for (auto id = ids.begin(); why == reason::kNone && id != ids.end(); ++id) {
            why = discardOnRestart(db, *id, now);
          }
          if (why == reason::kNone) {
            why =
                prepareAndRun(db, "UPDATE manager SET running = 1, epoch = epoch + 1 WHERE id = 1");
          }
          if (why != reason::kNone) return storeFailure(why, kNothingChanged);
          return {};
        });
  });
}

Status stopQueueManager(std::string_view name) {
  return guarded([&]() -> Status {
    return changeStore(name, kNothingChanged, Checkpoint::kNo, [&](Database& db) -> Status {
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
    if (why != reason::kNone) {
      return failure(why, storePath(name).string() + " is not a usable queue manager store", kKept);
    }
    const fs::path mark = defaultMarkPath();
    const fs::path temporary = mark.string() + ".new-" + std::to_string(::getpid());
    {
      std::ofstream out(temporary, std::ios::trunc);
      out << name << '\n';
      if (!out.flush()) {
        return failure(reason::kStoreIoError, "cannot write " + temporary.string(), kKept);
      }
    }
    std::error_code error;
    fs::rename(temporary, mark, error);
    if (error) {
      fs::remove(temporary, error);
      return failure(reason::kStoreIoError, "cannot write " + mark.string(), kKept);
    }
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
    return changeStore(manager, kKept, Checkpoint::kNo, [&](Database& db) -> Status {
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
        if (const int countRc = expired.bind(1, now).step(); countRc != SQLITE_ROW) {
          return storeFailure(reasonFromSqlite(countRc), kNothingChanged);
        }
        depth -= expired.integer(0);
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
    const Status status =
        changeStore(manager, kKept, Checkpoint::kAfterCommit, [&](Database& db) -> Status {
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
