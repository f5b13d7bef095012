#include <algorithm>
#include <system_error>

#include "platform/messaging/names.h"
#include "platform/messaging/store/private_files.h"
#include "platform/messaging/store/seam_calls.h"
#include "platform/messaging/store/sqlite/admin_support.h"
#include "platform/messaging/store/sqlite/file_problems.h"
#include "platform/messaging/store/sqlite/message_table.h"
#include "platform/messaging/store/sqlite/report_puts.h"
#include "platform/messaging/store/sqlite/sqlite_admin.h"

// Administration of the embedded store's queue managers: making, starting, stopping, marking the
// default, listing, checking and deleting them.
namespace kx::admin::sqlite {
namespace {

namespace fs = std::filesystem;

// A start is a restart: a queue's non-persistent messages go, and so do its expired ones, and
// its counters are lowered by what went.
ReasonCode discardOnRestart(Database& db, std::int64_t queueId, std::int64_t now) {
  Statement lost;
  ReasonCode why =
      db.prepare(message_table::onTable(message_table::kLostAtStartSql, queueId), lost);
  if (why != reason::kNone) return why;
  if (const int rc = lost.bind(1, now).step(); rc != SQLITE_ROW) return reasonFromSqlite(rc);
  const std::int64_t count = lost.integer(0);
  const std::int64_t expiring = lost.integer(1);
  if (count == 0) return reason::kNone;
  Statement erase;
  why = db.prepare(message_table::onTable(message_table::kDeleteLostAtStartSql, queueId), erase);
  if (why == reason::kNone) why = run(erase.bind(1, now));
  Statement lower;
  if (why == reason::kNone) {
    why = db.prepare("UPDATE queues SET depth = depth - ?2, expiring = expiring - ?3 WHERE id = ?1",
                     lower);
  }
  if (why == reason::kNone) why = run(lower.bind(1, queueId).bind(2, count).bind(3, expiring));
  return why;
}

// The discards of a start on every queue but the unreadable ones, and the expiration reports of
// the expired messages that ask, put once every queue has lost what a restart loses: a report made
// now is not lost with the messages of the earlier start.
ReasonCode discardAtStart(Database& db, const std::vector<LocalQueue>& unreadable,
                          std::int64_t now) {
  std::vector<LocalQueue> queues;
  ReasonCode why = localQueues(db, queues);
  const MessageIdSource ids;
  SqliteReports reports(db, ids);
  std::vector<SqliteReports::Expired> expired;
  for (auto queue = queues.begin(); why == reason::kNone && queue != queues.end(); ++queue) {
    const bool damaged =
        std::any_of(unreadable.begin(), unreadable.end(),
                    [&](const LocalQueue& skipped) { return skipped.id == queue->id; });
    if (damaged) continue;
    why = reports.collectExpired(queue->id, now, expired).reason();
    if (why == reason::kNone) why = discardOnRestart(db, queue->id, now);
  }
  if (why == reason::kNone) why = reports.sendExpired(expired, now).reason();
  return why;
}

// The local queues whose messages cannot all be read. Found by reading, before any write: SQLite
// does not let a write transaction go on once it has met a damaged page. SQLite's own check of the
// queue's table and indexes reads every page the start's deletes could touch, the messages'
// content and their overflow pages among them.
std::vector<LocalQueue> unreadableQueues(std::string_view manager) {
  std::vector<LocalQueue> queues;
  std::vector<LocalQueue> unreadable;
  Database db;
  if (openStore(manager, db) != reason::kNone || localQueues(db, queues) != reason::kNone) {
    return unreadable;  // the start itself meets and reports the problem
  }
  for (const LocalQueue& queue : queues) {
    Statement check;
    ReasonCode why = db.prepare("PRAGMA quick_check(" + message_table::name(queue.id) + ")", check);
    int rc = SQLITE_ROW;
    bool sound = true;
    while (why == reason::kNone && (rc = check.step()) == SQLITE_ROW)
      sound &= check.text(0) == "ok";
    if (why == reason::kNone && rc != SQLITE_DONE) why = reasonFromSqlite(rc);
    if (why == reason::kStoreDamaged || !sound) unreadable.push_back(queue);
  }
  return unreadable;
}

// What an operator can do about a damaged store: salvage it, once it is stopped.
std::string salvageAdvice(std::string_view name, bool running) {
  return std::string(running ? "stop it and run" : "run") + " 'kxadmin salvage " +
         std::string(name) +
         "' to copy every message that can still be read into a fresh store (the damaged file is "
         "kept)";
}

}  // namespace

Status SqliteAdmin::create(std::string_view name) {
  constexpr const char* kKept = "nothing was created";
  if (Status status = checkManagerName(name, kKept); !status) return status;
  fs::path directory;
  std::string problem;
  if (const ReasonCode why = prepareDataDirectory(directory, problem); why != reason::kNone) {
    return failure(why, problem, kKept);
  }
  sweepTemporaries(directory);
  const fs::path path = directory / storePath(name).filename();
  Status exists =
      failure(reason::kObjectAlreadyExists, "queue manager " + quotedName(name) + " already exists",
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
}

Status SqliteAdmin::deleteQueueManager(std::string_view name, bool force) {
  constexpr const char* kKept = "nothing was deleted";
  if (Status status = checkManagerName(name, kKept); !status) return status;
  const fs::path path = storePath(name);
  Database db;
  Status opened = openManager(name, db, kKept);
  ManagerRow manager;
  Statement row;
  if (opened) {
    if (const ReasonCode why = readManagerRow(db, row, manager); why != reason::kNone) {
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
  } else if (manager.running) {
    return failure(reason::kQueueManagerRunning,
                   "queue manager " + quotedName(name) + " is running; stop it first", kKept);
  }
  db.close();
  std::error_code error;
  if (!fs::remove(path, error) && error) {
    return failure(reasonFromSystemError(error.value()),
                   "cannot delete " + path.string() + ": " + error.message(), kKept);
  }
  for (const fs::path& companion : companionPaths(path)) fs::remove(companion, error);
  std::string marked;
  std::string problem;
  if (readDefaultMark(marked, problem) == reason::kNone && marked == name) {
    fs::remove(defaultMarkPath(), error);
  }
  return {};
}

Status SqliteAdmin::startQueueManager(std::string_view name) {
  if (Status status = checkManagerName(name, kNothingChanged); !status) return status;
  // A queue whose messages are damaged keeps them, untouched, and does not keep the other
  // queues from starting.
  const std::vector<LocalQueue> unreadable = unreadableQueues(name);
  Status status = changeStoreEvenIfFull(
      name, kNothingChanged, Checkpoint::kAfterCommit, [&](Database& db) -> Status {
        ManagerRow manager;
        Statement row;
        if (const ReasonCode why = readManagerRow(db, row, manager); why != reason::kNone) {
          return storeFailure(why, kNothingChanged);
        }
        if (manager.running) {
          return failure(reason::kQueueManagerRunning,
                         "queue manager " + quotedName(name) + " is already running",
                         kNothingChanged);
        }
        ReasonCode why = discardAtStart(db, unreadable, seam::nowMs());
        if (why == reason::kNone) {
          why = prepareAndRun(db, "UPDATE manager SET running = 1, epoch = epoch + 1 WHERE id = 1");
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
      queues += (queues.empty() ? "" : ", ") + quotedName(queue.name);
    status.message = "the messages of " + queues +
                     " could not all be read and were left as they were; the other queues work. "
                     "'kxadmin check " +
                     std::string(name) + "' tells more; " + salvageAdvice(name, true);
  }
  return status;
}

Status SqliteAdmin::stopQueueManager(std::string_view name) {
  return changeStoreEvenIfFull(name, kNothingChanged, Checkpoint::kNo, [&](Database& db) -> Status {
    if (const ReasonCode why =
            prepareAndRun(db, "UPDATE manager SET running = 0 WHERE id = 1 AND running = 1");
        why != reason::kNone) {
      return storeFailure(why, kNothingChanged);
    }
    if (db.changes() == 0) {
      return failure(reason::kQueueManagerStopped,
                     "queue manager " + quotedName(name) + " is already stopped", kNothingChanged);
    }
    return {};
  });
}

void SqliteAdmin::describe(std::string_view name, ManagerInfo& info) {
  Database db;
  Statement row;
  ManagerRow manager;
  ReasonCode why = openStore(name, db);
  if (why == reason::kNone) why = readManagerRow(db, row, manager);
  // A store that may not be written is not damaged: it works again once that is put right.
  info.readOnly = why == reason::kStoreReadOnly;
  info.noAccess = why == reason::kStoreNoAccess;
  info.damaged = why != reason::kNone && !info.readOnly && !info.noAccess;
  info.running = manager.running;
}

Status SqliteAdmin::setDeadLetterQueue(std::string_view manager, std::string_view queue) {
  if (Status status = checkManagerName(manager, kNothingChanged); !status) return status;
  if (!queue.empty()) {
    if (Status status = checkQueueName(queue, kNothingChanged); !status) return status;
  }
  return changeStore(manager, kNothingChanged, Checkpoint::kNo, [&](Database& db) -> Status {
    Statement update;
    ReasonCode why = db.prepare("UPDATE manager SET dead_letter = ?1 WHERE id = 1", update);
    if (why == reason::kNone) {
      if (queue.empty()) {
        update.bindNull(1);
      } else {
        update.bindText(1, queue);
      }
      why = run(update);
    }
    if (why != reason::kNone) return storeFailure(why, kNothingChanged);
    return {};
  });
}

Status SqliteAdmin::checkQueueManager(std::string_view name, CheckReport& report) {
  report = CheckReport{};
  Database db;
  // A check changes nothing, not even the version of an older store.
  if (Status status = openManager(name, db, kJustRead, Upgrade::kNo); !status) return status;
  Transaction snapshot(db);
  if (const ReasonCode why = snapshot.beginRead(); why != reason::kNone) {
    return explained(storeFailure(why, kJustRead), name, kJustRead);
  }
  Statement pages;
  ReasonCode why = db.prepare("PRAGMA integrity_check(20)", pages);
  if (why != reason::kNone) return storeFailure(why, kJustRead);
  int rc = SQLITE_ROW;
  while ((rc = pages.step()) == SQLITE_ROW) {
    if (std::string line = pages.text(0); line != "ok") report.problems.push_back("page: " + line);
  }
  if (rc != SQLITE_DONE) {
    report.problems.push_back(std::string("the page check stopped: ") +
                              describeReason(reasonFromSqlite(rc)));
  }
  ManagerRow manager;
  Statement row;
  if (readManagerRow(db, row, manager) != reason::kNone) {
    report.problems.emplace_back("the queue manager's own row cannot be read");
  }
  report.advice = salvageAdvice(name, manager.running);
  ReportSettings settings;
  if (readReportSettings(db, settings) != reason::kNone) {
    report.problems.emplace_back("the queue manager's dead-letter settings cannot be read");
  }
  report.deadLetterQueue = settings.deadLetterQueue;
  report.discardedReports = settings.discarded;
  std::vector<LocalQueue> queues;
  if ((why = localQueues(db, queues)) != reason::kNone) {
    report.problems.push_back(std::string("the list of queues cannot be read: ") +
                              describeReason(why));
  }
  for (const LocalQueue& queue : queues) {
    ++report.queues;
    const std::string label = "queue " + quotedName(queue.name) + ": ";
    Statement counters;
    Statement totals;
    why = db.prepare("SELECT depth, expiring, next_seq FROM queues WHERE id = ?1", counters);
    if (why == reason::kNone) {
      why = db.prepare(message_table::onTable(message_table::kTotalsSql, queue.id), totals);
    }
    if (why == reason::kNone && (rc = counters.bind(1, queue.id).step()) != SQLITE_ROW) {
      why = reasonFromSqlite(rc);
    }
    if (why == reason::kNone && (rc = totals.step()) != SQLITE_ROW) why = reasonFromSqlite(rc);
    if (why != reason::kNone) {
      report.problems.push_back(label + "its messages cannot be read (" + describeReason(why) +
                                ")");
      continue;
    }
    const std::int64_t depth = counters.integer(0);
    const std::int64_t expiring = counters.integer(1);
    const std::int64_t nextSeq = counters.integer(2);
    const std::int64_t messages = totals.integer(0);
    const std::int64_t withExpiry = totals.integer(1);
    const std::int64_t lastSeq = totals.integer(2);
    report.messages += messages;
    if (depth != messages) {
      report.problems.push_back(label + "depth " + std::to_string(depth) + " but " +
                                std::to_string(messages) + " messages");
    }
    if (expiring != withExpiry) {
      report.problems.push_back(label + std::to_string(expiring) +
                                " expiring messages counted but " + std::to_string(withExpiry) +
                                " held");
    }
    if (lastSeq > nextSeq) {
      report.problems.push_back(label + "next sequence " + std::to_string(nextSeq) +
                                " is behind its last message " + std::to_string(lastSeq));
    }
  }
  return {};
}

Status SqliteAdmin::detachQueueManager(std::string_view name) {
  return failure(reason::kOptionNotValidForType,
                 "queue manager " + quotedName(name) +
                     " is kept in a file here, not in PostgreSQL; delete it instead",
                 "nothing was changed");
}

Status SqliteAdmin::checkDefaultable(std::string_view name, std::string_view kept) {
  const ReasonCode why = checkStoreHeader(storePath(name));
  if (why == reason::kQueueManagerNameError) {
    return failure(why, "queue manager " + quotedName(name) + " does not exist", kept);
  }
  if (why == reason::kStoreDamaged)
    return failure(why, describeUnusableStore(storePath(name)), kept);
  if (why != reason::kNone) return explained(storeFailure(why, kept), name, kept);
  return {};
}

std::string SqliteAdmin::explainFailure(std::string_view manager, ReasonCode why) {
  return explainFileProblem(why, storePath(manager));
}

}  // namespace kx::admin::sqlite
