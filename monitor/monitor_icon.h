#pragma once

#include "platform/toolkit/icon.h"

namespace tarnix {

// The application icon: a 32x32 and a 16x16 image of a queue gauge.
struct MonitorIcon {
  tk::Icon large;
  tk::Icon small;
};
const MonitorIcon& monitorIcon();

}  // namespace tarnix
