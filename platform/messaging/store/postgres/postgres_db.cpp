#include "platform/messaging/store/postgres/postgres_db.h"

#include <poll.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <thread>

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

std::string trimmed(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
  std::string line;
  for (const char c : text) {
    if (c == '\t') continue;
    line += c == '\n' ? ' ' : c;
  }
  return line;
}

namespace {

// The bound a connect_timeout value stands for, read as libpq reads it: none at zero or below,
// and never under two seconds.
int boundSecondsOf(const char* value) {
  const int seconds = std::atoi(value);
  if (seconds <= 0) return 0;
  return std::max(seconds, 2);
}

// The bound the connection string asks for, else the environment (as libpq reads it), else the
// default.
int boundSecondsIn(const std::string& conninfo) {
  const char* fromEnvironment = std::getenv("PGCONNECT_TIMEOUT");
  int seconds = fromEnvironment != nullptr && *fromEnvironment != '\0'
                    ? boundSecondsOf(fromEnvironment)
                    : kWaitBoundSeconds;
  PQconninfoOption* options = PQconninfoParse(conninfo.c_str(), nullptr);
  if (options == nullptr) return seconds;
  for (PQconninfoOption* option = options; option->keyword != nullptr; ++option) {
    if (std::strcmp(option->keyword, "connect_timeout") == 0 && option->val != nullptr) {
      seconds = boundSecondsOf(option->val);
    }
  }
  PQconninfoFree(options);
  return seconds;
}

bool contains(const std::string& text, std::string_view part) {
  return text.find(part) != std::string::npos;
}

}  // namespace

bool usableConnectionString(const std::string& conninfo, std::string& problem) {
  char* error = nullptr;
  PQconninfoOption* options = PQconninfoParse(conninfo.c_str(), &error);
  if (options == nullptr) {
    problem = error != nullptr ? "libpq cannot read the connection string: " + trimmed(error)
                               : std::string("out of memory");
    if (error != nullptr) PQfreemem(error);
    return false;
  }
  problem.clear();
  for (PQconninfoOption* option = options; option->keyword != nullptr; ++option) {
    // Given at all, even empty or given twice: a later empty one hides an earlier one from the
    // parser, not from the file the string would be written to.
    if (option->val == nullptr || !problem.empty()) continue;
    const std::string_view keyword = option->keyword;
    const std::string_view value = option->val;
    if (keyword == "password" || keyword == "sslpassword") {
      problem = std::string("the connection string holds ") +
                (keyword == "password" ? "a password" : "the passphrase of a key") +
                "; give it through ~/.pgpass, a service file or PGPASSWORD instead, so that it is "
                "never written down here";
    } else if (keyword == "dbname" &&
               (value.find('=') != std::string_view::npos || value.starts_with("postgres://") ||
                value.starts_with("postgresql://"))) {
      problem = "the database name in the connection string is itself a connection string";
    }
  }
  PQconninfoFree(options);
  return problem.empty();
}

ReasonCode Connection::open(const std::string& conninfo, std::string& problem) {
  close();
  // The string's own settings come after these defaults and override them: libpq expands the
  // string given as dbname in its place. Keepalives and a user timeout find a remote server
  // that went away without a word, within about the same bound.
  const int bound = boundSecondsIn(conninfo);
  const std::string seconds = std::to_string(bound);
  const std::string interval = std::to_string(std::max(1, bound / 3));
  const std::string userTimeout = std::to_string(bound * 1000);
  std::vector<const char*> keywords = {"connect_timeout"};
  std::vector<const char*> values = {seconds.c_str()};
  if (bound > 0) {
    keywords.insert(keywords.end(), {"keepalives", "keepalives_idle", "keepalives_interval",
                                     "keepalives_count", "tcp_user_timeout"});
    values.insert(values.end(), {"1", seconds.c_str(), interval.c_str(), "3", userTimeout.c_str()});
  }
  keywords.push_back("dbname");
  values.push_back(conninfo.c_str());
  keywords.push_back(nullptr);
  values.push_back(nullptr);
  conn_ = PQconnectdbParams(keywords.data(), values.data(), 1);
  if (conn_ == nullptr) {
    problem = "out of memory";
    return reason::kResourceProblem;
  }
  if (PQstatus(conn_) != CONNECTION_OK) {
    problem = trimmed(PQerrorMessage(conn_));
    close();
    // The server says so only in words (these are its English ones); in another language a
    // missing database or a denied connect reads as an unreachable server, with those words.
    if (contains(problem, "database \"") && contains(problem, "\" does not exist")) {
      return reason::kQueueManagerGone;
    }
    if (contains(problem, "permission denied")) return reason::kDatabaseNoAccess;
    return reason::kDatabaseUnreachable;
  }
  waitBoundMs_ = bound * 1000;
  // Waits on the server are ours to bound: nothing the connection does blocks.
  if (PQsetnonblocking(conn_, 1) != 0) {
    problem = trimmed(PQerrorMessage(conn_));
    close();
    return reason::kInternalError;
  }
  // The server's notices (a table already there, say) are not the program's output.
  PQsetNoticeProcessor(
      conn_, [](void*, const char*) {}, nullptr);
  // Every commit is durable unless a statement says otherwise for its own transaction, and a
  // lock that another client holds too long fails as a busy store does, within the bound.
  // Each statement is planned once, for any parameters: a plan made for the parameters of each
  // call would be made again at every put and get.
  const int lockMs = bound > 0 ? bound * 800 : 8000;
  if (const ReasonCode why =
          exec("SET synchronous_commit = on; SET plan_cache_mode = force_generic_plan; "
               "SET lock_timeout = " +
               std::to_string(lockMs));
      why != reason::kNone) {
    problem = trimmed(lastError_);
    close();
    return why;
  }
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
  lastError_ = result != nullptr  ? PQresultErrorMessage(result)
               : conn_ != nullptr ? PQerrorMessage(conn_)
                                  : "the connection to the database server is closed";
  return reasonFromSqlState(sqlState_, !alive());
}

std::chrono::steady_clock::time_point Connection::deadline() const {
  if (waitBoundMs_ <= 0) return std::chrono::steady_clock::time_point::max();
  return std::chrono::steady_clock::now() + std::chrono::milliseconds(waitBoundMs_);
}

ReasonCode Connection::abandon(const std::string& why) {
  if (conn_ != nullptr) {
    // A server that stopped answering reads a cancel request only once it runs again, and
    // libpq's cancel waits for that: it is sent from a thread of its own, which ends then (or
    // when the network gives up), so that the statement does not go on for nothing.
    if (PGcancel* cancel = PQgetCancel(conn_); cancel != nullptr) {
      std::thread([cancel] {
        std::array<char, 256> error{};
        PQcancel(cancel, error.data(), static_cast<int>(error.size()));
        PQfreeCancel(cancel);
      }).detach();
    }
  }
  close();
  sqlState_.clear();
  lastError_ = why;
  return reason::kConnectionBroken;
}

bool Connection::await(std::chrono::steady_clock::time_point deadline) {
  for (;;) {
    const int unsent = PQflush(conn_);
    if (unsent < 0) return false;
    if (unsent == 0 && PQisBusy(conn_) == 0) return true;
    int waitMs = -1;
    if (deadline != std::chrono::steady_clock::time_point::max()) {
      const auto left =
          std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0) {
        abandon("the database server gave no answer within " + std::to_string(waitBoundMs_ / 1000) +
                " seconds (the connection string's connect_timeout sets this bound)");
        return false;
      }
      waitMs = static_cast<int>(left.count());
    }
    pollfd watch{PQsocket(conn_), static_cast<short>(POLLIN | (unsent > 0 ? POLLOUT : 0)), 0};
    const int ready = ::poll(&watch, 1, waitMs);
    if (ready < 0 && errno != EINTR) return false;
    if (ready > 0 && (watch.revents & (POLLIN | POLLERR | POLLHUP)) != 0 &&
        PQconsumeInput(conn_) == 0) {
      return false;
    }
  }
}

PGresult* Connection::next(std::chrono::steady_clock::time_point deadline, ReasonCode& why) {
  why = reason::kNone;
  if (conn_ == nullptr || !await(deadline)) {
    if (conn_ != nullptr) failure(nullptr);  // the connection was lost: libpq says how
    why = reason::kConnectionBroken;
    return nullptr;
  }
  return PQgetResult(conn_);
}

ReasonCode Connection::collect(std::chrono::steady_clock::time_point deadline, Result& result) {
  ReasonCode outcome = reason::kNone;
  for (;;) {
    ReasonCode why = reason::kNone;
    PGresult* raw = next(deadline, why);
    if (why != reason::kNone) return why;
    if (raw == nullptr) return outcome;  // the end of this command's results
    Result one(raw);
    const ExecStatusType status = PQresultStatus(raw);
    if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK) {
      result = std::move(one);
    } else if (outcome == reason::kNone) {
      outcome = failure(raw);
    }
  }
}

ReasonCode Connection::exec(const std::string& sql) {
  if (conn_ == nullptr) return reason::kConnectionBroken;
  const auto until = deadline();
  if (PQsendQuery(conn_, sql.c_str()) == 0) return failure(nullptr);
  Result result;
  return collect(until, result);
}

ReasonCode Connection::prepare(const Statement& statement, const std::vector<Oid>& types,
                               std::chrono::steady_clock::time_point deadline) {
  if (prepared_.contains(statement.name)) return reason::kNone;
  if (PQsendPrepare(conn_, statement.name.c_str(), statement.sql.c_str(),
                    static_cast<int>(types.size()), types.data()) == 0 ||
      (inTransaction() && PQsendFlushRequest(conn_) == 0)) {
    return failure(nullptr);
  }
  Result prepared;
  if (const ReasonCode why = collect(deadline, prepared); why != reason::kNone) return why;
  prepared_.insert(statement.name);
  return reason::kNone;
}

ReasonCode Connection::run(const Statement& statement, const Params& params, Result& result) {
  if (conn_ == nullptr) return reason::kConnectionBroken;
  const std::vector<Oid> types = typesOf(statement, params);
  if (types.size() != statement.types.size() || params.count() != static_cast<int>(types.size())) {
    return reason::kInternalError;  // a statement given other parameters than it takes
  }
  const auto until = deadline();
  if (const ReasonCode why = prepare(statement, types, until); why != reason::kNone) return why;
  // In a transaction left open, the statement is sent with a request for its answer at once.
  if (PQsendQueryPrepared(conn_, statement.name.c_str(), params.count(), params.values(),
                          params.lengths(), params.formats(), 1) == 0 ||
      (inTransaction() && PQsendFlushRequest(conn_) == 0)) {
    return failure(nullptr);
  }
  result = Result();
  return collect(until, result);
}

ReasonCode Connection::once(const Statement& statement, const Params& params, Result& result) {
  if (conn_ == nullptr) return reason::kConnectionBroken;
  const std::vector<Oid> types = typesOf(statement, params);
  if (params.count() != static_cast<int>(types.size())) return reason::kInternalError;
  const auto until = deadline();
  if (PQsendQueryParams(conn_, statement.sql.c_str(), params.count(), types.data(), params.values(),
                        params.lengths(), params.formats(), 1) == 0) {
    return failure(nullptr);
  }
  result = Result();
  return collect(until, result);
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
  if (state == "42501") return reason::kDatabaseNoAccess;
  if (state == "25006") return reason::kStoreReadOnly;
  if (state == "42P01" || state == "3F000" || state == "3D000") return reason::kQueueManagerGone;
  if (klass == "XX") return reason::kStoreDamaged;
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

}  // namespace kx::pg
