#pragma once

#include "platform/messaging/reason_codes.h"
#include "platform/messaging/store/internal.h"

namespace kx {

// Why an attempt at a store operation has to be made again.
enum class Retry {
  kNo,
  kDefinitionsChanged,  // the queue definitions changed under the connection's cache
  kAtFullSync,          // a get met a persistent message while committing at NORMAL
  kReserveReleased,     // the disk was full and the store's reserve has been given back
  kAfterCrash,          // the store discarded what a crash of its server may have brought back
};

// What one step of an attempt came to: a reason (kNone: go on), or that the attempt must start
// again. Only runAttempts turns a step into the reason a caller sees, so a retry can never reach
// a caller as if it were a reason code.
class Step {
 public:
  Step(ReasonCode why = reason::kNone) : reason_(why) {}  // NOLINT(google-explicit-constructor)
  static Step again(Retry why) {
    Step step;
    step.retry_ = why;
    return step;
  }

  // Neither a failure nor a retry: the attempt goes on.
  bool ok() const { return retry_ == Retry::kNo && reason_ == reason::kNone; }
  Retry retry() const { return retry_; }
  ReasonCode reason() const { return reason_; }

 private:
  ReasonCode reason_ = reason::kNone;
  Retry retry_ = Retry::kNo;
};

// How often an operation is tried before it gives up with kStoreBusy: definitions that keep
// changing under it, or a store that keeps filling up.
inline constexpr int kMaxAttempts = 8;

// Runs `attempt` until it ends with a reason; before each new attempt `prepare(retry)` readies
// the connection for it. After kMaxAttempts the operation gives up with kStoreBusy.
template <typename Attempt, typename Prepare>
ReasonCode runAttempts(Attempt&& attempt, Prepare&& prepare) {
  for (int count = 0; count < kMaxAttempts; ++count) {
    const Step step = attempt();
    if (step.retry() == Retry::kNo) return step.reason();
    prepare(step.retry());
  }
  return reason::kStoreBusy;
}

template <typename Attempt>
ReasonCode runAttempts(Attempt&& attempt) {
  return runAttempts(attempt, [](Retry) {});
}

}  // namespace kx
