#pragma once

#include <unistd.h>

#include <cstdlib>
#include <string>

namespace tarnix::testing {

// Writes `line` and a newline to standard output in as few writes as the pipe takes, so that a
// worker killed at any moment leaves whole lines for its parent to count; ends the process when
// the parent is gone.
inline void reportLine(const std::string& line) {
  const std::string whole = line + "\n";
  std::size_t done = 0;
  while (done < whole.size()) {
    const ssize_t wrote = ::write(STDOUT_FILENO, whole.data() + done, whole.size() - done);
    if (wrote <= 0) std::_Exit(3);
    done += static_cast<std::size_t>(wrote);
  }
}

}  // namespace tarnix::testing
