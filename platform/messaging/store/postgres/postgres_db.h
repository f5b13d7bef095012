#pragma once

#include <libpq-fe.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "platform/messaging/reason_codes.h"
#include "platform/messaging/store/internal.h"

// A thin layer over libpq: one connection, statements prepared once on it, parameters and results
// in binary form, and the reason each failure stands for.
namespace kx::pg {

// The parameter types the statements use (PostgreSQL's type ids).
enum class Type : Oid { kBool = 16, kBytea = 17, kInt8 = 20, kInt4 = 23, kText = 25 };

// The values of one statement's parameters, encoded as the server reads them in binary. Texts and
// bytes are the caller's and must stay alive until the statement has run.
class Params {
 public:
  Params& int8(std::int64_t value);
  Params& int4(std::int32_t value);
  Params& boolean(bool value);
  Params& text(std::string_view value);
  Params& bytes(std::span<const std::uint8_t> value);
  Params& null();

  int count() const { return static_cast<int>(values_.size()); }
  const char* const* values() const { return values_.data(); }
  const int* lengths() const { return lengths_.data(); }
  const int* formats() const { return formats_.data(); }

 private:
  Params& add(const char* value, int length);
  // Room for the encoded numbers, so their addresses stay put while values_ points at them.
  std::vector<std::unique_ptr<char[]>> numbers_;
  std::vector<const char*> values_;
  std::vector<int> lengths_;
  std::vector<int> formats_;
};

// One statement's result, in binary form; cleared when it goes.
class Result {
 public:
  Result() = default;
  explicit Result(PGresult* result) : result_(result) {}

  int rows() const { return PQntuples(result_.get()); }
  bool isNull(int row, int column) const { return PQgetisnull(result_.get(), row, column) != 0; }
  std::int64_t int8(int row, int column) const;
  std::int32_t int4(int row, int column) const;
  bool boolean(int row, int column) const;
  std::string text(int row, int column) const;
  std::span<const std::uint8_t> bytes(int row, int column) const;
  // The rows a command changed ("DELETE 3" gives 3).
  std::int64_t affected() const;
  PGresult* raw() const { return result_.get(); }

 private:
  struct Clear {
    void operator()(PGresult* result) const { PQclear(result); }
  };
  std::unique_ptr<PGresult, Clear> result_;
};

// A statement's text and the types of its parameters; prepared once on each connection that
// runs it, under a name of its own.
struct Statement {
  std::string name;
  std::string sql;
  std::vector<Type> types;
};

// How long any wait on the server lasts, unless the connection string's connect_timeout says
// otherwise: a connect, and each statement's answer. A server that stops answering must not hold a
// caller (a monitor's tick, say) for longer.
inline constexpr int kWaitBoundSeconds = 5;
// The bound of statements whose work grows with a queue: purging, loading or discarding many
// messages at once.
inline constexpr int kBulkWaitSeconds = 600;

// What a connection string says, as libpq reads it; `problem` says why it cannot be used: libpq
// cannot read it, or it carries a password or a key's passphrase in any of its forms (those come
// from libpq's own means: a password file, a service file, the environment), or its database name
// is itself a connection string.
bool usableConnectionString(const std::string& conninfo, std::string& problem);

// One connection to a PostgreSQL server. Every wait on the server is bounded: past the bound the
// statement is cancelled, the connection is broken (kConnectionBroken) and lastError() says so.
class Connection {
 public:
  Connection() = default;
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  // kDatabaseUnreachable when the server cannot be reached or refuses the connection, and
  // kQueueManagerGone when its database does not exist; `problem` says what the server or libpq
  // said. `conninfo` is a libpq connection string, in either of its forms.
  ReasonCode open(const std::string& conninfo, std::string& problem);
  void close();
  // False once the connection to the server is lost.
  bool alive() const;
  int backendPid() const { return conn_ != nullptr ? PQbackendPID(conn_) : 0; }
  // The bound of each wait, in milliseconds; 0: none (a connect_timeout of 0 asks for that).
  int waitBoundMs() const { return waitBoundMs_; }
  // A longer bound for statements whose work grows with a queue (purging or loading one).
  void setWaitBoundMs(int milliseconds) { waitBoundMs_ = milliseconds; }

  // Runs SQL without parameters (one or several commands).
  ReasonCode exec(const std::string& sql);
  // Runs a statement, preparing it on this connection the first time.
  ReasonCode run(const Statement& statement, const Params& params, Result& result);
  // Runs a statement once, unprepared: for administration, where nothing repeats.
  ReasonCode once(const Statement& statement, const Params& params, Result& result);

  // Runs a prepared statement in a transaction of its own that stays open until commit() or
  // rollback(), so that its answer is in hand before the commit that makes it final is asked
  // for. Statements run() runs until then are part of it. A failed statement undoes it: the
  // statements after it fail too, until rollback().
  ReasonCode runUncommitted(const Statement& statement, const Params& params, Result& result);
  bool inTransaction() const {
    return conn_ != nullptr && PQpipelineStatus(conn_) != PQ_PIPELINE_OFF;
  }
  // How the commit of the transaction runUncommitted left open went.
  enum class Commit { kMade, kUndone, kUnknown };
  // Commits that transaction. kUnknown when the answer did not come (lost with the connection,
  // or past the bound): the server may have made it or not, and txid_status tells which.
  Commit commit();
  // Undoes that transaction; kConnectionBroken when the connection was lost on the way (which
  // undoes it as well).
  ReasonCode rollback();

  // The last failure's SQLSTATE and message, for reasons and for operators.
  const std::string& sqlState() const { return sqlState_; }
  const std::string& lastError() const { return lastError_; }

 private:
  ReasonCode failure(PGresult* result);
  // Waits, within the bound, until the answers asked for can be read without blocking; false
  // when the connection was lost or the bound passed (the connection is then closed).
  bool await(std::chrono::steady_clock::time_point deadline);
  std::chrono::steady_clock::time_point deadline() const;
  // The next result of what was sent, within the bound; null with the reason set in `why` when
  // it did not come. A null result that is the end of one command's results comes as kNone.
  PGresult* next(std::chrono::steady_clock::time_point deadline, ReasonCode& why);
  // Reads one command's results up to its end; the last of them in `result`.
  ReasonCode collect(std::chrono::steady_clock::time_point deadline, Result& result);
  ReasonCode prepare(const Statement& statement, const std::vector<Oid>& types,
                     std::chrono::steady_clock::time_point deadline);
  // The connection is given up: a statement still running is cancelled, and it is closed.
  ReasonCode abandon(const std::string& why);

  PGconn* conn_ = nullptr;
  int waitBoundMs_ = kWaitBoundSeconds * 1000;
  std::unordered_set<std::string> prepared_;  // the names prepared on this connection
  std::string sqlState_;
  std::string lastError_;
};

// The reason a failed statement stands for: a lost connection breaks it; a full disk, a denied
// permission, a read-only server and a missing schema or table each have their own reason.
ReasonCode reasonFromSqlState(const std::string& sqlState, bool connectionLost);

// libpq's and the server's words on one line: no line ends, no tabs of a continued line.
std::string trimmed(std::string text);

// `name` as a quoted identifier, and `text` as a string literal, safe to put in SQL text.
std::string quoted(std::string_view name);
std::string literal(std::string_view text);

}  // namespace kx::pg
