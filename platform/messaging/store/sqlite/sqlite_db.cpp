#include "platform/messaging/store/sqlite/sqlite_db.h"

namespace kx {

ReasonCode reasonFromSqlite(int code, int systemError) {
  switch (code & 0xFF) {
    case SQLITE_OK:
    case SQLITE_ROW:
    case SQLITE_DONE:
      return reason::kNone;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      return reason::kStoreBusy;
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
    case SQLITE_FORMAT:
      return reason::kStoreDamaged;
    case SQLITE_FULL:
      return reason::kStoreFull;
    case SQLITE_READONLY:
      return reason::kStoreReadOnly;
    case SQLITE_PERM:
      return reason::kStoreNoAccess;
    case SQLITE_IOERR:
    case SQLITE_CANTOPEN:
      // Growing the shared-memory index writes into it: that fails when the disk is full.
      if (code == SQLITE_IOERR_SHMSIZE) return reason::kStoreFull;
      return reasonFromSystemError(systemError);
    case SQLITE_PROTOCOL:
      return reason::kStoreIoError;
    case SQLITE_NOMEM:
      return reason::kResourceProblem;
    case SQLITE_TOOBIG:
      return reason::kMessageTooBig;
    default:
      return reason::kInternalError;
  }
}

Statement::~Statement() { sqlite3_finalize(stmt_); }

Statement& Statement::operator=(Statement&& other) noexcept {
  if (this != &other) {
    sqlite3_finalize(stmt_);
    stmt_ = std::exchange(other.stmt_, nullptr);
  }
  return *this;
}

Statement& Statement::reuse() {
  sqlite3_reset(stmt_);
  sqlite3_clear_bindings(stmt_);
  return *this;
}

Statement& Statement::bind(int index, std::int64_t value) {
  sqlite3_bind_int64(stmt_, index, value);
  return *this;
}

Statement& Statement::bindNull(int index) {
  sqlite3_bind_null(stmt_, index);
  return *this;
}

Statement& Statement::bindText(int index, std::string_view text) {
  // An empty view may have no storage at all; it still binds the empty text, never NULL.
  sqlite3_bind_text64(stmt_, index, text.data() != nullptr ? text.data() : "", text.size(),
                      SQLITE_STATIC, SQLITE_UTF8);
  return *this;
}

Statement& Statement::bindBlob(int index, std::span<const std::uint8_t> bytes) {
  // A zero-length blob still needs a non-null pointer to be stored as a blob, not as NULL.
  static const std::uint8_t kEmpty = 0;
  sqlite3_bind_blob64(stmt_, index, bytes.empty() ? &kEmpty : bytes.data(), bytes.size(),
                      SQLITE_STATIC);
  return *this;
}

int Statement::step() { return sqlite3_step(stmt_); }

std::string Statement::text(int column) const {
  const auto* chars = sqlite3_column_text(stmt_, column);
  if (chars == nullptr) return {};
  return {reinterpret_cast<const char*>(chars),
          static_cast<std::size_t>(sqlite3_column_bytes(stmt_, column))};
}

std::span<const std::uint8_t> Statement::blob(int column) const {
  const auto* bytes = static_cast<const std::uint8_t*>(sqlite3_column_blob(stmt_, column));
  const int size = sqlite3_column_bytes(stmt_, column);
  if (bytes == nullptr) return {};
  return {bytes, static_cast<std::size_t>(size)};
}

ReasonCode Database::open(const std::string& path, bool create) {
  close();
  // An absolute path is never read as a URI, whatever SQLite was built with; no flag asks for one.
  if (path.empty() || path.front() != '/') return reason::kInternalError;
  // A store is always opened by the real path of its folder, so any link in it is a planted one.
  int flags =
      SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_EXRESCODE | SQLITE_OPEN_NOFOLLOW;
  if (create) flags |= SQLITE_OPEN_CREATE;
  const int rc = sqlite3_open_v2(path.c_str(), &db_, flags, nullptr);
  if (rc != SQLITE_OK) {
    const ReasonCode why = reasonFromSqlite(rc, db_ != nullptr ? sqlite3_system_errno(db_) : 0);
    close();
    return why;
  }
  sqlite3_extended_result_codes(db_, 1);
  sqlite3_busy_timeout(db_, kBusyTimeoutMs);
  return reason::kNone;
}

ReasonCode Database::mainFile(sqlite3_file*& file) {
  file = nullptr;
  const int rc = sqlite3_file_control(db_, "main", SQLITE_FCNTL_FILE_POINTER, &file);
  if (rc != SQLITE_OK) return reasonFromSqlite(rc);
  if (file == nullptr || file->pMethods == nullptr) return reason::kStoreIoError;
  return reason::kNone;
}

ReasonCode Database::readFile(std::int64_t offset, std::span<unsigned char> bytes) {
  sqlite3_file* file = nullptr;
  if (const ReasonCode why = mainFile(file); why != reason::kNone) return why;
  const int read =
      file->pMethods->xRead(file, bytes.data(), static_cast<int>(bytes.size()), offset);
  if (read == SQLITE_IOERR_SHORT_READ) return reason::kStoreDamaged;
  return reasonFromSqlite(read, sqlite3_system_errno(db_));
}

ReasonCode Database::fileSize(std::int64_t& size) {
  sqlite3_file* file = nullptr;
  if (const ReasonCode why = mainFile(file); why != reason::kNone) return why;
  sqlite3_int64 bytes = 0;
  const int rc = file->pMethods->xFileSize(file, &bytes);
  size = bytes;
  return reasonFromSqlite(rc, sqlite3_system_errno(db_));
}

void Database::close() {
  begin_ = Statement();
  beginRead_ = Statement();
  commit_ = Statement();
  rollback_ = Statement();
  if (db_ != nullptr) {
    sqlite3_close_v2(db_);
    db_ = nullptr;
  }
}

ReasonCode Database::exec(const char* sql) {
  const int rc = sqlite3_exec(db_, sql, nullptr, nullptr, nullptr);
  return rc == SQLITE_OK ? reason::kNone : reasonFromSqlite(rc, sqlite3_system_errno(db_));
}

ReasonCode Database::prepare(std::string_view sql, Statement& statement) {
  sqlite3_stmt* stmt = nullptr;
  const int rc = sqlite3_prepare_v3(db_, sql.data(), static_cast<int>(sql.size()),
                                    SQLITE_PREPARE_PERSISTENT, &stmt, nullptr);
  if (rc != SQLITE_OK) {
    sqlite3_finalize(stmt);
    return reasonFromSqlite(rc);
  }
  statement = Statement(stmt);
  return reason::kNone;
}

ReasonCode Database::run(Statement& statement, const char* sql) {
  if (statement.handle() == nullptr) {
    if (const ReasonCode why = prepare(sql, statement); why != reason::kNone) return why;
  }
  sqlite3_reset(statement.handle());
  const int rc = statement.step();
  sqlite3_reset(statement.handle());
  return rc == SQLITE_DONE ? reason::kNone : reasonFromSqlite(rc, sqlite3_system_errno(db_));
}

void Database::rollback() {
  if (inTransaction()) run(rollback_, "ROLLBACK");
}

ReasonCode Transaction::beginWrite() {
  const ReasonCode why = db_.beginImmediate();
  active_ = why == reason::kNone;
  return why;
}

ReasonCode Transaction::beginRead() {
  const ReasonCode why = db_.beginRead();
  active_ = why == reason::kNone;
  return why;
}

ReasonCode Transaction::commit() {
  const ReasonCode why = db_.commit();
  // A failed COMMIT can leave the transaction open; roll it back so nothing half-done is kept.
  if (why != reason::kNone) db_.rollback();
  active_ = false;
  return why;
}

void Transaction::rollback() {
  if (active_) {
    db_.rollback();
    active_ = false;
  }
}

ReasonCode stepDone(Statement& statement) {
  const int rc = statement.step();
  statement.reuse();
  return rc == SQLITE_DONE ? reason::kNone : reasonFromSqlite(rc);
}

}  // namespace kx
