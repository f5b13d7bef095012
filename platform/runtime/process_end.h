#pragma once

#include <functional>
#include <stdexcept>

namespace rt {

// Thrown by endProcess when a test has replaced the ending and its replacement returned, so that
// nothing after the call runs, as nothing would after a real exit.
struct ProcessEnded : std::runtime_error {
  explicit ProcessEnded(int exitStatus)
      : std::runtime_error("process ended"), status(exitStatus) {}
  int status;
};

// Ends the process at once with `status`, after flushing standard output. Every deliberate end of
// the process goes through here.
[[noreturn]] void endProcess(int status);

// Replaces what endProcess does (for tests); an empty function restores the real exit.
void setProcessEnder(std::function<void(int status)> ender);

}  // namespace rt
