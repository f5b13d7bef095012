#pragma once

#include <CLI/CLI.hpp>

namespace kxadmin {

// put, browse, get: through the client classes, so the queue manager must be running.
void addMessageCommands(CLI::App& app, int& status);

}  // namespace kxadmin
