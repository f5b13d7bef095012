#include "tests/messaging/child_process.h"

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <csignal>
#include <mutex>
#include <thread>

extern char** environ;

namespace kx::testing {

ChildProcess::ChildProcess(const std::vector<std::string>& args)
    : ChildProcess(KX_STORE_WORKER, args, false) {}

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& args,
                           bool withStandardError) {
  int fds[2];
  if (::pipe(fds) != 0) return;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
  if (withStandardError) posix_spawn_file_actions_adddup2(&actions, fds[1], STDERR_FILENO);
  posix_spawn_file_actions_addclose(&actions, fds[0]);
  posix_spawn_file_actions_addclose(&actions, fds[1]);
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  if (posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ) != 0) {
    pid_ = -1;
  }
  posix_spawn_file_actions_destroy(&actions);
  ::close(fds[1]);
  out_ = fds[0];
}

ChildProcess::~ChildProcess() {
  if (pid_ > 0) {
    ::kill(pid_, SIGKILL);
    wait();
  }
  if (out_ >= 0) ::close(out_);
}

bool ChildProcess::readLine(std::string& line) {
  for (;;) {
    if (const auto end = buffered_.find('\n'); end != std::string::npos) {
      line = buffered_.substr(0, end);
      buffered_.erase(0, end + 1);
      return true;
    }
    char chunk[4096];
    const ssize_t got = ::read(out_, chunk, sizeof chunk);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;  // a partial last line (the child was killed mid-write) is dropped
    buffered_.append(chunk, static_cast<std::size_t>(got));
  }
}

void ChildProcess::kill(int signal) {
  if (pid_ > 0) ::kill(pid_, signal);
}

int ChildProcess::wait(long* maxResidentKb) {
  int status = -1;
  if (pid_ > 0) {
    rusage usage{};
    while (::wait4(pid_, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    if (maxResidentKb != nullptr) *maxResidentKb = usage.ru_maxrss;
    pid_ = -1;
  }
  return status;
}

KxadminRun runKxadmin(const std::vector<std::string>& args, std::chrono::seconds limit) {
  KxadminRun run;
  ChildProcess child(KXADMIN, args, true);
  std::mutex mutex;
  std::condition_variable ended;
  bool done = false;
  std::thread watchdog;
  if (limit > std::chrono::seconds::zero()) {
    watchdog = std::thread([&] {
      std::unique_lock lock(mutex);
      if (!ended.wait_for(lock, limit, [&] { return done; })) child.kill(SIGKILL);
    });
  }
  std::string line;
  while (child.readLine(line)) run.output += line + "\n";
  {
    const std::lock_guard lock(mutex);
    done = true;
  }
  ended.notify_one();
  if (watchdog.joinable()) watchdog.join();
  const int status = child.wait(&run.maxResidentKb);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return run;
}

}  // namespace kx::testing
