#pragma once

#include <string>
#include <vector>

#include "history/depth_history.h"
#include "history/history_windows.h"
#include "platform/runtime/exit_status.h"
#include "platform/toolkit/toolkit.h"

namespace tarnix {

// The application: the process-wide objects, the command line, and the modal run of the monitor
// window. The program lives exactly as long as that window.
class MonitorApp {
 public:
  // The application over `toolkit`. Each generator run makes a queue-manager connection of its
  // own, so that two runs never share one.
  explicit MonitorApp(tk::Toolkit& toolkit);
  // The monitor keeps its depths in `history` and shows them in `windows`, which close with it.
  void keepHistory(DepthHistory* history, HistoryWindows* windows) {
    history_ = history;
    historyWindows_ = windows;
  }

  // Start-up: `arguments` as the host split them, the program's own name first, options left
  // out. With `notify`, alarms and outages also go to the desktop's notifications. Gives the
  // exit status after the window closes; a refusal ends the process from within.
  int run(const std::vector<std::string>& arguments, bool notify = false);
  // The chooser first, then the monitor on the queues chosen there, as run() would start it with
  // their names. `arguments`: the program's name, then the queue manager to select if one was
  // named. Cancel ends with the normal status, no monitor shown.
  int runChooser(const std::vector<std::string>& arguments, bool notify = false);
  // Makes the demo queue manager on first use (starts it when stopped), then monitors its queues.
  int runDemo(const std::string& program, bool notify = false);

 private:
  tk::Toolkit& toolkit_;
  DepthHistory* history_ = nullptr;
  HistoryWindows* historyWindows_ = nullptr;
};

}  // namespace tarnix
