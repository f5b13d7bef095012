// Raw libpq baselines: the bare statements of the work each PostgreSQL benchmark does, on a table
// of the same kind (a sequence key, a 24-byte id, a 1 KB body), prepared once, in binary, each
// its own transaction: a put is one insert, a get takes the first message no one else is taking,
// a depth reads a counter row.
#include <benchmark/benchmark.h>
#include <libpq-fe.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "tests/support/postgres_database.h"

namespace {

constexpr std::size_t kRawMessageSize = 1024;

class RawPg {
 public:
  RawPg() {
    const auto server = tarnix::testing::testServer();
    if (!server) std::abort();
    database_ = std::make_unique<tarnix::testing::PostgresDatabase>(*server);
    conn_ = PQconnectdb(database_->conninfo().c_str());
    if (PQstatus(conn_) != CONNECTION_OK) fail(PQerrorMessage(conn_));
    PQsetNoticeProcessor(
        conn_, [](void*, const char*) {}, nullptr);
  }
  ~RawPg() { PQfinish(conn_); }
  static RawPg& instance() {
    static RawPg pg;
    return pg;
  }

  void exec(const std::string& sql) {
    PGresult* result = PQexec(conn_, sql.c_str());
    const ExecStatusType status = PQresultStatus(result);
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) fail(PQresultErrorMessage(result));
    PQclear(result);
  }
  // Prepares a statement once; a benchmark run again reuses it.
  void prepare(const char* name, const std::string& sql) {
    if (!prepared_.insert(name).second) return;
    PGresult* result = PQprepare(conn_, name, sql.c_str(), 0, nullptr);
    if (PQresultStatus(result) != PGRES_COMMAND_OK) fail(PQresultErrorMessage(result));
    PQclear(result);
  }
  // Runs a prepared statement with binary parameters and results; the rows it gave.
  int run(const char* name, int count, const char* const* values, const int* lengths) {
    static const int formats[4] = {1, 1, 1, 1};
    PGresult* result = PQexecPrepared(conn_, name, count, values, lengths, formats, 1);
    const ExecStatusType status = PQresultStatus(result);
    int rows = -1;
    if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK) {
      rows = PQntuples(result);
      if (rows > 0) last_.assign(PQgetvalue(result, 0, 0), PQgetlength(result, 0, 0));
    }
    PQclear(result);
    return rows;
  }
  // A fresh message table of the given name, holding `count` messages of `size` bytes.
  void table(const std::string& name, std::int64_t count, std::size_t size) {
    exec("DROP TABLE IF EXISTS " + name);
    exec("CREATE TABLE " + name +
         "(seq bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY, msg_id bytea NOT NULL, data "
         "bytea NOT NULL)");
    exec("ALTER TABLE " + name + " ALTER COLUMN data SET STORAGE EXTERNAL");
    exec("INSERT INTO " + name +
         "(msg_id, data) SELECT int8send(i) || int8send(i) || "
         "int8send(i), decode(repeat('42', " +
         std::to_string(size) + "), 'hex') FROM generate_series(1, " + std::to_string(count) +
         ") i");
    exec("VACUUM ANALYZE " + name);
  }

 private:
  [[noreturn]] static void fail(const char* what) {
    std::fprintf(stderr, "raw set-up failed: %s\n", what);
    std::abort();
  }
  std::unique_ptr<tarnix::testing::PostgresDatabase> database_;
  PGconn* conn_ = nullptr;
  std::set<std::string> prepared_;
  std::string last_;  // the first column of the last row read, as a get hands it on
};

void rawPut(benchmark::State& state, const char* synchronous, const char* name) {
  RawPg& pg = RawPg::instance();
  pg.table(name, 0, 0);
  pg.exec(std::string("SET synchronous_commit = ") + synchronous);
  pg.prepare(name, std::string("INSERT INTO ") + name + "(msg_id, data) VALUES ($1, $2)");
  const std::vector<char> data(kRawMessageSize, 0x42);
  std::uint64_t counter = 0;
  for (auto _ : state) {
    char id[24] = {};
    ++counter;
    std::memcpy(id + 8, &counter, sizeof counter);
    const char* values[2] = {id, data.data()};
    const int lengths[2] = {sizeof id, static_cast<int>(data.size())};
    if (pg.run(name, 2, values, lengths) < 0) state.SkipWithError("insert failed");
  }
  pg.exec("SET synchronous_commit = on");
  state.SetItemsProcessed(state.iterations());
}

void BM_PgRaw_PutNonPersistent(benchmark::State& state) { rawPut(state, "off", "put_np"); }
BENCHMARK(BM_PgRaw_PutNonPersistent)->UseRealTime();

void BM_PgRaw_PutPersistent(benchmark::State& state) { rawPut(state, "on", "put_p"); }
BENCHMARK(BM_PgRaw_PutPersistent)->UseRealTime();

void BM_PgRaw_GetDestructive(benchmark::State& state) {
  RawPg& pg = RawPg::instance();
  pg.table("get", state.max_iterations, kRawMessageSize);
  pg.exec("SET synchronous_commit = off");  // the messages are not persistent
  pg.prepare("get",
             "WITH pick AS (SELECT seq FROM get ORDER BY seq LIMIT 1 FOR UPDATE SKIP LOCKED) "
             "DELETE FROM get g USING pick WHERE g.seq = pick.seq RETURNING g.data, g.msg_id");
  for (auto _ : state) {
    if (pg.run("get", 0, nullptr, nullptr) != 1) state.SkipWithError("get failed");
  }
  pg.exec("SET synchronous_commit = on");
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PgRaw_GetDestructive)->UseRealTime();

void BM_PgRaw_DepthQuery(benchmark::State& state) {
  RawPg& pg = RawPg::instance();
  static bool made = false;
  if (!made) {
    pg.exec("CREATE TABLE counters(name text PRIMARY KEY, depth bigint NOT NULL)");
    pg.exec("INSERT INTO counters VALUES ('q', 1000)");
    pg.prepare("depth", "SELECT depth FROM counters WHERE name = 'q'");
    made = true;
  }
  for (auto _ : state) {
    if (pg.run("depth", 0, nullptr, nullptr) != 1) state.SkipWithError("select failed");
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PgRaw_DepthQuery)->UseRealTime();

}  // namespace
