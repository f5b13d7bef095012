#include "platform/toolkit/worker_set.h"

#include <algorithm>
#include <system_error>

namespace tk {
namespace {

// Sets the flag when the work ends, however it ends.
struct FinishedGuard {
  std::atomic<bool>& finished;
  const WorkerSet::FinishedHook& onFinished;
  ~FinishedGuard() {
    finished = true;
    if (onFinished) onFinished();
  }
};

}  // namespace

bool WorkerSet::start(std::function<void(std::stop_token)> work) {
  reapFinished();
  auto finished = std::make_shared<std::atomic<bool>>(false);
  try {
    workers_.push_back(Worker{finished, std::jthread([work = std::move(work), finished,
                                                      &hook = onFinished_](std::stop_token stop) {
                                FinishedGuard guard{*finished, hook};
                                try {
                                  work(std::move(stop));
                                } catch (...) {
                                  // The thread's boundary: what the work did not handle ends the
                                  // work, not the program.
                                }
                              })});
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
    if (join) {
      join(worker.thread, *worker.finished);
    } else if (worker.thread.joinable()) {
      worker.thread.join();
    }
  }
  workers_.clear();
}

void WorkerSet::reapFinished() {
  std::erase_if(workers_, [](Worker& worker) {
    if (!*worker.finished) return false;
    worker.thread.join();  // returns at once: the work is over
    return true;
  });
}

}  // namespace tk
