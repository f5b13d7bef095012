#include "platform/toolkit/worker_set.h"

#include <algorithm>
#include <system_error>

namespace tk {
namespace {

constexpr int kRunning = 0;
constexpr int kFinished = 1;
constexpr int kStray = 2;

std::atomic<std::size_t> strayCount = 0;

}  // namespace

bool WorkerSet::start(std::function<void(std::stop_token)> work) {
  reapFinished();
  auto state = std::make_shared<State>();
  // The thread keeps what it uses by value: a worker left to end on its own outlives this set.
  auto body = [work = std::move(work), state, hook = onFinished_](std::stop_token stop) {
    try {
      work(std::move(stop));
    } catch (...) {
      // The thread's boundary: what the work did not handle ends the work, not the program.
    }
    state->finished = true;
    int running = kRunning;
    if (!state->phase.compare_exchange_strong(running, kFinished)) --strayCount;
    if (hook) hook();
  };
  try {
    workers_.push_back(Worker{state, std::jthread(std::move(body))});
  } catch (const std::system_error&) {
    return false;
  }
  return true;
}

void WorkerSet::requestStop() {
  for (Worker& worker : workers_) worker.thread.request_stop();
}

void WorkerSet::joinAll(const Join& join) {
  for (Worker& worker : workers_) {
    if (!worker.thread.joinable()) continue;
    if (!join || join(worker.thread, worker.state->finished)) {
      if (worker.thread.joinable()) worker.thread.join();
      continue;
    }
    // Counted before the thread can see it, so that the count never drops below zero.
    ++strayCount;
    int running = kRunning;
    if (worker.state->phase.compare_exchange_strong(running, kStray)) {
      worker.thread.detach();
    } else {
      --strayCount;  // it ended meanwhile
      worker.thread.join();
    }
  }
  workers_.clear();
}

std::size_t WorkerSet::strays() { return strayCount.load(); }

void WorkerSet::reapFinished() {
  std::erase_if(workers_, [](Worker& worker) {
    if (!worker.state->finished) return false;
    worker.thread.join();  // returns at once: the work is over
    return true;
  });
}

}  // namespace tk
