#pragma once

#include <CLI/CLI.hpp>

namespace kxadmin {

// create, delete, start, stop, list, default. Each sets `status` when it runs.
void addManagerCommands(CLI::App& app, int& status);

}  // namespace kxadmin
