#include "platform/history/history_file.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <set>
#include <system_error>

namespace tarnix {
namespace {

namespace fs = std::filesystem;

// The layout of the file, as user_version counts it.
constexpr int kLayout = 1;
constexpr int kBusyWaitMs = 1000;

constexpr const char* kSchema =
    "CREATE TABLE IF NOT EXISTS series("
    "  id INTEGER PRIMARY KEY, manager TEXT NOT NULL, queue TEXT NOT NULL,"
    "  UNIQUE(manager, queue));"
    "CREATE TABLE IF NOT EXISTS points("
    "  series INTEGER NOT NULL, at INTEGER NOT NULL, depth INTEGER, max_depth INTEGER,"
    "  PRIMARY KEY(series, at)) WITHOUT ROWID;";

std::string quoted(const fs::path& file) { return "'" + file.string() + "'"; }

// Makes the file, owner-only, without following a link; one that exists is checked, not made.
bool makeOrCheckFile(const fs::path& file, std::string& why) {
  std::error_code error;
  fs::create_directories(file.parent_path(), error);
  if (error) {
    why = "cannot make the folder " + quoted(file.parent_path()) + ": " + error.message();
    return false;
  }
  fs::permissions(file.parent_path(), fs::perms::owner_all, fs::perm_options::replace, error);
  struct stat status {};
  if (::lstat(file.c_str(), &status) == 0) {
    if (S_ISLNK(status.st_mode)) {
      why = quoted(file) + " is a symbolic link";
      return false;
    }
    if (!S_ISREG(status.st_mode)) {
      why = quoted(file) + " is not a regular file";
      return false;
    }
    return true;
  }
  const int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0 && errno != EEXIST) {
    why = "cannot make " + quoted(file) + ": " + std::strerror(errno);
    return false;
  }
  if (fd >= 0) ::close(fd);
  return true;
}

bool damaged(int code) {
  const int primary = code & 0xff;
  return primary == SQLITE_NOTADB || primary == SQLITE_CORRUPT;
}

}  // namespace

std::unique_ptr<HistoryFile> HistoryFile::open(const fs::path& file, std::string& why) {
  if (!makeOrCheckFile(file, why)) return nullptr;
  sqlite3* db = nullptr;
  const int opened =
      sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOFOLLOW, nullptr);
  std::unique_ptr<HistoryFile> history(new HistoryFile(db, file));
  if (opened != SQLITE_OK) {
    why = history->failure("cannot open");
    return nullptr;
  }
  sqlite3_busy_timeout(db, kBusyWaitMs);
  if (sqlite3_db_readonly(db, "main") == 1) {
    why = quoted(file) + " cannot be written";
    return nullptr;
  }
  sqlite3_stmt* check = nullptr;
  bool sound = sqlite3_prepare_v2(db, "PRAGMA quick_check(1)", -1, &check, nullptr) == SQLITE_OK &&
               sqlite3_step(check) == SQLITE_ROW &&
               std::strcmp(reinterpret_cast<const char*>(sqlite3_column_text(check, 0)), "ok") == 0;
  const int checked = sqlite3_errcode(db);
  sqlite3_finalize(check);
  if (!sound) {
    why = damaged(checked) || checked == SQLITE_ROW ? quoted(file) + " is damaged"
                                                    : history->failure("cannot read");
    return nullptr;
  }
  if (sqlite3_exec(db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL", nullptr, nullptr,
                   nullptr) != SQLITE_OK ||
      sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK) {
    why = history->failure("cannot write");
    return nullptr;
  }
  // A file of another layout (or another program's database) is left as it is.
  sqlite3_stmt* version = nullptr;
  int layout = -1;
  int tables = -1;
  if (sqlite3_prepare_v2(db,
                         "SELECT (SELECT user_version FROM pragma_user_version),"
                         " (SELECT count(*) FROM sqlite_schema)",
                         -1, &version, nullptr) == SQLITE_OK &&
      sqlite3_step(version) == SQLITE_ROW) {
    layout = sqlite3_column_int(version, 0);
    tables = sqlite3_column_int(version, 1);
  }
  sqlite3_finalize(version);
  const bool fresh = layout == 0 && tables == 0;
  if (!fresh && layout != kLayout) {
    sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    why = layout < 0 ? history->failure("cannot read")
                     : quoted(file) + " is not a depth history file of this version";
    return nullptr;
  }
  const std::string make = std::string(kSchema) + "PRAGMA user_version=" + std::to_string(kLayout);
  if ((fresh && sqlite3_exec(db, make.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) ||
      sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK) {
    why = history->failure("cannot write");
    sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    return nullptr;
  }
  if (!history->prepare(why)) return nullptr;
  return history;
}

HistoryFile::~HistoryFile() {
  for (sqlite3_stmt* statement :
       {findSeries_, addSeries_, selectPoints_, deleteSpan_, insertPoint_, dropOld_}) {
    sqlite3_finalize(statement);
  }
  sqlite3_close(db_);
}

std::string HistoryFile::failure(const char* doing) const {
  const int code = db_ == nullptr ? SQLITE_NOMEM : sqlite3_errcode(db_);
  if (damaged(code)) return quoted(file_) + " is damaged";
  return std::string(doing) + " " + quoted(file_) + ": " +
         (db_ == nullptr ? sqlite3_errstr(code) : sqlite3_errmsg(db_));
}

bool HistoryFile::prepare(std::string& why) {
  const std::pair<sqlite3_stmt**, const char*> statements[] = {
      {&findSeries_, "SELECT id FROM series WHERE manager = ?1 AND queue = ?2"},
      {&addSeries_, "INSERT INTO series(manager, queue) VALUES(?1, ?2)"},
      {&selectPoints_,
       "SELECT at, depth, max_depth FROM points WHERE series = ?1 AND at >= ?2 ORDER BY at"},
      {&deleteSpan_, "DELETE FROM points WHERE series = ?1 AND at >= ?2 AND at < ?3"},
      {&insertPoint_,
       "INSERT OR REPLACE INTO points(series, at, depth, max_depth) VALUES(?1, ?2, ?3, ?4)"},
      {&dropOld_, "DELETE FROM points WHERE series = ?1 AND at < ?2"},
  };
  for (const auto& [statement, sql] : statements) {
    if (sqlite3_prepare_v3(db_, sql, -1, SQLITE_PREPARE_PERSISTENT, statement, nullptr) !=
        SQLITE_OK) {
      why = failure("cannot read");
      return false;
    }
  }
  return true;
}

bool HistoryFile::seriesId(const SeriesKey& key, bool make, std::int64_t& id, std::string& why) {
  id = 0;
  for (sqlite3_stmt* statement : {findSeries_, make ? addSeries_ : nullptr}) {
    if (statement == nullptr) break;
    sqlite3_bind_text(statement, 1, key.manager.data(), static_cast<int>(key.manager.size()),
                      SQLITE_STATIC);
    sqlite3_bind_text(statement, 2, key.queue.data(), static_cast<int>(key.queue.size()),
                      SQLITE_STATIC);
    const int stepped = sqlite3_step(statement);
    if (stepped == SQLITE_ROW) id = sqlite3_column_int64(statement, 0);
    if (stepped == SQLITE_DONE && statement == addSeries_) id = sqlite3_last_insert_rowid(db_);
    sqlite3_reset(statement);
    if (stepped != SQLITE_ROW && stepped != SQLITE_DONE) {
      why = failure("cannot read");
      return false;
    }
    if (id != 0) break;
  }
  return true;
}

bool HistoryFile::load(const SeriesKey& key, TimeMs since, std::vector<DepthPoint>& points,
                       std::string& why) {
  points.clear();
  std::int64_t id = 0;
  if (!seriesId(key, false, id, why)) return false;
  if (id == 0) return true;
  sqlite3_bind_int64(selectPoints_, 1, id);
  sqlite3_bind_int64(selectPoints_, 2, since);
  int stepped = SQLITE_ROW;
  while ((stepped = sqlite3_step(selectPoints_)) == SQLITE_ROW) {
    DepthPoint p;
    p.at = sqlite3_column_int64(selectPoints_, 0);
    if (sqlite3_column_type(selectPoints_, 1) != SQLITE_NULL) {
      p.depth = sqlite3_column_int(selectPoints_, 1);
      if (sqlite3_column_type(selectPoints_, 2) != SQLITE_NULL) {
        p.maxDepth = sqlite3_column_int(selectPoints_, 2);
      }
    }
    points.push_back(p);
  }
  sqlite3_reset(selectPoints_);
  if (stepped != SQLITE_DONE) {
    why = failure("cannot read");
    points.clear();
    return false;
  }
  return true;
}

bool HistoryFile::save(std::span<const SeriesRewrite> changes, TimeMs keptFrom, std::string& why) {
  if (sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK) {
    why = failure("cannot write");
    return false;
  }
  const auto run = [this](sqlite3_stmt* statement) {
    const int stepped = sqlite3_step(statement);
    sqlite3_reset(statement);
    return stepped == SQLITE_DONE;
  };
  bool written = true;
  std::set<std::int64_t> touched;
  const SeriesKey* lastKey = nullptr;
  std::int64_t id = 0;
  for (const SeriesRewrite& change : changes) {
    if (lastKey == nullptr || *lastKey != change.key) {
      written = seriesId(change.key, true, id, why);
      if (!written) break;
      lastKey = &change.key;
      touched.insert(id);
    }
    sqlite3_bind_int64(deleteSpan_, 1, id);
    sqlite3_bind_int64(deleteSpan_, 2, change.span.from);
    sqlite3_bind_int64(deleteSpan_, 3, change.span.to);
    written = run(deleteSpan_);
    for (const DepthPoint& p : change.span.points) {
      if (!written) break;
      sqlite3_bind_int64(insertPoint_, 1, id);
      sqlite3_bind_int64(insertPoint_, 2, p.at);
      if (p.depth) {
        sqlite3_bind_int(insertPoint_, 3, *p.depth);
      } else {
        sqlite3_bind_null(insertPoint_, 3);
      }
      if (p.depth && p.maxDepth) {
        sqlite3_bind_int(insertPoint_, 4, *p.maxDepth);
      } else {
        sqlite3_bind_null(insertPoint_, 4);
      }
      written = run(insertPoint_);
    }
    if (!written) break;
  }
  for (const std::int64_t series : touched) {
    if (!written) break;
    sqlite3_bind_int64(dropOld_, 1, series);
    sqlite3_bind_int64(dropOld_, 2, keptFrom);
    written = run(dropOld_);
  }
  if (written && sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK) return true;
  if (why.empty()) why = failure("cannot write");
  sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
  return false;
}

}  // namespace tarnix
