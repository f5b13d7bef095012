#pragma once

#include <atomic>
#include <cstdint>
#include <string>

namespace tarnix {

// What the window learns of a generator run: how far it has got while it goes, and the lines it
// ended on. The run sets `count` and `putting` as it goes and `ended` as its last act; it writes
// `failure` only before that, so the window reads it once the run has ended.
struct RunReport {
  std::string target;                     // the queue the run puts onto, set before it starts
  std::atomic<std::int32_t> count = 0;    // messages the run is to put
  std::atomic<std::int32_t> putting = 0;  // the number of the message being put, from 1
  std::atomic<bool> ended = false;
  std::string failure;  // what the run printed when it ended on a failure, without line ends
};

}  // namespace tarnix
