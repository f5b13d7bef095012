#include "platform/history/state_location.h"

#include <cstdlib>
#include <string>

namespace tarnix {

std::filesystem::path stateFolder() {
  const char* state = std::getenv("XDG_STATE_HOME");
  if (state != nullptr && std::filesystem::path(state).is_absolute()) {
    return std::filesystem::path(state) / "tarnix";
  }
  const char* home = std::getenv("HOME");
  const std::filesystem::path base = home != nullptr && *home != '\0' ? home : ".";
  return base / ".local" / "state" / "tarnix";
}

std::filesystem::path historyFile() { return stateFolder() / "depth-history.sqlite"; }

}  // namespace tarnix
