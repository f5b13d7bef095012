#include "tests/support/postgres_database.h"

#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <utility>

namespace tarnix::testing {

std::optional<std::string> testServer() {
  const char* file = std::getenv("KX_TEST_POSTGRES");
  if (file == nullptr || *file == '\0') return std::nullopt;
  std::ifstream in(file);
  std::string conninfo;
  if (!std::getline(in, conninfo) || conninfo.empty()) return std::nullopt;
  return conninfo;
}

std::string PostgresDatabase::run(PGconn* connection, const std::string& sql) const {
  if (PQstatus(connection) != CONNECTION_OK) return PQerrorMessage(connection);
  PQsetNoticeProcessor(
      connection, [](void*, const char*) {}, nullptr);  // not the test's output
  PGresult* result = PQexec(connection, sql.c_str());
  const ExecStatusType status = PQresultStatus(result);
  std::string error;
  if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
    error = PQresultErrorMessage(result);
  }
  PQclear(result);
  return error;
}

std::string PostgresDatabase::run(const std::string& sql) const {
  PGconn* connection = PQconnectdb(conninfo_.c_str());
  std::string error = run(connection, sql);
  PQfinish(connection);
  return error;
}

PostgresDatabase::PostgresDatabase(std::string server) : server_(std::move(server)) {
  static std::atomic<int> made{0};
  name_ = "tarnix_" + std::to_string(::getpid()) + "_" + std::to_string(++made);
  PGconn* connection = PQconnectdb(server_.c_str());
  problem_ = run(connection, "CREATE DATABASE " + name_);
  PQfinish(connection);
  // The later of two settings of a keyword wins.
  if (problem_.empty()) conninfo_ = server_ + " dbname=" + name_;
}

PostgresDatabase::~PostgresDatabase() {
  if (conninfo_.empty()) return;
  PGconn* connection = PQconnectdb(server_.c_str());
  run(connection, "DROP DATABASE IF EXISTS " + name_ + " WITH (FORCE)");
  PQfinish(connection);
}

}  // namespace tarnix::testing
