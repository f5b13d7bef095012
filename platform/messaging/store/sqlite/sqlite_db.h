#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>

#include "platform/messaging/reason_codes.h"
#include "platform/messaging/store/internal.h"

namespace kx {

// The reason an SQLite result code stands for: corruption is a damaged store, lock time-outs a
// busy store; a full disk, a denied permission and a read-only store each have their own reason,
// told apart by the code and, when the caller has it, the system error behind it.
ReasonCode reasonFromSqlite(int code, int systemError = 0);

// A prepared statement, kept and reused; reset before each use.
class Statement {
 public:
  Statement() = default;
  ~Statement();
  Statement(Statement&& other) noexcept : stmt_(std::exchange(other.stmt_, nullptr)) {}
  Statement& operator=(Statement&& other) noexcept;
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  // Resets the statement and clears its bindings, ready for a new use.
  Statement& reuse();
  Statement& bind(int index, std::int64_t value);
  Statement& bindNull(int index);
  Statement& bindText(int index, std::string_view text);
  // The bytes must stay alive until the statement is reset: nothing is copied.
  Statement& bindBlob(int index, std::span<const std::uint8_t> bytes);

  // SQLITE_ROW, SQLITE_DONE or an error code.
  int step();

  std::int64_t integer(int column) const { return sqlite3_column_int64(stmt_, column); }
  bool isNull(int column) const { return sqlite3_column_type(stmt_, column) == SQLITE_NULL; }
  std::string text(int column) const;
  std::span<const std::uint8_t> blob(int column) const;

  sqlite3_stmt* handle() const { return stmt_; }

 private:
  friend class Database;
  explicit Statement(sqlite3_stmt* stmt) : stmt_(stmt) {}
  sqlite3_stmt* stmt_ = nullptr;
};

// One SQLite connection.
class Database {
 public:
  Database() = default;
  ~Database() { close(); }
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  // Opens an existing file by its absolute path, or with `create` a new file that the caller has
  // just made empty and exclusively; sets the busy timeout. A path with a link in it is refused.
  ReasonCode open(const std::string& path, bool create);
  void close();
  bool isOpen() const { return db_ != nullptr; }
  // The first bytes of the main file, read through SQLite's own handle on it; a file shorter
  // than `header` reads as damaged.
  ReasonCode readFileHeader(std::span<unsigned char> header) { return readFile(0, header); }
  // Bytes of the main file at `offset`, and its size, through SQLite's own handle: a descriptor
  // of our own on the file, once closed, would drop every lock this process holds on it.
  ReasonCode readFile(std::int64_t offset, std::span<unsigned char> bytes);
  ReasonCode fileSize(std::int64_t& size);

  // Runs SQL that returns no rows.
  ReasonCode exec(const char* sql);
  ReasonCode prepare(std::string_view sql, Statement& statement);
  std::int64_t changes() const { return sqlite3_changes64(db_); }
  sqlite3* handle() const { return db_; }

  // Transaction control through statements prepared once.
  ReasonCode beginImmediate() { return run(begin_, "BEGIN IMMEDIATE"); }
  ReasonCode beginRead() { return run(beginRead_, "BEGIN"); }
  ReasonCode commit() { return run(commit_, "COMMIT"); }
  void rollback();
  bool inTransaction() const { return db_ != nullptr && sqlite3_get_autocommit(db_) == 0; }

 private:
  ReasonCode run(Statement& statement, const char* sql);
  ReasonCode mainFile(sqlite3_file*& file);

  sqlite3* db_ = nullptr;
  Statement begin_;
  Statement beginRead_;
  Statement commit_;
  Statement rollback_;
};

// Runs a statement that returns no row to its end, ready to run again; kNone when it finished.
ReasonCode stepDone(Statement& statement);

// A transaction that rolls back unless committed.
class Transaction {
 public:
  explicit Transaction(Database& db) : db_(db) {}
  ~Transaction() { rollback(); }
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;

  ReasonCode beginWrite();  // BEGIN IMMEDIATE: takes the write lock now
  ReasonCode beginRead();   // one consistent snapshot for several reads
  ReasonCode commit();
  void rollback();
  bool active() const { return active_; }

 private:
  Database& db_;
  bool active_ = false;
};

// How long a connection waits for another process's write lock before kStoreBusy.
inline constexpr int kBusyTimeoutMs = 8000;

}  // namespace kx
