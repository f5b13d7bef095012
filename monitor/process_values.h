#pragma once

#include <cstdint>
#include <string>

#include "platform/toolkit/progress_bar.h"

namespace tarnix {

// The values that exist once per process, outside the monitor window: the application owns them
// and the window, the settings file and the generator share them.
struct ProcessValues {
  std::int32_t refreshIntervalMs = 1000;  // normal period of the depth poll
  std::int32_t reconnectCount = 0;        // failed reconnects of the current outage; 0: none
  std::int32_t errorBlankCounter = 0;     // ticks since the error boxes were last blanked, 0..5
  bool initDone = false;                  // the window's initialisation has ended
  std::string retryLabel;                 // "R" and the reconnect count, shown in slot 0
  tk::ProgressBar generatorProgressBar;   // the window's progress bar, for the generator
};

}  // namespace tarnix
