#pragma once

#include <filesystem>
#include <string>

namespace tarnix::testing {

// A PostgreSQL server of one test's own (postgres_server.sh), for tests that crash, pause or
// reconfigure their server: the tests beside them, on the shared one, never notice.
class OwnPostgresServer {
 public:
  // Starts a server whose files are under `state`; ok() says whether it runs.
  explicit OwnPostgresServer(std::filesystem::path state);
  ~OwnPostgresServer();
  OwnPostgresServer(const OwnPostgresServer&) = delete;
  OwnPostgresServer& operator=(const OwnPostgresServer&) = delete;

  bool ok() const { return ok_; }
  std::string conninfo() const;
  bool crash() { return script("crash"); }
  bool up() { return script("up"); }
  bool pause() { return script("pause"); }
  bool resume() { return script("resume"); }
  // Runs SQL as the server's owner; the error, or empty.
  std::string run(const std::string& sql) const;

 private:
  bool script(const char* command) const;
  std::filesystem::path state_;
  bool ok_ = false;
};

}  // namespace tarnix::testing
