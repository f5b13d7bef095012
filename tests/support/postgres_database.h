#pragma once

#include <libpq-fe.h>

#include <optional>
#include <string>

namespace tarnix::testing {

// The connection string of the private PostgreSQL server that ctest starts for the tests
// (postgres_server.sh), from the file $KX_TEST_POSTGRES names; none outside such a run.
std::optional<std::string> testServer();

// A database of its own on that server for one test, so that tests running side by side never
// meet each other's queue managers. Dropped when it goes.
class PostgresDatabase {
 public:
  explicit PostgresDatabase(std::string server);
  ~PostgresDatabase();
  PostgresDatabase(const PostgresDatabase&) = delete;
  PostgresDatabase& operator=(const PostgresDatabase&) = delete;

  // Empty when the database could not be made; problem() says why.
  const std::string& conninfo() const { return conninfo_; }
  const std::string& problem() const { return problem_; }
  // Runs SQL on the database as its owner; the error message, or empty.
  std::string run(const std::string& sql) const;

 private:
  std::string run(PGconn* connection, const std::string& sql) const;

  std::string server_;
  std::string name_;
  std::string conninfo_;
  std::string problem_;
};

}  // namespace tarnix::testing
