#include "platform/messaging/store/sqlite/store_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <optional>
#include <string>
#include <system_error>

#include "platform/messaging/store/private_files.h"
#include "platform/messaging/store/sqlite/message_table.h"
#include "platform/messaging/store_location.h"

namespace kx {
namespace {

std::uint32_t bigEndian32(const unsigned char* bytes) {
  return (std::uint32_t{bytes[0]} << 24) | (std::uint32_t{bytes[1]} << 16) |
         (std::uint32_t{bytes[2]} << 8) | std::uint32_t{bytes[3]};
}

// A journal, WAL or shared-memory file beside the store that is not a regular file: SQLite never
// opens one through a link, so the store cannot be used while it is there.
std::optional<std::filesystem::path> strayCompanion(const std::filesystem::path& store) {
  for (const char* suffix : {"-wal", "-shm", "-journal"}) {
    const std::filesystem::path companion = store.string() + suffix;
    struct stat status {};
    if (::lstat(companion.c_str(), &status) == 0 && !S_ISREG(status.st_mode)) return companion;
  }
  return std::nullopt;
}

// The persistent layout shared by all queues.
constexpr const char* kSchema = R"sql(
CREATE TABLE manager(
  id INTEGER PRIMARY KEY CHECK (id = 1),
  name TEXT NOT NULL,
  running INTEGER NOT NULL,
  epoch INTEGER NOT NULL,   -- counts starts: a connection from an earlier start is broken
  gen INTEGER NOT NULL,     -- counts definition changes: connections re-resolve queue names
  dead_letter TEXT,         -- where undeliverable reports go; NULL: nowhere
  discarded_reports INTEGER NOT NULL DEFAULT 0  -- reports that could go nowhere
);
CREATE TABLE queues(
  id INTEGER PRIMARY KEY AUTOINCREMENT,  -- never reused: message store ids embed it
  name TEXT NOT NULL UNIQUE,
  alias_for TEXT,                        -- NULL for a local queue
  max_depth INTEGER NOT NULL,
  depth INTEGER NOT NULL DEFAULT 0,      -- kept in the same transaction as every put and get
  expiring INTEGER NOT NULL DEFAULT 0,   -- messages on the queue that carry an expiry
  next_seq INTEGER NOT NULL DEFAULT 0
);
-- Each local queue keeps its messages in a table of its own (see message_table.h).
)sql";

// The version whose manager row has the report columns.
constexpr std::int64_t kVersionWithReports = 2;

// What version 2 added to version 1: the manager row's report columns. Adding a column rewrites
// no row, so the upgrade is quick whatever the store holds.
constexpr const char* kUpgradeFromVersion1 =
    "ALTER TABLE manager ADD COLUMN dead_letter TEXT;"
    "ALTER TABLE manager ADD COLUMN discarded_reports INTEGER NOT NULL DEFAULT 0;";

ReasonCode readVersion(Database& db, std::int64_t& version) {
  Statement statement;
  if (const ReasonCode why = db.prepare("PRAGMA user_version", statement); why != reason::kNone) {
    return why;
  }
  const int rc = statement.step();
  if (rc != SQLITE_ROW) return reasonFromSqlite(rc);
  version = statement.integer(0);
  return reason::kNone;
}

// Brings an older store to this version in one transaction, which reads the version again under
// the write lock: of two processes that open the store at once, one upgrades it and the other
// finds it done. No message is touched.
ReasonCode upgradeSchema(Database& db) {
  Transaction transaction(db);
  if (const ReasonCode why = transaction.beginWrite(); why != reason::kNone) return why;
  std::int64_t version = 0;
  if (const ReasonCode why = readVersion(db, version); why != reason::kNone) return why;
  if (version == kStoreSchemaVersion) return reason::kNone;
  ReasonCode why = db.exec(kUpgradeFromVersion1);
  if (why == reason::kNone) {
    why = db.exec(("PRAGMA user_version = " + std::to_string(kStoreSchemaVersion)).c_str());
  }
  if (why != reason::kNone) return why;
  return transaction.commit();
}

}  // namespace

std::filesystem::path reservePath(const std::filesystem::path& store) {
  return store.string() + "-reserve";
}

std::vector<std::filesystem::path> companionPaths(const std::filesystem::path& store) {
  return {store.string() + "-wal", store.string() + "-shm", store.string() + "-journal",
          reservePath(store)};
}

std::optional<std::string> strayFileProblem(const std::filesystem::path& path) {
  struct stat status {};
  if (::lstat(path.c_str(), &status) == 0) {
    if (S_ISLNK(status.st_mode)) {
      return path.string() + " is a symbolic link; a store is a file of its own in the data " +
             "directory, never reached through a link";
    }
    if (S_ISDIR(status.st_mode)) return path.string() + " is a directory, not a store";
    if (!S_ISREG(status.st_mode)) return path.string() + " is not a regular file, so not a store";
  }
  if (const auto companion = strayCompanion(path)) {
    return companion->string() + " is not a regular file (a link, say), so the store beside it " +
           "cannot be used; remove it";
  }
  return std::nullopt;
}

std::string describeUnusableStore(const std::filesystem::path& path) {
  return strayFileProblem(path).value_or(path.string() + " is not a usable queue manager store");
}

ReasonCode checkStoreHeader(const std::filesystem::path& path) {
  Database db;
  return openCheckedStore(path, db);
}

namespace {

// Why SQLite fell back to reading a store it was asked to open for writing: its file system is
// mounted read-only, or this user may not write it.
ReasonCode whyReadOnly(const std::filesystem::path& path) {
  if (::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0) return reason::kStoreReadOnly;
  return errno == EROFS ? reason::kStoreReadOnly : reasonFromSystemError(errno);
}

// A store that others may read or write is made private to its owner again (keeping what the
// owner allowed itself, so a store made read-only on purpose stays so).
void makeStorePrivate(const std::filesystem::path& path, const struct stat& status) {
  if (status.st_uid == ::geteuid() && (status.st_mode & 077) != 0) {
    ::fchmodat(AT_FDCWD, path.c_str(), status.st_mode & 0700, AT_SYMLINK_NOFOLLOW);
  }
}

}  // namespace

ReasonCode openCheckedStore(const std::filesystem::path& path, Database& db,
                            std::uint32_t* version) {
  // Opened through the real path of its folder and never through a link of its own: a link
  // planted as the store would send every write outside the data directory. Only a regular file
  // is opened at all, so a FIFO or a device never holds or feeds the open.
  std::error_code error;
  const std::filesystem::path folder = std::filesystem::canonical(path.parent_path(), error);
  if (error) {
    return error == std::errc::no_such_file_or_directory ? reason::kQueueManagerNameError
                                                         : reasonFromSystemError(error.value());
  }
  const std::filesystem::path real = folder / path.filename();
  struct stat status {};
  if (::lstat(real.c_str(), &status) != 0) {
    return errno == ENOENT ? reason::kQueueManagerNameError : reasonFromSystemError(errno);
  }
  if (!S_ISREG(status.st_mode) || strayCompanion(real)) return reason::kStoreDamaged;
  makeStorePrivate(real, status);
  if (const ReasonCode why = db.open(real.string(), false); why != reason::kNone) return why;
  if (sqlite3_db_readonly(db.handle(), "main") == 1) {
    db.close();
    return whyReadOnly(real);
  }
  // The header is read through the connection's own file handle: any other descriptor on the
  // file, once closed, would drop the locks this process's other connections hold on it.
  std::array<unsigned char, 100> header{};
  ReasonCode why = db.readFileHeader(header);
  if (why == reason::kNone) {
    static constexpr char kMagic[] = "SQLite format 3";  // 16 bytes with its terminating zero
    const std::uint32_t found = bigEndian32(&header[60]);
    if (std::memcmp(header.data(), kMagic, sizeof kMagic) != 0 ||
        found < kOldestStoreSchemaVersion || found > kStoreSchemaVersion ||
        bigEndian32(&header[68]) != kStoreApplicationId) {
      why = reason::kStoreDamaged;
    } else if (version != nullptr) {
      *version = found;
    }
  }
  if (why != reason::kNone) db.close();
  return why;
}

namespace {

// SQLite makes its companion files with the store's mode of the moment; one made while the store
// was read-only would keep a working store from opening later.
void makeCompanionsPrivate(const std::filesystem::path& store) {
  for (const auto& path : companionPaths(store)) {
    struct stat status {};
    if (::lstat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode) &&
        status.st_uid == ::geteuid() && (status.st_mode & 0777) != 0600) {
      ::chmod(path.c_str(), 0600);
    }
  }
}

}  // namespace

ReasonCode openStore(std::string_view validatedName, Database& db, Upgrade upgrade) {
  const auto path = storePath(validatedName);
  std::string problem;
  if (const ReasonCode why = checkDataDirectory(path.parent_path(), problem);
      why != reason::kNone) {
    return why;
  }
  makeCompanionsPrivate(path);
  std::uint32_t version = 0;
  if (const ReasonCode why = openCheckedStore(path, db, &version); why != reason::kNone) {
    return why;
  }
  // The header matched; the tables must be there too. Reading them writes nothing.
  Statement probe;
  ReasonCode why = db.prepare(std::string("SELECT (SELECT count(*) FROM manager), (") +
                                  message_table::kQueuesWithoutTableSql + ")",
                              probe);
  if (why == reason::kNone) {
    const int rc = probe.step();
    if (rc != SQLITE_ROW) {
      why = reasonFromSqlite(rc);
    } else if (probe.integer(0) != 1 || probe.integer(1) != 0) {
      why = reason::kStoreDamaged;
    }
  }
  probe = Statement();
  if (why == reason::kInternalError) why = reason::kStoreDamaged;  // e.g. no such table
  if (why == reason::kNone && version < kStoreSchemaVersion && upgrade == Upgrade::kYes) {
    why = upgradeSchema(db);
    if (why == reason::kInternalError) why = reason::kStoreDamaged;  // a manager table unlike ours
  }
  if (why != reason::kNone) db.close();
  return why;
}

ReasonCode readReportSettings(Database& db, ReportSettings& settings) {
  settings = ReportSettings{};
  std::int64_t version = 0;
  if (const ReasonCode why = readVersion(db, version); why != reason::kNone) return why;
  if (version < kVersionWithReports) return reason::kNone;  // none named, none counted
  Statement row;
  if (const ReasonCode why = db.prepare(
          "SELECT coalesce(dead_letter, ''), discarded_reports FROM manager WHERE id = 1", row);
      why != reason::kNone) {
    return why;
  }
  const int rc = row.step();
  if (rc != SQLITE_ROW) return rc == SQLITE_DONE ? reason::kStoreDamaged : reasonFromSqlite(rc);
  settings.deadLetterQueue = row.text(0);
  settings.discarded = row.integer(1);
  return reason::kNone;
}

ReasonCode readManagerRow(Database& db, Statement& cache, ManagerRow& row) {
  if (cache.handle() == nullptr) {
    if (const ReasonCode why =
            db.prepare("SELECT running, epoch, gen FROM manager WHERE id = 1", cache);
        why != reason::kNone) {
      return why;
    }
  }
  const int rc = cache.reuse().step();
  if (rc != SQLITE_ROW) {
    cache.reuse();
    return rc == SQLITE_DONE ? reason::kStoreDamaged : reasonFromSqlite(rc);
  }
  row.running = cache.integer(0) == 1;
  row.epoch = cache.integer(1);
  row.gen = cache.integer(2);
  cache.reuse();
  return reason::kNone;
}

ReasonCode createSchema(Database& db, std::string_view validatedName) {
  const std::string pragmas = "PRAGMA application_id = " + std::to_string(kStoreApplicationId) +
                              "; PRAGMA user_version = " + std::to_string(kStoreSchemaVersion) +
                              ";";
  if (const ReasonCode why = db.exec(pragmas.c_str()); why != reason::kNone) return why;
  if (const ReasonCode why = db.exec("BEGIN IMMEDIATE"); why != reason::kNone) return why;
  ReasonCode why = db.exec(kSchema);
  if (why == reason::kNone) {
    Statement insert;
    why = db.prepare("INSERT INTO manager(id, name, running, epoch, gen) VALUES (1, ?1, 0, 0, 0)",
                     insert);
    if (why == reason::kNone) {
      const int rc = insert.bindText(1, validatedName).step();
      why = rc == SQLITE_DONE ? reason::kNone : reasonFromSqlite(rc);
    }
  }
  if (why != reason::kNone) {
    db.exec("ROLLBACK");
    return why;
  }
  if (const ReasonCode commitWhy = db.exec("COMMIT"); commitWhy != reason::kNone) return commitWhy;
  // WAL is a property of the file: set once here, every later connection uses it.
  return db.exec("PRAGMA journal_mode = WAL");
}

}  // namespace kx
