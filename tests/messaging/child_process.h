#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace kx::testing {

// A child process started from the store worker executable, its standard output read by lines.
class ChildProcess {
 public:
  explicit ChildProcess(const std::vector<std::string>& args);
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // The next line of output; false at the end of the output.
  bool readLine(std::string& line);
  void kill(int signal);
  // The wait status of the ended child.
  int wait();

 private:
  pid_t pid_ = -1;
  int out_ = -1;
  std::string buffered_;
};

}  // namespace kx::testing
