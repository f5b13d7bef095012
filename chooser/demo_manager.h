#pragma once

#include <string>
#include <vector>

#include "platform/messaging/store_admin.h"

namespace tarnix {

// The demo queue manager of the embedded store: a few queues, one of them an alias, and some
// messages, with its orders above the monitor's warning mark so that their row shows red.
inline constexpr const char* kDemoManager = "DEMO";

// The demo's queues in the order the monitor shows them.
std::vector<std::string> demoQueues();

// Makes the demo queue manager in the data directory when there is none of its name yet, and
// starts it when it is stopped. `made` says whether it was made now. A make that fails part way
// removes what it made, and says so.
kx::admin::Status prepareDemo(bool& made);

}  // namespace tarnix
