#pragma once

#include <CLI/CLI.hpp>

namespace kxadmin {

// export and import: a queue's messages out to JSON Lines and back, with every descriptor field.
void addTransferCommands(CLI::App& app, int& status);

}  // namespace kxadmin
