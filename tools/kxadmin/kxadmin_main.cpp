#include <CLI/CLI.hpp>
#include <exception>
#include <iostream>
#include <new>

#include "tools/kxadmin/manager_commands.h"
#include "tools/kxadmin/message_commands.h"
#include "tools/kxadmin/queue_commands.h"
#include "tools/kxadmin/report.h"

namespace {

int runCommand(int argc, char** argv) {
  CLI::App app{"Administer the queue managers of the embedded KX store (in $KX_DATA_DIR)",
               "kxadmin"};
  app.require_subcommand(1, 1);
  app.set_version_flag("--version", std::string("kxadmin ") + KXADMIN_VERSION);
  int status = kxadmin::kExitOk;
  kxadmin::addManagerCommands(app, status);
  kxadmin::addQueueCommands(app, status);
  kxadmin::addMessageCommands(app, status);
  // A command that does not exist is named as such, before anything else is looked at.
  const auto named = [&](const CLI::App* command) { return command->check_name(argv[1]); };
  if (argc > 1 && argv[1][0] != '-' && app.get_subcommands(named).empty()) {
    std::cerr << "kxadmin: unknown command '" << kxadmin::printable(argv[1], 64)
              << "'; 'kxadmin --help' lists the commands\n";
    return kxadmin::kExitUsage;
  }
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& help) {
    return app.exit(help);
  } catch (const CLI::CallForAllHelp& help) {
    return app.exit(help);
  } catch (const CLI::ParseError& error) {
    // --version ends here too, successfully.
    return app.exit(error) == 0 ? kxadmin::kExitOk : kxadmin::kExitUsage;
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
    return kxadmin::kExitFailed;
  }
}
