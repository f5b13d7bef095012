#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "monitor/monitor_controls.h"
#include "platform/messaging/reason_codes.h"

namespace tarnix {

// Desktop notes of what the depth poll sees, for an operator whose window is hidden: a queue
// going over its warning mark, coming back within it, and the queue manager lost and back.
// Notes are spaced so that a queue hovering at its mark does not flood the desktop:
//   - "over" is noted at most once a minute per queue; an alarm that lasts is noted once the
//     minute has passed;
//   - "back within" is noted after an "over" note, once the queue has stayed within for two
//     ticks running;
//   - "lost" is noted once an outage outlasts its first reconnect, "back" when depths show again.
class DepthAlerts {
 public:
  using Clock = std::chrono::steady_clock;
  using Send = std::function<void(const std::string& summary, const std::string& body)>;

  static constexpr Clock::duration kOverSpacing = std::chrono::minutes(1);
  static constexpr int kTicksWithinBeforeNote = 2;

  DepthAlerts(std::string managerName, Send send);

  // A tick that read the slot's depth: over its mark or within it.
  void queueRead(int slot, std::string_view queue, bool over, std::int32_t depth,
                 std::int32_t maxDepth, Clock::time_point now);
  // A reconnect failed; `reason` is what the depth query said.
  void reconnectFailed(kx::ReasonCode reason);
  // The queue manager answered: a reconnect succeeded, or a tick read slot 0 without losing it.
  void managerAnswered();

 private:
  struct QueueState {
    bool notedOver = false;  // the last note said "over"
    std::optional<Clock::time_point> lastOverNote;
    int ticksWithin = 0;
  };

  std::string manager_;
  Send send_;
  std::array<QueueState, kSlotCount> queues_;
  bool notedLost_ = false;
};

}  // namespace tarnix
