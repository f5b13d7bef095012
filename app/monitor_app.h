#pragma once

#include <string>
#include <vector>

#include "monitor/process_values.h"
#include "platform/messaging/queue_manager.h"
#include "platform/toolkit/toolkit.h"

namespace tarnix {

// The application: the process-wide objects, the command line, and the modal run of the monitor
// window. The program lives exactly as long as that window.
class MonitorApp {
 public:
  // Makes the process-wide objects in order: the application itself, the shared values, and the
  // generator's own queue manager, unnamed and unconnected. They go in the reverse order.
  explicit MonitorApp(tk::Toolkit& toolkit);

  // Start-up: `arguments` as the host split them, the program's own name first. Gives the exit
  // status after the window closes; a refusal ends the process from within.
  int run(const std::vector<std::string>& arguments);

  ProcessValues& process() { return process_; }
  kx::IkxQueueManager& generatorManager() { return generatorManager_; }

 private:
  tk::Toolkit& toolkit_;
  ProcessValues process_;
  kx::IkxQueueManager generatorManager_;
};

// Exit statuses of the process.
inline constexpr int kExitNormal = 0;
inline constexpr int kExitConnectFailed = 1;
inline constexpr int kExitUsage = 2;

}  // namespace tarnix
