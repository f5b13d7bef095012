#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <stop_token>
#include <thread>
#include <vector>

namespace tk {

// The worker threads of one window. A window stays open all day, so the threads that have
// finished are joined whenever the next one starts. Nothing a worker throws leaves its thread.
class WorkerSet {
 public:
  // Called on a worker thread as its very last act, after its finished flag is set.
  using FinishedHook = std::function<void()>;

  explicit WorkerSet(FinishedHook onFinished = {}) : onFinished_(std::move(onFinished)) {}
  ~WorkerSet() { joinAll(); }
  WorkerSet(const WorkerSet&) = delete;
  WorkerSet& operator=(const WorkerSet&) = delete;

  // False when the thread could not be started.
  bool start(std::function<void(std::stop_token)> work);
  void requestStop();
  // Joins every worker. `join` may serve the user-interface thread's duties while it waits; when
  // it gives up on a worker (false), that worker is left to end on its own and counts among the
  // strays until it does.
  using Join = std::function<bool(std::jthread& thread, const std::atomic<bool>& finished)>;
  void joinAll(const Join& join = {});
  std::size_t size() const { return workers_.size(); }

  // Workers of any window that a join gave up on and that have not ended yet. A process that
  // ends with strays must end at once: they may still be using what it would destroy.
  static std::size_t strays();

 private:
  // 0 running, 1 finished, 2 left to end on its own.
  struct State {
    std::atomic<bool> finished = false;
    std::atomic<int> phase = 0;
  };
  struct Worker {
    std::shared_ptr<State> state;
    std::jthread thread;
  };
  void reapFinished();

  FinishedHook onFinished_;
  std::vector<Worker> workers_;
};

}  // namespace tk
