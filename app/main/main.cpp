// tarnix: the queue monitor. Reads its options, then wires the Qt backend to the application.
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/history_command.h"
#include "app/monitor_app.h"
#include "history/depth_history.h"
#include "platform/history/history_file.h"
#include "platform/history/state_location.h"
#include "platform/toolkit/qt/history/qt_history_windows.h"
#include "platform/toolkit/qt/qt_toolkit.h"

int main(int argc, char** argv) {
  const tarnix::CommandLine line = tarnix::parseCommandLine({argv, argv + argc});
  switch (line.action) {
    case tarnix::CommandLine::Action::Help:
      std::cout << tarnix::usageText(line.arguments.front());
      return rt::kExitNormal;
    case tarnix::CommandLine::Action::Version:
      std::cout << "tarnix " << tarnix::kVersion << "\n";
      return rt::kExitNormal;
    case tarnix::CommandLine::Action::Refuse:
      std::cerr << "tarnix: " << line.refusal << "\n" << tarnix::usageText(line.arguments.front());
      return rt::kExitUsage;
    case tarnix::CommandLine::Action::History:
      return tarnix::printHistory(tarnix::historyFile(), {line.arguments[1], line.arguments[2]},
                                  tarnix::DepthHistory::systemClock()(), std::cout, std::cerr);
    case tarnix::CommandLine::Action::Run:
    case tarnix::CommandLine::Action::Choose:
    case tarnix::CommandLine::Action::Demo:
      break;
  }
  std::string why;
  if (!tk::QtToolkit::displayReachable(why)) {
    std::cerr << "tarnix: " << why << "\n";
    return rt::kExitFailure;
  }
  tk::QtToolkit toolkit(line.arguments.front());
  tarnix::MonitorApp app(toolkit);
  // A history file that cannot be used never stops the monitor: the history stays in memory.
  const auto reportHistory = [](const std::string& problem) {
    std::cerr << "tarnix: depth history: " << problem << std::endl;
  };
  std::unique_ptr<tarnix::HistoryFile> historyFile =
      tarnix::HistoryFile::open(tarnix::historyFile(), why);
  if (!historyFile) reportHistory(why + "; the depth history is kept in memory only");
  tarnix::DepthHistory history(historyFile.get(), tarnix::DepthHistory::systemClock(),
                               reportHistory);
  tk::QtHistoryWindows historyWindows(history, toolkit.memory());
  app.keepHistory(&history, &historyWindows);
  if (line.action == tarnix::CommandLine::Action::Choose) {
    return app.runChooser(line.arguments, line.notify);
  }
  if (line.action == tarnix::CommandLine::Action::Demo) {
    return app.runDemo(line.arguments.front(), line.notify);
  }
  return app.run(line.arguments, line.notify);
}
