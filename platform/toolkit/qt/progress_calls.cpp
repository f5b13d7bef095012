#include "platform/toolkit/qt/progress_calls.h"

#include <QCoreApplication>
#include <condition_variable>
#include <deque>
#include <mutex>

namespace tk {
namespace {

std::mutex callsMutex;
std::condition_variable callsChanged;

std::deque<std::function<void()>>& queuedCalls() {
  static std::deque<std::function<void()>> calls;
  return calls;
}

}  // namespace

void postProgressCall(std::function<void()> call) {
  {
    std::lock_guard lock(callsMutex);
    queuedCalls().push_back(std::move(call));
  }
  callsChanged.notify_all();
  // The application object outlives every window, so the wake-up always has a receiver.
  QMetaObject::invokeMethod(QCoreApplication::instance(), &runProgressCalls, Qt::QueuedConnection);
}

void runProgressCalls() {
  for (;;) {
    std::function<void()> call;
    {
      std::lock_guard lock(callsMutex);
      if (queuedCalls().empty()) return;
      call = std::move(queuedCalls().front());
      queuedCalls().pop_front();
    }
    call();
  }
}

void announceWorkerFinished() {
  // Under the lock, so that a window between its check and its wait cannot miss it.
  std::lock_guard lock(callsMutex);
  callsChanged.notify_all();
}

bool joinServingProgressCalls(std::jthread& worker, const std::atomic<bool>& finished,
                              std::chrono::steady_clock::time_point deadline) {
  for (;;) {
    runProgressCalls();
    std::unique_lock lock(callsMutex);
    const bool woken = callsChanged.wait_until(
        lock, deadline, [&] { return finished.load() || !queuedCalls().empty(); });
    if (finished.load()) break;
    if (!woken) return false;
  }
  worker.join();
  return true;
}

}  // namespace tk
