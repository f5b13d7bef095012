#pragma once

#include <libpq-fe.h>

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

// How long a connect waits for a server that does not answer, unless the connection string says.
inline constexpr int kConnectTimeoutSeconds = 5;

// One connection to a PostgreSQL server.
class Connection {
 public:
  Connection() = default;
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  // kQueueManagerNotAvailable when the server cannot be reached or refuses the connection;
  // `problem` says what the server or libpq said. `conninfo` is a libpq connection string, in
  // either of its forms.
  ReasonCode open(const std::string& conninfo, std::string& problem);
  void close();
  // False once the connection to the server is lost.
  bool alive() const;
  int backendPid() const { return conn_ != nullptr ? PQbackendPID(conn_) : 0; }

  // Runs SQL without parameters (one or several commands).
  ReasonCode exec(const std::string& sql);
  // Runs a statement, preparing it on this connection the first time.
  ReasonCode run(const Statement& statement, const Params& params, Result& result);
  // Runs a statement once, unprepared: for administration, where nothing repeats.
  ReasonCode once(const Statement& statement, const Params& params, Result& result);
  // The last failure's SQLSTATE and message, for reasons and for operators.
  const std::string& sqlState() const { return sqlState_; }
  const std::string& lastError() const { return lastError_; }

 private:
  ReasonCode failure(PGresult* result);
  ReasonCode finish(Result& result);

  PGconn* conn_ = nullptr;
  std::unordered_set<std::string> prepared_;  // the names prepared on this connection
  std::string sqlState_;
  std::string lastError_;
};

// The reason a failed statement stands for: a lost connection breaks it; a full disk, a denied
// permission, a read-only server and a damaged or missing table each have their own reason.
ReasonCode reasonFromSqlState(const std::string& sqlState, bool connectionLost);

// `name` as a quoted identifier, and `text` as a string literal, safe to put in SQL text.
std::string quoted(std::string_view name);
std::string literal(std::string_view text);

// True for a connection string that carries a password: passwords come from libpq's own means.
bool carriesPassword(const std::string& conninfo);

}  // namespace kx::pg
