#include "app/command_line.h"

#ifndef TARNIX_VERSION
#error "the build names the version"
#endif

namespace tarnix {

const char* const kVersion = TARNIX_VERSION;

CommandLine parseCommandLine(const std::vector<std::string>& argv) {
  CommandLine line;
  line.arguments.push_back(argv.empty() ? std::string("tarnix") : argv.front());
  for (std::size_t i = 1; i < argv.size(); ++i) {
    const std::string& argument = argv[i];
    if (argument.empty() || argument.front() != '-') {
      line.arguments.push_back(argument);
    } else if (argument == "--help" || argument == "-h") {
      line.action = CommandLine::Action::Help;
      return line;
    } else if (argument == "--version") {
      line.action = CommandLine::Action::Version;
      return line;
    } else if (argument == "--notify") {
      line.notify = true;
    } else if (argument == "--choose" || argument == "--demo") {
      const auto action =
          argument == "--choose" ? CommandLine::Action::Choose : CommandLine::Action::Demo;
      if (line.action != CommandLine::Action::Run && line.action != action) {
        line.action = CommandLine::Action::Refuse;
        line.refusal = "--choose and --demo cannot be given together";
        return line;
      }
      line.action = action;
    } else {
      line.action = CommandLine::Action::Refuse;
      line.refusal = "unknown option '" + argument + "'";
      return line;
    }
  }
  // The chooser takes at most a queue manager's name, the demo none: the queues are chosen there.
  const std::size_t names = line.arguments.size() - 1;
  if (line.action == CommandLine::Action::Choose && names > 1) {
    line.action = CommandLine::Action::Refuse;
    line.refusal =
        "--choose takes at most the name of a queue manager; the queues are ticked in "
        "the chooser";
  } else if (line.action == CommandLine::Action::Demo && names > 0) {
    line.action = CommandLine::Action::Refuse;
    line.refusal = "--demo takes no names: it watches the demo queue manager's queues";
  }
  return line;
}

std::string usageText(std::string_view program) {
  const std::string_view base = program.substr(program.rfind('/') + 1);
  const std::string name(base.empty() ? "tarnix" : base);
  return "Usage: " + name +
         " [--notify] QMGR QUEUE [QUEUE ...]\n"
         "       " +
         name +
         " [--notify] --choose [QMGR]\n"
         "       " +
         name +
         " [--notify] --demo\n"
         "Watches the depth of up to five queues of one queue manager in a small window that\n"
         "stays on top. QMGR \"\" means the default queue manager.\n"
         "\n"
         "  --choose    first open a window that lists the queue managers and their queues\n"
         "              (QMGR selected, else the last choice): tick up to five and press\n"
         "              Monitor; the last choice is offered first next time\n"
         "  --demo      make the demo queue manager DEMO on first use (started if stopped)\n"
         "              and watch its queues\n"
         "  --notify    also send a desktop notification when a queue goes over its warning\n"
         "              mark or back within it, and when the queue manager is lost or back\n"
         "  --help      show this text and exit\n"
         "  --version   show the version and exit\n"
         "\n"
         "Queue managers and queues are made with kxadmin (kxadmin --help). Settings are read\n"
         "from tarnix.ini in the working directory, if there is one.\n";
}

}  // namespace tarnix
