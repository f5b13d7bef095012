#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

namespace kx::testing {

// A child process, the store worker unless another program is named, its standard output (and
// with `withStandardError`, its standard error too) read by lines.
class ChildProcess {
 public:
  explicit ChildProcess(const std::vector<std::string>& args);
  ChildProcess(const std::string& program, const std::vector<std::string>& args,
               bool withStandardError);
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // The next line of output; false at the end of the output.
  bool readLine(std::string& line);
  void kill(int signal);
  // The wait status of the ended child; its peak resident memory in KiB when asked for.
  int wait(long* maxResidentKb = nullptr);

 private:
  pid_t pid_ = -1;
  int out_ = -1;
  std::string buffered_;
};

// A run of kxadmin to its end: exit status (128 + signal when killed), what it wrote on standard
// output and standard error, and its peak resident memory. Given a time limit, a run that has not
// ended by then is killed (status 137), so that a command that would block fails its test instead
// of holding it.
struct KxadminRun {
  int status = -1;
  std::string output;
  long maxResidentKb = 0;
};
KxadminRun runKxadmin(const std::vector<std::string>& args,
                      std::chrono::seconds limit = std::chrono::seconds::zero());

}  // namespace kx::testing
