#pragma once

#include <cstdint>
#include <stop_token>
#include <string>

#include "generator/run_report.h"
#include "platform/toolkit/progress_bar.h"

namespace tarnix {

// One generator run, on a thread of its own: reads the request text, connects a queue manager
// connection of its own, prepares the content (random digits, the lines of a file, or copies of
// another queue's messages), puts the requested number of messages with the request's
// descriptor options, pausing between them, and moves `progress` as it goes. A failure is a line
// on standard output and in `report`, and ends the run: what the run opened is closed, its
// connection disconnected, and the bar set back to 0 unless a put failed (the bar then shows how
// many were put). No failure of a run ends the program.
//
// A stop request (from the window, or the window closing) wakes a pause and ends the run before
// its next put. Gives the reason of a failed connect, else the success of the final disconnect
// (1 or 0); 0 when the source cannot be used, when the random length is one the queue manager
// would refuse, and when the run runs out of memory.
std::int32_t runGenerator(const std::string& request, const tk::ProgressBar& progress,
                          std::stop_token stop, RunReport* report = nullptr);

// Waits `milliseconds`, or less when a stop is requested.
void pauseMillis(std::int32_t milliseconds, std::stop_token stop);

}  // namespace tarnix
