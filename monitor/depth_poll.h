#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "history/depth_history.h"
#include "monitor/depth_alerts.h"
#include "monitor/queue_slots.h"
#include "platform/messaging/reason_codes.h"
#include "platform/toolkit/colour.h"
#include "platform/toolkit/window.h"

namespace tarnix {

// Where a slot's depth stands against its warning threshold.
enum class AlarmState : std::int32_t {
  Over = 0,    // more messages than the threshold allows: white on red
  Within = 1,  // at the threshold or under it: blue on green
};

// The depth poll: every tick of the window's timer shows each queue's depth against the warning
// threshold, and a lost queue manager is retried with a wait that grows by a second per failure.
// It owns the timer's period, the rows' alarm states and their colours.
class DepthPoll {
 public:
  // Every slot starts within its threshold.
  DepthPoll(tk::Window& window, QueueSlots& queueSlots);

  // From now on, what the poll sees also goes to the desktop through `send`, named after the
  // queue manager as it answered.
  void sendAlerts(DepthAlerts::Send send);
  // From now on, every tick's depths also go to `history`, keyed by `manager` and the queue
  // names, with the rows a tick could not read as gaps.
  void keepHistory(DepthHistory& history, std::string manager);
  // Starts the timer at the normal period.
  void startTimer() { restartTimer(refreshIntervalMs_); }
  // The boxes the poll reads, at their defaults: % Warning 80 and the normal period in seconds.
  void showDefaults();
  // What the settings file presets: the % Warning box, and the refresh rate in seconds, which
  // the box shows and the timer runs at.
  void presetWarningPercent(std::uint32_t percent);
  void presetRefreshRate(std::int32_t seconds);

  // One tick: every used row's depth, its alarm state, the reconnect back-off, the error boxes'
  // blanking and the spin's range.
  void pollDepths();
  // The Refresh rate box changed: its seconds become the normal period at once, cutting short a
  // back-off's wait while its count stays.
  void changeRefreshRate();
  // The colour query: depth boxes by their slot's alarm state, all else by default.
  std::optional<tk::Colour> colourDepthBox(tk::ColourContext& context, int id, tk::ColourKind kind);
  // Ends a reconnect back-off: the next tick comes at the normal period and tries the queue
  // manager again. False, with nothing changed, when no back-off is in force.
  bool endBackOff();
  // What a depth box or a reason-code box means now; empty for other controls.
  std::string toolTip(int id) const;

  AlarmState alarmState(int slot) const { return alarmStates_[slot]; }
  // The normal period of the timer.
  std::int32_t refreshIntervalMs() const { return refreshIntervalMs_; }
  // Failed reconnects of the current outage; 0 when no back-off is in force.
  std::int32_t reconnectCount() const { return reconnectCount_; }
  // For tests: goes on as if the current outage had already seen `failedReconnects` failures, so
  // that a long outage needs no waiting out.
  void assumeOutage(std::int32_t failedReconnects) { reconnectCount_ = failedReconnects; }

 private:
  // One row: shows its depth or failure and sets its alarm state; gives its depth query's reason.
  kx::ReasonCode pollSlot(int slot, double warningFraction);
  // The threshold as a fraction of the maximum depth, from the % Warning box; above 100 percent
  // is written back as 100.
  double warningFraction();
  void blankErrorBoxesEverySixthTick();
  // A tick on which slot 0 lost the connection: reconnects, or waits a second longer.
  void reconnect(kx::ReasonCode lost);
  void restartTimer(std::int32_t periodMs);
  std::string depthToolTip(int slot) const;
  void recordHistory(int slot, std::optional<std::int32_t> depth,
                     std::optional<std::int32_t> maxDepth);

  tk::Window& window_;
  QueueSlots& slots_;
  std::unique_ptr<DepthAlerts> alerts_;
  DepthHistory* history_ = nullptr;
  std::string historyManager_;
  std::int32_t refreshIntervalMs_ = 1000;
  std::int32_t reconnectCount_ = 0;
  std::int32_t errorBlankCounter_ = 0;  // ticks since the error boxes were last blanked, 0..5
  std::array<AlarmState, kSlotCount> alarmStates_;
  // The reason each row's last depth query gave, and that of the last failed reconnect: what the
  // boxes that show them mean.
  std::array<kx::ReasonCode, kSlotCount> slotReasons_{};
  kx::ReasonCode reconnectReason_ = kx::reason::kNone;
};

}  // namespace tarnix
