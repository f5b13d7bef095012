#include <charconv>
#include <ctime>
#include <limits>
#include <optional>
#include <set>
#include <system_error>

#include "platform/messaging/names.h"
#include "platform/messaging/queue_message.h"
#include "platform/messaging/store/admin_backends.h"
#include "platform/messaging/store/admin_support.h"
#include "platform/messaging/store/file_problems.h"
#include "platform/messaging/store/message_table.h"
#include "platform/messaging/store/private_files.h"
#include "platform/messaging/store/put_context.h"
#include "platform/messaging/store/tolerant_scan.h"

// Salvage of a damaged embedded store: every message that can still be read, with its whole
// descriptor, is copied into a fresh store, and the fresh store is then copied page by page into
// the damaged one's file, in one transaction of that file. Its clients keep the file they know,
// with its companions, so nothing that opened it before can mix the two; a copy of the file as it
// was is kept beside it first.
namespace kx::admin::embedded {
namespace {

namespace fs = std::filesystem;

// How long a salvage waits for other programs to let go of the store before it says so.
constexpr int kSalvageBusyTimeoutMs = 1000;

bool isInteger(const Statement& row, int column) {
  return sqlite3_column_type(row.handle(), column) == SQLITE_INTEGER;
}

bool isInt32(const Statement& row, int column) {
  return isInteger(row, column) &&
         row.integer(column) >= std::numeric_limits<std::int32_t>::min() &&
         row.integer(column) <= std::numeric_limits<std::int32_t>::max();
}

bool isFlag(const Statement& row, int column) {
  return isInteger(row, column) && (row.integer(column) == 0 || row.integer(column) == 1);
}

bool isTextUpTo(const Statement& row, int column, std::size_t width) {
  return sqlite3_column_type(row.handle(), column) == SQLITE_TEXT &&
         static_cast<std::size_t>(sqlite3_column_bytes(row.handle(), column)) <= width;
}

std::optional<MessageId24> idIn(const Statement& row, int column) {
  if (sqlite3_column_type(row.handle(), column) != SQLITE_BLOB) return std::nullopt;
  const auto bytes = row.blob(column);
  if (bytes.size() != MessageId24::kSize) return std::nullopt;
  MessageId24::Bytes id{};
  std::copy(bytes.begin(), bytes.end(), id.begin());
  return MessageId24(id);
}

// The columns of a message as the cursor reads them, after its key.
constexpr const char* kMessageColumns =
    "msg_id, supplied, correl_id, expires_at, persistent, put_ms, msg_type, feedback, ccsid, "
    "format, priority, report, backout, reply_q, reply_qmgr, put_appl, put_appl_type, data";

// A queue as the salvaged store will hold it.
struct Queue {
  std::int64_t id = 0;
  std::string name;
  std::optional<std::string> aliasFor;
  std::int64_t maxDepth = kDefaultMaxDepth;
  std::optional<std::int64_t> depth;  // the counter, when the definition could be read
  std::int64_t nextSeq = 0;
  bool definitionLost = false;
};

// The queue definitions that can be read. Those that cannot are found again by their message
// tables (see below); aliases whose rows are lost are gone.
ReasonCode readQueues(Database& old, std::vector<Queue>& queues, std::int64_t& unreadable) {
  TolerantScan scan(old, "queues", "name, alias_for, max_depth, depth, next_seq", kMaxQueueId);
  std::set<std::int64_t> read;
  const ReasonCode why = scan.run([&](const Statement& row, std::int64_t id) {
    if (read.count(id) != 0) return true;
    Queue queue;
    queue.id = id;
    const bool alias = sqlite3_column_type(row.handle(), 2) != SQLITE_NULL;
    if (!isTextUpTo(row, 1, kMaxObjectNameLength) ||
        (alias && !isTextUpTo(row, 2, kMaxObjectNameLength)) || !isInteger(row, 3) ||
        !isInteger(row, 4) || !isInteger(row, 5)) {
      return false;
    }
    queue.name = row.text(1);
    if (alias) queue.aliasFor = row.text(2);
    queue.maxDepth = row.integer(3);
    queue.depth = row.integer(4);
    queue.nextSeq = row.integer(5);
    if (validateName(queue.name, NameKind::Queue) != reason::kNone ||
        (alias && validateName(*queue.aliasFor, NameKind::Queue) != reason::kNone) ||
        queue.maxDepth < 0 || queue.maxDepth > kMaxMaxDepth || *queue.depth < 0 ||
        queue.nextSeq < 0 || queue.nextSeq > kMaxSequence) {
      return false;
    }
    read.insert(id);
    queues.push_back(std::move(queue));
    return true;
  });
  unreadable = scan.unreadable();
  return why;
}

// The ids of the message tables the store holds, read from SQLite's own list of tables.
ReasonCode messageTables(Database& old, std::set<std::int64_t>& ids) {
  Statement tables;
  ReasonCode why = old.prepare(
      std::string("SELECT name FROM sqlite_schema WHERE type = 'table' AND name GLOB '") +
          message_table::kNamePrefix + "[0-9]*'",
      tables);
  if (why != reason::kNone) return why;
  int rc = SQLITE_ROW;
  while ((rc = tables.step()) == SQLITE_ROW) {
    const std::string name = tables.text(0);
    std::int64_t id = 0;
    const char* digits = name.data() + std::string_view(message_table::kNamePrefix).size();
    const auto [end, error] = std::from_chars(digits, name.data() + name.size(), id);
    if (error == std::errc() && end == name.data() + name.size() &&
        message_table::name(id) == name && id > 0 && id <= kMaxQueueId) {
      ids.insert(id);
    }
  }
  return rc == SQLITE_DONE ? reason::kNone : reasonFromSqlite(rc);
}

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

// What was copied of one queue's messages.
struct Copied {
  std::int64_t messages = 0;
  std::int64_t withExpiry = 0;
  std::int64_t lastSeq = 0;
  std::int64_t unreadable = 0;
  bool damageMet = false;
};

// Copies the messages of a local queue that can be read from the old store's table into the new
// store's (which exists, empty).
ReasonCode copyMessages(Database& old, Database& fresh, std::int64_t queueId, Copied& copied) {
  // A message read twice (see TolerantScan) is stored once.
  std::string insertSql = message_table::onTable(message_table::kInsertSql, queueId);
  insertSql.replace(0, std::string_view("INSERT").size(), "INSERT OR IGNORE");
  Statement insert;
  if (const ReasonCode why = fresh.prepare(insertSql, insert); why != reason::kNone) return why;
  ReasonCode failed = reason::kNone;
  TolerantScan scan(old, message_table::name(queueId), kMessageColumns, kMaxSequence);
  const ReasonCode why = scan.run([&](const Statement& row, std::int64_t seq) {
    if (failed != reason::kNone) return true;
    const std::optional<MessageId24> msgId = idIn(row, 1);
    const bool noCorrelId = sqlite3_column_type(row.handle(), 3) == SQLITE_NULL;
    const std::optional<MessageId24> correlId =
        noCorrelId ? std::optional(MessageId24::none()) : idIn(row, 3);
    const bool noExpiry = sqlite3_column_type(row.handle(), 4) == SQLITE_NULL;
    if (!msgId || !correlId || !isFlag(row, 2) || !(noExpiry || isInteger(row, 4)) ||
        !isFlag(row, 5) || !isInteger(row, 6) || !isInt32(row, 7) || !isInt32(row, 8) ||
        !isInt32(row, 9) || !isTextUpTo(row, 10, kFormatWidth) || !isInt32(row, 11) ||
        row.integer(11) < -1 || row.integer(11) > 9 || !isInt32(row, 12) || !isInt32(row, 13) ||
        !isTextUpTo(row, 14, kNameWidth) || !isTextUpTo(row, 15, kNameWidth) ||
        !isTextUpTo(row, 16, kPutApplWidth) || !isInt32(row, 17) ||
        sqlite3_column_type(row.handle(), 18) != SQLITE_BLOB ||
        row.blob(18).size() > kMaxMessageLength) {
      return false;
    }
    const bool supplied = row.integer(2) == 1;
    // An id the store assigned carries the message's own place: one that disagrees is damage.
    if (!supplied && storeIdIn(*msgId) != storeIdOf(queueId, seq)) return false;
    const std::string format = row.text(10);
    const std::string replyQ = row.text(14);
    const std::string replyQmgr = row.text(15);
    const std::string putAppl = row.text(16);
    message_table::Row message;
    message.seq = seq;
    message.msgId = &*msgId;
    message.supplied = supplied;
    message.correlId = &*correlId;
    if (!noExpiry) message.expiresAt = row.integer(4);
    message.persistent = row.integer(5) == 1;
    message.putMs = row.integer(6);
    message.msgType = static_cast<std::int32_t>(row.integer(7));
    message.feedback = static_cast<std::int32_t>(row.integer(8));
    message.ccsid = static_cast<std::int32_t>(row.integer(9));
    message.format = format;
    message.priority = static_cast<std::int32_t>(row.integer(11));
    message.report = static_cast<std::int32_t>(row.integer(12));
    message.backout = static_cast<std::int32_t>(row.integer(13));
    message.replyQ = replyQ;
    message.replyQmgr = replyQmgr;
    message.putAppl = putAppl;
    message.putApplType = static_cast<std::int32_t>(row.integer(17));
    message.data = row.blob(18);
    failed = run(message_table::bindRow(insert, message));
    if (failed == reason::kNone && fresh.changes() == 1) {
      ++copied.messages;
      if (!noExpiry) ++copied.withExpiry;
      copied.lastSeq = std::max(copied.lastSeq, seq);
    }
    return true;
  });
  copied.unreadable = scan.unreadable();
  copied.damageMet = scan.metDamage();
  return failed != reason::kNone ? failed : why;
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
      sequence.step() == SQLITE_ROW && isInteger(sequence, 0)) {
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

Status salvageQueueManager(std::string_view name, SalvageReport& report) {
  return guarded([&]() -> Status {
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
  });
}

}  // namespace kx::admin::embedded
