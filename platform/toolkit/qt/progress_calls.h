#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

namespace tk {

// Progress-bar calls that worker threads hand to the user-interface thread. They normally run
// from the event loop; a window that joins its workers serves them too, so that a worker waiting
// on any window's progress bar (not only the joining window's own) can always finish.

// From a worker: queues `call` for the user-interface thread.
void postProgressCall(std::function<void()> call);

// On the user-interface thread: runs every queued call.
void runProgressCalls();

// From a worker, as its last act: wakes a window that is joining it.
void announceWorkerFinished();

// On the user-interface thread: serves queued calls until `finished` is set, then joins; gives
// false, without joining, when `deadline` comes first.
bool joinServingProgressCalls(std::jthread& worker, const std::atomic<bool>& finished,
                              std::chrono::steady_clock::time_point deadline);

}  // namespace tk
