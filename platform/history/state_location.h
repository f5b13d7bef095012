#pragma once

#include <filesystem>

namespace tarnix {

// The monitor's state folder: $XDG_STATE_HOME/tarnix, or ~/.local/state/tarnix when that is not
// set (or not an absolute path, which the desktop's rules say to ignore).
std::filesystem::path stateFolder();
// The file that keeps the depth history, in the state folder.
std::filesystem::path historyFile();

}  // namespace tarnix
