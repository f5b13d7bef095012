#pragma once

#include <CLI/CLI.hpp>

namespace kxadmin {

// define, alter, queues, purge. Each sets `status` when it runs.
void addQueueCommands(CLI::App& app, int& status);

}  // namespace kxadmin
