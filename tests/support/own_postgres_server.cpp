#include "tests/support/own_postgres_server.h"

#include <libpq-fe.h>

#include <cstdlib>
#include <fstream>
#include <utility>

namespace tarnix::testing {

OwnPostgresServer::OwnPostgresServer(std::filesystem::path state) : state_(std::move(state)) {
  ok_ = script("start");
}

OwnPostgresServer::~OwnPostgresServer() { script("stop"); }

std::string OwnPostgresServer::conninfo() const {
  std::string line;
  std::getline(std::ifstream(state_ / "conninfo"), line);
  return line;
}

std::string OwnPostgresServer::run(const std::string& sql) const {
  PGconn* connection = PQconnectdb(conninfo().c_str());
  std::string error;
  if (PQstatus(connection) != CONNECTION_OK) {
    error = PQerrorMessage(connection);
  } else {
    PGresult* result = PQexec(connection, sql.c_str());
    const ExecStatusType status = PQresultStatus(result);
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
      error = PQresultErrorMessage(result);
    }
    PQclear(result);
  }
  PQfinish(connection);
  return error;
}

bool OwnPostgresServer::script(const char* command) const {
  const std::string line = std::string("bash ") + POSTGRES_SERVER_SH + " " + command + " '" +
                           state_.string() + "' >/dev/null";
  return std::system(line.c_str()) == 0;
}

}  // namespace tarnix::testing
