#include <CLI/CLI.hpp>
#include <exception>
#include <iostream>
#include <new>

#include "tools/kxadmin/manager_commands.h"
#include "tools/kxadmin/message_commands.h"
#include "tools/kxadmin/queue_commands.h"
#include "tools/kxadmin/report.h"
#include "tools/kxadmin/transfer_commands.h"

namespace {

// Where the queue managers are, and what chose that folder, for the end of --help.
std::string dataDirectoryFooter() {
  std::string origin;
  const std::string directory = kx::admin::dataDirectory(&origin).string();
  return "Data directory: " + directory + " (from " + origin +
         "; KX_DATA_DIR, else XDG_DATA_HOME/kx, else ~/.local/share/kx)";
}

int runCommand(int argc, char** argv) {
  CLI::App app{"Administer the queue managers of the embedded KX store", "kxadmin"};
  app.footer(dataDirectoryFooter());
  app.require_subcommand(1, 1);
  app.set_version_flag("--version", std::string("kxadmin ") + KXADMIN_VERSION);
  int status = rt::kExitNormal;
  kxadmin::addManagerCommands(app, status);
  kxadmin::addQueueCommands(app, status);
  kxadmin::addMessageCommands(app, status);
  kxadmin::addTransferCommands(app, status);
  // A command that does not exist is named as such, before anything else is looked at.
  const auto named = [&](const CLI::App* command) { return command->check_name(argv[1]); };
  const bool command = argc > 1 && argv[1][0] != '-';
  if (command && app.get_subcommands(named).empty()) {
    return kxadmin::usage("unknown command '" + kxadmin::printable(argv[1], 64) +
                          "'; 'kxadmin --help' lists the commands");
  }
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& help) {
    return app.exit(help);
  } catch (const CLI::CallForAllHelp& help) {
    return app.exit(help);
  } catch (const CLI::ParseError& error) {
    // --version ends here too, successfully.
    if (error.get_exit_code() == static_cast<int>(CLI::ExitCodes::Success)) return app.exit(error);
    // The parser's own words, in the line every other mistake gets.
    const std::string help =
        command ? std::string("'kxadmin ") + argv[1] + " --help'" : std::string("'kxadmin --help'");
    return kxadmin::usage(std::string(error.what()) + "; nothing was done (" + help +
                          " lists what it takes)");
  } catch (const std::bad_alloc&) {
    return kxadmin::fail(kx::reason::kResourceProblem, "out of memory; the command stopped there");
  } catch (const std::exception& error) {
    // Whatever a command meets, the operator gets one line and a failure status, never an abort.
    return kxadmin::fail(kx::reason::kInternalError,
                         std::string(error.what()) + "; the command stopped there");
  }
  return status;
}

}  // namespace

// Administration of the embedded queue-manager store: see README.md beside this file.
int main(int argc, char** argv) {
  try {
    return runCommand(argc, argv);
  } catch (...) {
    // Even what the command line's own setting up throws ends in one line, never an abort.
    std::cerr << "kxadmin: an unexpected error; nothing more was done\n";
    return rt::kExitFailure;
  }
}
