#include "platform/messaging/store/postgres_db.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace kx::pg {
namespace {

std::uint64_t fromBigEndian(const char* bytes, int width) {
  std::uint64_t value = 0;
  for (int i = 0; i < width; ++i) value = (value << 8) | static_cast<unsigned char>(bytes[i]);
  return value;
}

void toBigEndian(std::uint64_t value, char* out, int width) {
  for (int i = width - 1; i >= 0; --i) {
    out[i] = static_cast<char>(value & 0xFF);
    value >>= 8;
  }
}

// Empty values still need an address: libpq reads a null pointer as SQL NULL.
constexpr char kEmpty[1] = {};

// The types of a statement's parameters, one for each parameter given; empty when they differ.
std::vector<Oid> typesOf(const Statement& statement, const Params& params) {
  if (statement.types.size() != static_cast<std::size_t>(params.count())) return {};
  std::vector<Oid> types(statement.types.size());
  std::transform(statement.types.begin(), statement.types.end(), types.begin(),
                 [](Type type) { return static_cast<Oid>(type); });
  return types;
}

}  // namespace

Params& Params::add(const char* value, int length) {
  values_.push_back(value);
  lengths_.push_back(length);
  formats_.push_back(1);
  return *this;
}

Params& Params::int8(std::int64_t value) {
  numbers_.push_back(std::make_unique<char[]>(8));
  toBigEndian(static_cast<std::uint64_t>(value), numbers_.back().get(), 8);
  return add(numbers_.back().get(), 8);
}

Params& Params::int4(std::int32_t value) {
  numbers_.push_back(std::make_unique<char[]>(4));
  toBigEndian(static_cast<std::uint32_t>(value), numbers_.back().get(), 4);
  return add(numbers_.back().get(), 4);
}

Params& Params::boolean(bool value) {
  numbers_.push_back(std::make_unique<char[]>(1));
  numbers_.back()[0] = value ? 1 : 0;
  return add(numbers_.back().get(), 1);
}

Params& Params::text(std::string_view value) {
  return add(value.empty() ? kEmpty : value.data(), static_cast<int>(value.size()));
}

Params& Params::bytes(std::span<const std::uint8_t> value) {
  return add(value.empty() ? kEmpty : reinterpret_cast<const char*>(value.data()),
             static_cast<int>(value.size()));
}

Params& Params::null() { return add(nullptr, 0); }

std::int64_t Result::int8(int row, int column) const {
  const char* value = PQgetvalue(result_.get(), row, column);
  const int length = PQgetlength(result_.get(), row, column);
  // Sums and counts come as bigint; a shorter integer is widened with its sign.
  const std::uint64_t raw = fromBigEndian(value, std::min(length, 8));
  if (length == 4) return static_cast<std::int32_t>(raw);
  if (length == 2) return static_cast<std::int16_t>(raw);
  return static_cast<std::int64_t>(raw);
}

std::int32_t Result::int4(int row, int column) const {
  return static_cast<std::int32_t>(int8(row, column));
}

bool Result::boolean(int row, int column) const {
  return PQgetlength(result_.get(), row, column) == 1 &&
         PQgetvalue(result_.get(), row, column)[0] != 0;
}

std::string Result::text(int row, int column) const {
  return {PQgetvalue(result_.get(), row, column),
          static_cast<std::size_t>(PQgetlength(result_.get(), row, column))};
}

std::span<const std::uint8_t> Result::bytes(int row, int column) const {
  return {reinterpret_cast<const std::uint8_t*>(PQgetvalue(result_.get(), row, column)),
          static_cast<std::size_t>(PQgetlength(result_.get(), row, column))};
}

std::int64_t Result::affected() const {
  const char* tuples = PQcmdTuples(result_.get());
  return tuples != nullptr && *tuples != '\0' ? std::atoll(tuples) : 0;
}

Connection::~Connection() { close(); }

ReasonCode Connection::open(const std::string& conninfo, std::string& problem) {
  close();
  // A server that cannot be reached must not hold a caller (a monitor's tick, say) for the
  // minutes a network may take to say so: a connect gives up after kConnectTimeoutSeconds unless
  // the connection string says otherwise, as its settings come after and override this one.
  const std::string timeout = std::to_string(kConnectTimeoutSeconds);
  const char* const keywords[] = {"connect_timeout", "dbname", nullptr};
  const char* const values[] = {timeout.c_str(), conninfo.c_str(), nullptr};
  conn_ = PQconnectdbParams(keywords, values, 1);
  if (conn_ == nullptr) {
    problem = "out of memory";
    return reason::kResourceProblem;
  }
  if (PQstatus(conn_) != CONNECTION_OK) {
    problem = PQerrorMessage(conn_);
    while (!problem.empty() && (problem.back() == '\n' || problem.back() == ' ')) {
      problem.pop_back();
    }
    close();
    return reason::kQueueManagerNotAvailable;
  }
  // The server's notices (a table already there, say) are not the program's output.
  PQsetNoticeProcessor(
      conn_, [](void*, const char*) {}, nullptr);
  return reason::kNone;
}

void Connection::close() {
  if (conn_ != nullptr) PQfinish(conn_);
  conn_ = nullptr;
  prepared_.clear();
}

bool Connection::alive() const { return conn_ != nullptr && PQstatus(conn_) == CONNECTION_OK; }

ReasonCode Connection::failure(PGresult* result) {
  const char* state = result != nullptr ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
  sqlState_ = state != nullptr ? state : "";
  lastError_ = result != nullptr ? PQresultErrorMessage(result) : PQerrorMessage(conn_);
  return reasonFromSqlState(sqlState_, !alive());
}

ReasonCode Connection::exec(const std::string& sql) {
  if (conn_ == nullptr) return reason::kConnectionBroken;
  const Result result(PQexec(conn_, sql.c_str()));
  const ExecStatusType status = PQresultStatus(result.raw());
  if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) return failure(result.raw());
  return reason::kNone;
}

ReasonCode Connection::run(const Statement& statement, const Params& params, Result& result) {
  if (conn_ == nullptr) return reason::kConnectionBroken;
  const std::vector<Oid> types = typesOf(statement, params);
  if (types.size() != statement.types.size() || params.count() != static_cast<int>(types.size())) {
    return reason::kInternalError;  // a statement given other parameters than it takes
  }
  if (!prepared_.contains(statement.name)) {
    Result prepared(PQprepare(conn_, statement.name.c_str(), statement.sql.c_str(),
                              static_cast<int>(types.size()), types.data()));
    if (PQresultStatus(prepared.raw()) != PGRES_COMMAND_OK) return failure(prepared.raw());
    prepared_.insert(statement.name);
  }
  result = Result(PQexecPrepared(conn_, statement.name.c_str(), params.count(), params.values(),
                                 params.lengths(), params.formats(), 1));
  return finish(result);
}

ReasonCode Connection::once(const Statement& statement, const Params& params, Result& result) {
  if (conn_ == nullptr) return reason::kConnectionBroken;
  const std::vector<Oid> types = typesOf(statement, params);
  if (params.count() != static_cast<int>(types.size())) return reason::kInternalError;
  result = Result(PQexecParams(conn_, statement.sql.c_str(), params.count(), types.data(),
                               params.values(), params.lengths(), params.formats(), 1));
  return finish(result);
}

ReasonCode Connection::finish(Result& result) {
  const ExecStatusType status = PQresultStatus(result.raw());
  if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) return failure(result.raw());
  return reason::kNone;
}

ReasonCode reasonFromSqlState(const std::string& sqlState, bool connectionLost) {
  if (connectionLost) return reason::kConnectionBroken;
  const std::string_view state = sqlState;
  const std::string_view klass = state.substr(0, 2);
  if (klass == "08" || state == "57P01" || state == "57P02" || state == "57P03") {
    return reason::kConnectionBroken;  // the server went away or is going
  }
  if (state == "40001" || state == "40P01" || state == "55P03") return reason::kStoreBusy;
  if (state == "53100") return reason::kStoreFull;
  if (state == "53200") return reason::kResourceProblem;
  if (state == "42501") return reason::kStoreNoAccess;
  if (state == "25006") return reason::kStoreReadOnly;
  if (state == "42P01" || state == "3F000" || klass == "XX") return reason::kStoreDamaged;
  if (state == "54000") return reason::kMessageTooBig;
  return reason::kInternalError;
}

std::string quoted(std::string_view name) {
  std::string out = "\"";
  for (char c : name) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

std::string literal(std::string_view text) {
  std::string out = "'";
  for (char c : text) {
    if (c == '\'') out += '\'';
    out += c;
  }
  return out + "'";
}

bool carriesPassword(const std::string& conninfo) {
  char* error = nullptr;
  PQconninfoOption* options = PQconninfoParse(conninfo.c_str(), &error);
  if (error != nullptr) PQfreemem(error);
  if (options == nullptr) return false;
  bool found = false;
  for (PQconninfoOption* option = options; option->keyword != nullptr; ++option) {
    if (std::strcmp(option->keyword, "password") == 0 && option->val != nullptr &&
        *option->val != '\0') {
      found = true;
    }
  }
  PQconninfoFree(options);
  return found;
}

}  // namespace kx::pg
