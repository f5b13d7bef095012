#include "monitor/depth_alerts.h"

#include <utility>

namespace tarnix {

DepthAlerts::DepthAlerts(std::string managerName, Send send)
    : manager_(std::move(managerName)), send_(std::move(send)) {}

void DepthAlerts::queueRead(int slot, std::string_view queue, bool over, std::int32_t depth,
                            std::int32_t maxDepth, Clock::time_point now) {
  QueueState& q = queues_[static_cast<std::size_t>(slot)];
  const std::string where = manager_ + ": " + std::string(queue);
  const std::string figures =
      "Depth " + std::to_string(depth) + " of at most " + std::to_string(maxDepth) + ".";
  if (over) {
    q.ticksWithin = 0;
    if (q.notedOver || (q.lastOverNote && now - *q.lastOverNote < kOverSpacing)) return;
    q.notedOver = true;
    q.lastOverNote = now;
    send_(where + " is over its warning mark", figures);
    return;
  }
  ++q.ticksWithin;
  if (q.notedOver && q.ticksWithin >= kTicksWithinBeforeNote) {
    q.notedOver = false;
    send_(where + " is back within its warning mark", figures);
  }
}

void DepthAlerts::reconnectFailed(kx::ReasonCode reason) {
  if (notedLost_) return;
  notedLost_ = true;
  send_(manager_ + ": queue manager lost", "Reason " + std::to_string(reason) + " (" +
                                               kx::describeReason(reason) +
                                               "). The monitor keeps trying to reconnect.");
}

void DepthAlerts::managerAnswered() {
  if (!notedLost_) return;
  notedLost_ = false;
  send_(manager_ + ": queue manager back", "The monitor is connected again.");
}

}  // namespace tarnix
