// tarnix: the queue monitor. Wires the Qt backend to the application.
#include <string>
#include <vector>

#include "app/monitor_app.h"
#include "platform/toolkit/qt/qt_toolkit.h"

int main(int argc, char** argv) {
  tk::QtToolkit toolkit(argc, argv);  // takes the window system's own arguments out of argv
  tarnix::MonitorApp app(toolkit);
  return app.run(std::vector<std::string>(argv, argv + argc));
}
