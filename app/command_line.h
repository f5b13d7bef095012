#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tarnix {

// What the command line asks for. Queue-manager and queue names never begin with '-', so any
// argument that does is an option.
struct CommandLine {
  enum class Action { Run, Choose, Demo, History, Help, Version, Refuse };
  // Choose: --choose [QMGR]; Demo: --demo; History: --history QMGR QUEUE --csv
  Action action = Action::Run;
  bool notify = false;                 // --notify: desktop notifications of alarms and outages
  std::vector<std::string> arguments;  // the program's name, then the names, options left out
  std::string refusal;                 // why the line was refused
};

CommandLine parseCommandLine(const std::vector<std::string>& argv);

// The text of --help.
std::string usageText(std::string_view program);
// The version the build names.
extern const char* const kVersion;

}  // namespace tarnix
