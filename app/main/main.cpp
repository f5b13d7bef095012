// tarnix: the queue monitor. Reads its options, then wires the Qt backend to the application.
#include <iostream>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/monitor_app.h"
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
  if (line.action == tarnix::CommandLine::Action::Choose) {
    return app.runChooser(line.arguments, line.notify);
  }
  if (line.action == tarnix::CommandLine::Action::Demo) {
    return app.runDemo(line.arguments.front(), line.notify);
  }
  return app.run(line.arguments, line.notify);
}
