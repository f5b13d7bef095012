#include "app/command_line.h"

#include "platform/messaging/names.h"

#ifndef TARNIX_VERSION
#error "the build names the version"
#endif

namespace tarnix {

const char* const kVersion = TARNIX_VERSION;

namespace {

// --history QMGR QUEUE --csv: both names, each a name the store could hold.
std::string historyRefusal(const CommandLine& line, bool csv) {
  if (!csv) return "--history prints the kept points as CSV: give --csv";
  if (line.arguments.size() != 3) return "--history takes the names of a queue manager and a queue";
  if (kx::validateName(line.arguments[1], kx::NameKind::QueueManager) != kx::reason::kNone) {
    return "--history: " + kx::quotedName(line.arguments[1]) + " is not a queue manager's name";
  }
  if (kx::validateName(line.arguments[2], kx::NameKind::Queue) != kx::reason::kNone) {
    return "--history: " + kx::quotedName(line.arguments[2]) + " is not a queue's name";
  }
  return {};
}

}  // namespace

CommandLine parseCommandLine(const std::vector<std::string>& argv) {
  CommandLine line;
  bool csv = false;
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
    } else if (argument == "--csv") {
      csv = true;
    } else if (argument == "--choose" || argument == "--demo" || argument == "--history") {
      const auto action = argument == "--choose" ? CommandLine::Action::Choose
                          : argument == "--demo" ? CommandLine::Action::Demo
                                                 : CommandLine::Action::History;
      if (line.action != CommandLine::Action::Run && line.action != action) {
        line.action = CommandLine::Action::Refuse;
        line.refusal = "--choose, --demo and --history cannot be given together";
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
  } else if (line.action == CommandLine::Action::History) {
    line.refusal = historyRefusal(line, csv);
    if (!line.refusal.empty()) line.action = CommandLine::Action::Refuse;
  } else if (csv) {
    line.action = CommandLine::Action::Refuse;
    line.refusal = "--csv goes with --history";
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
         "       " +
         name +
         " --history QMGR QUEUE --csv\n"
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
         "  --history QMGR QUEUE --csv\n"
         "              print the depth history the monitor kept of QUEUE (the last 24 hours)\n"
         "              as CSV: time (ISO 8601, UTC), depth, max_depth; a tick that could not\n"
         "              read the depth has both numbers empty. Nothing kept: the header only\n"
         "  --help      show this text and exit\n"
         "  --version   show the version and exit\n"
         "\n"
         "Queue managers and queues are made with kxadmin (kxadmin --help). Settings are read\n"
         "from tarnix.ini in the working directory, if there is one. The depth history is kept\n"
         "in $XDG_STATE_HOME/tarnix (by default ~/.local/state/tarnix); a double click on a\n"
         "depth box shows it as a chart.\n";
}

}  // namespace tarnix
