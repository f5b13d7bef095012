#include <charconv>
#include <ctime>
#include <limits>
#include <optional>
#include <set>
#include <system_error>

#include "platform/messaging/names.h"
#include "platform/messaging/queue_message.h"
#include "platform/messaging/store/private_files.h"
#include "platform/messaging/store/put_context.h"
#include "platform/messaging/store/sqlite/admin_support.h"
#include "platform/messaging/store/sqlite/file_problems.h"
#include "platform/messaging/store/sqlite/message_table.h"
#include "platform/messaging/store/sqlite/salvage_reading.h"
#include "platform/messaging/store/sqlite/sqlite_admin.h"

// Salvage of a damaged embedded store: every message that can still be read, with its whole
// descriptor, is copied into a fresh store, and the fresh store is then copied page by page into
// the damaged one's file, in one transaction of that file. Its clients keep the file they know,
// with its companions, so nothing that opened it before can mix the two; a copy of the file as it
// was is kept beside it first.
namespace kx::admin::sqlite {
namespace {

namespace fs = std::filesystem;

// How long a salvage waits for other programs to let go of the store before it says so.
constexpr int kSalvageBusyTimeoutMs = 1000;

// A name for a queue whose definition was lost, unlike any other queue's.
std::string salvagedName(std::int64_t id, const std::set<std::string>& taken) {
  std::string name = "SALVAGED." + std::to_string(id);
  for (int n = 2; taken.count(name) != 0; ++n) {
    name = "SALVAGED." + std::to_string(id) + "." + std::to_string(n);
  }
  return name;
}

Status unreadableSchema() {
  return failure(reason::kStoreDamaged,
                 "the store's list of tables cannot be read, so nothing can be salvaged from it "
                 "(delete it with 'delete --force')",
                 "the file was left untouched");
}

// Defines `queue` in the new store, with the counters of what was copied onto it.
ReasonCode defineQueue(Database& fresh, const Queue& queue, const Copied& copied) {
  Statement insert;
  ReasonCode why = fresh.prepare(
      "INSERT INTO queues(id, name, alias_for, max_depth, depth, expiring, next_seq) "
      "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7)",
      insert);
  if (why != reason::kNone) return why;
  insert.bind(1, queue.id).bindText(2, queue.name);
  if (queue.aliasFor) {
    insert.bindText(3, *queue.aliasFor);
  } else {
    insert.bindNull(3);
  }
  insert.bind(4, queue.maxDepth)
      .bind(5, copied.messages)
      .bind(6, copied.withExpiry)
      .bind(7, std::max(queue.nextSeq, copied.lastSeq));
  return run(insert);
}

// The dead-letter queue and the count of discarded reports go with the messages; a row that
// cannot be read leaves them none and 0.
ReasonCode copyReportSettings(Database& old, Database& fresh) {
  ReportSettings settings;
  if (readReportSettings(old, settings) != reason::kNone) return reason::kNone;
  Statement update;
  ReasonCode why = fresh.prepare(
      "UPDATE manager SET dead_letter = ?1, discarded_reports = ?2 WHERE id = 1", update);
  if (why != reason::kNone) return why;
  if (settings.deadLetterQueue.empty()) {
    update.bindNull(1);
  } else {
    update.bindText(1, settings.deadLetterQueue);
  }
  return run(update.bind(2, settings.discarded));
}

std::string countLine(const Queue& queue, const Copied& copied, std::int64_t& lost) {
  std::string line = "queue " + quotedName(queue.name) + ": ";
  if (queue.definitionLost) line = "queue " + quotedName(queue.name) + " (definition lost): ";
  const std::int64_t known = queue.depth.value_or(0);
  lost = queue.depth ? std::max<std::int64_t>(known - copied.messages, 0) : copied.unreadable;
  if (queue.depth && lost > 0) {
    return line + std::to_string(copied.messages) + " of " + std::to_string(known) +
           " messages copied; " + std::to_string(lost) + " could not be read";
  }
  line += std::to_string(copied.messages) + " messages copied";
  if (!queue.depth && copied.damageMet) line += "; some of its messages could not be read";
  return line;
}

// Reads what can be read of `old` into `fresh`, a new empty store of the same name: the manager's
// counters, then every queue with its messages. Runs in one transaction of `fresh`.
Status copyStore(Database& old, Database& fresh, SalvageReport& report) {
  Transaction transaction(fresh);
  if (const ReasonCode why = transaction.beginWrite(); why != reason::kNone) {
    return storeFailure(why, kNothingChanged);
  }
  // A later start counts on from here, so connections of an earlier start stay broken.
  ManagerRow manager;
  Statement managerRow;
  if (readManagerRow(old, managerRow, manager) == reason::kNone) {
    if (const ReasonCode why =
            prepareAndRun(fresh, "UPDATE manager SET epoch = ?1, gen = ?2 + 1 WHERE id = 1",
                          manager.epoch + 1, manager.gen);
        why != reason::kNone) {
      return storeFailure(why, kNothingChanged);
    }
  }
  if (const ReasonCode why = copyReportSettings(old, fresh); why != reason::kNone) {
    return storeFailure(why, kNothingChanged);
  }
  std::vector<Queue> queues;
  std::int64_t unreadableDefinitions = 0;
  ReasonCode why = readQueues(old, queues, unreadableDefinitions);
  std::set<std::int64_t> tables;
  if (why == reason::kNone) why = messageTables(old, tables);
  if (why == reason::kStoreDamaged) return unreadableSchema();
  if (why != reason::kNone) return storeFailure(why, kNothingChanged);
  std::set<std::int64_t> defined;
  std::set<std::string> names;
  for (const Queue& queue : queues) {
    defined.insert(queue.id);
    names.insert(queue.name);
  }
  for (const std::int64_t id : tables) {
    if (defined.count(id) != 0) continue;
    Queue lost;
    lost.id = id;
    lost.name = salvagedName(id, names);
    lost.definitionLost = true;
    names.insert(lost.name);
    queues.push_back(lost);
  }
  report.damageMet = unreadableDefinitions > 0;
  std::set<std::string> placed;
  for (Queue& queue : queues) {
    // Two rows of one name can only come from damage: the first one read stands.
    if (!placed.insert(queue.name).second) continue;
    Copied copied;
    if (!queue.aliasFor) {
      if ((why = message_table::create(fresh, queue.id)) == reason::kNone &&
          tables.count(queue.id) != 0) {
        why = copyMessages(old, fresh, queue.id, copied);
      }
      if (why != reason::kNone) return storeFailure(why, kNothingChanged);
      if (queue.definitionLost) {
        queue.maxDepth = std::max<std::int64_t>(kDefaultMaxDepth, copied.messages);
      }
    }
    if ((why = defineQueue(fresh, queue, copied)) != reason::kNone) {
      return storeFailure(why, kNothingChanged);
    }
    if (queue.aliasFor) continue;
    std::int64_t lost = 0;
    report.queues.push_back(countLine(queue, copied, lost));
    report.copied += copied.messages;
    report.lost += lost;
    report.damageMet = report.damageMet || copied.damageMet || copied.unreadable > 0;
  }
  // Queue ids are never used again, not even those of queues deleted long ago.
  Statement sequence;
  if (old.prepare("SELECT seq FROM sqlite_sequence WHERE name = 'queues'", sequence) ==
          reason::kNone &&
      sequence.step() == SQLITE_ROW &&
      sqlite3_column_type(sequence.handle(), 0) == SQLITE_INTEGER) {
    why =
        prepareAndRun(fresh, "UPDATE sqlite_sequence SET seq = max(seq, ?1) WHERE name = 'queues'",
                      std::min(sequence.integer(0), kMaxQueueId));
    if (why != reason::kNone) return storeFailure(why, kNothingChanged);
  }
  if ((why = transaction.commit()) != reason::kNone) return storeFailure(why, kNothingChanged);
  return {};
}

// Copies the store file, as it stands, to a new file beside it that no one else can have made,
// through the store's own SQLite handle (which holds its locks).
Status keepCopy(Database& old, const fs::path& store, fs::path& keptAs) {
  std::time_t now = std::time(nullptr);
  std::tm parts{};
  ::gmtime_r(&now, &parts);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &parts);
  const std::string base = store.string() + ".damaged-" + stamp;
  std::error_code error;
  keptAs = base;
  for (int n = 2; fs::exists(fs::symlink_status(keptAs, error)); ++n) {
    keptAs = base + "-" + std::to_string(n);
  }
  std::string problem;
  TemporaryFile copy;
  ReasonCode why = copy.create(keptAs, problem);
  std::int64_t size = 0;
  if (why == reason::kNone) why = old.fileSize(size);
  std::string chunk;
  for (std::int64_t at = 0; why == reason::kNone && at < size;
       at += static_cast<std::int64_t>(chunk.size())) {
    chunk.resize(static_cast<std::size_t>(std::min<std::int64_t>(size - at, 1 << 20)));
    why = old.readFile(at, {reinterpret_cast<unsigned char*>(chunk.data()), chunk.size()});
    if (why == reason::kNone) why = copy.append(chunk, problem);
  }
  if (why == reason::kNone) why = copy.sync(problem);
  if (why == reason::kNone) why = copy.linkIntoPlace(problem);
  if (why == reason::kNone) return {};
  keptAs.clear();
  if (problem.empty()) problem = explainFileProblem(why, store);
  return failure(why, "cannot keep a copy of the store: " + problem, kNothingChanged);
}

// Writes every page of `fresh` over `old`, in one transaction of `old`, then folds it into the
// file.
ReasonCode replacePages(Database& old, Database& fresh) {
  sqlite3_backup* backup = sqlite3_backup_init(old.handle(), "main", fresh.handle(), "main");
  if (backup == nullptr) return reasonFromSqlite(sqlite3_errcode(old.handle()));
  const int stepped = sqlite3_backup_step(backup, -1);
  const int finished = sqlite3_backup_finish(backup);
  if (stepped != SQLITE_DONE) {
    return reasonFromSqlite(stepped, sqlite3_system_errno(old.handle()));
  }
  if (finished != SQLITE_OK) return reasonFromSqlite(finished, sqlite3_system_errno(old.handle()));
  return old.exec("PRAGMA wal_checkpoint(TRUNCATE)");
}

// Opens the store for salvage: alone, for the whole of it, and with every change of its WAL in
// the file itself.
Status openAlone(std::string_view name, Database& old) {
  const fs::path path = storePath(name);
  std::string problem;
  if (const ReasonCode why = checkDataDirectory(path.parent_path(), problem);
      why != reason::kNone) {
    return failure(why, problem, kNothingChanged);
  }
  // A running queue manager is refused before anything waits for its clients to let go.
  Database peek;
  ReasonCode why = openCheckedStore(path, peek);
  ManagerRow manager;
  Statement row;
  if (why == reason::kNone && readManagerRow(peek, row, manager) == reason::kNone &&
      manager.running) {
    return failure(reason::kQueueManagerRunning,
                   "queue manager " + quotedName(name) + " is running; stop it first",
                   kNothingChanged);
  }
  row = Statement();
  peek.close();
  if (why == reason::kNone) why = openCheckedStore(path, old);
  if (why == reason::kQueueManagerNameError) {
    return failure(
        why, "queue manager " + quotedName(name) + " does not exist in " + dataDirectory().string(),
        kNothingChanged);
  }
  if (why == reason::kStoreDamaged) {
    return failure(why,
                   describeUnusableStore(path) +
                       ", so nothing can be salvaged from it (delete it with 'delete --force')",
                   "the file was left untouched");
  }
  if (why != reason::kNone)
    return explained(storeFailure(why, kNothingChanged), name, kNothingChanged);
  // Exclusive before the first read: no other connection may use the store until this one ends,
  // and none of them can be using it now.
  sqlite3_busy_timeout(old.handle(), kSalvageBusyTimeoutMs);
  why = old.exec("PRAGMA locking_mode = EXCLUSIVE; PRAGMA synchronous = FULL");
  if (why == reason::kNone) why = old.beginImmediate();
  if (why == reason::kNone) why = old.commit();
  if (why == reason::kStoreDamaged) return unreadableSchema();
  if (why == reason::kStoreBusy) {
    return failure(why,
                   "the store of " + quotedName(name) +
                       " is in use by another program; stop the programs that use it and try "
                       "again",
                   kNothingChanged);
  }
  if (why == reason::kNone) why = old.exec("PRAGMA wal_checkpoint(TRUNCATE)");
  if (why != reason::kNone)
    return explained(storeFailure(why, kNothingChanged), name, kNothingChanged);
  // Started between the look above and the lock.
  if (readManagerRow(old, row, manager) == reason::kNone && manager.running) {
    return failure(reason::kQueueManagerRunning,
                   "queue manager " + quotedName(name) + " is running; stop it first",
                   kNothingChanged);
  }
  row = Statement();
  return {};
}

}  // namespace

Status SqliteAdmin::salvageQueueManager(std::string_view name, SalvageReport& report) {
  report = SalvageReport{};
  if (Status status = checkManagerName(name, kNothingChanged); !status) return status;
  Database old;
  if (Status status = openAlone(name, old); !status) return status;
  fs::path directory;
  std::string problem;
  if (const ReasonCode why = prepareDataDirectory(directory, problem); why != reason::kNone) {
    return failure(why, problem, kNothingChanged);
  }
  const fs::path store = directory / storePath(name).filename();
  // The fresh store is built in a private file of its own, with the old one's page size so that
  // its pages can go straight over the old ones.
  TemporaryFile scratch;
  if (const ReasonCode why = scratch.create(store, problem); why != reason::kNone) {
    return failure(why, problem, kNothingChanged);
  }
  Database fresh;
  Statement pageSize;
  ReasonCode why = old.prepare("PRAGMA page_size", pageSize);
  if (why == reason::kNone)
    why = pageSize.step() == SQLITE_ROW ? reason::kNone : reason::kStoreDamaged;
  if (why == reason::kNone) why = fresh.open(scratch.path().string(), true);
  if (why == reason::kNone) {
    why = fresh.exec(("PRAGMA page_size = " + std::to_string(pageSize.integer(0))).c_str());
  }
  pageSize = Statement();
  if (why == reason::kNone) why = createSchema(fresh, name);
  if (why != reason::kNone) {
    return failure(why, explainFileProblem(why, scratch.path()), kNothingChanged);
  }
  if (Status status = copyStore(old, fresh, report); !status) {
    return explained(std::move(status), name, kNothingChanged);
  }
  if (Status status = keepCopy(old, store, report.keptAs); !status) return status;
  if ((why = replacePages(old, fresh)) != reason::kNone) {
    std::error_code error;
    fs::remove(report.keptAs, error);
    report.keptAs.clear();
    return explained(storeFailure(why, kNothingChanged), name, kNothingChanged);
  }
  old.close();
  fresh.close();
  keepReserve(store);
  return {};
}

}  // namespace kx::admin::sqlite
