#include "platform/messaging/test_seams.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <utility>

#include "platform/messaging/store/seam_calls.h"

namespace kx {
namespace {

// Each seam is a flag read on every operation and the function behind it, copied out under the
// mutex only when the flag is up, so a hook may be replaced while other threads use the store.
template <typename Function>
class Seam {
 public:
  void set(Function function) {
    std::lock_guard lock(mutex_);
    function_ = std::make_shared<Function>(std::move(function));
    isSet_.store(static_cast<bool>(*function_), std::memory_order_relaxed);
  }
  std::shared_ptr<Function> get() const {
    if (!isSet_.load(std::memory_order_relaxed)) return nullptr;
    std::lock_guard lock(mutex_);
    return function_ && *function_ ? function_ : nullptr;
  }

 private:
  std::atomic<bool> isSet_{false};
  mutable std::mutex mutex_;
  std::shared_ptr<Function> function_;
};

Seam<Clock>& clockSeam() {
  static Seam<Clock> seam;
  return seam;
}
Seam<TraceHook>& traceSeam() {
  static Seam<TraceHook> seam;
  return seam;
}
Seam<FaultHook>& faultSeam() {
  static Seam<FaultHook> seam;
  return seam;
}
Seam<CommitHook>& commitSeam() {
  static Seam<CommitHook> seam;
  return seam;
}

}  // namespace

void setClock(Clock clock) { clockSeam().set(std::move(clock)); }

std::chrono::system_clock::time_point now() {
  if (auto clock = clockSeam().get()) return (*clock)();
  return std::chrono::system_clock::now();
}

void setTraceHook(TraceHook hook) { traceSeam().set(std::move(hook)); }

void setFaultHook(FaultHook hook) { faultSeam().set(std::move(hook)); }

void setCommitHook(CommitHook hook) { commitSeam().set(std::move(hook)); }

namespace seam {

void trace(TraceEvent event, const void* object, std::string_view name) {
  // Called from destructors too: nothing a hook throws may leave here.
  try {
    if (auto hook = traceSeam().get()) (*hook)(event, object, name);
  } catch (...) {
  }
}

std::int64_t nowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(now().time_since_epoch()).count();
}

ReasonCode fault(std::string_view queueName, std::string_view operation) {
  if (auto hook = faultSeam().get()) return (*hook)(queueName, operation);
  return reason::kNone;
}

void beforeCommit(std::string_view operation) {
  if (auto hook = commitSeam().get()) (*hook)(operation);
}

}  // namespace seam
}  // namespace kx
