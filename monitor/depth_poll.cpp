#include "monitor/depth_poll.h"

#include <string>

#include "monitor/leading_number.h"
#include "monitor/reason_tip.h"

namespace tarnix {
namespace {

constexpr std::size_t kWarningTextLimit = 18;
constexpr int kBlankEveryTicks = 6;

// Depth-query reasons that mean the queue has no depth to show.
bool meansNoDepth(kx::ReasonCode code) {
  return code == kx::reason::kOptionNotValidForType || code == kx::reason::kSelectorNotForType ||
         code == kx::reason::kUnknownObjectName;
}

// Depth-query reasons on slot 0 that mean the connection is gone.
bool meansConnectionLost(kx::ReasonCode code) {
  return code == kx::reason::kConnectionBroken || code == kx::reason::kQueueManagerNotAvailable ||
         code == kx::reason::kNotConnected;
}

// The period of a refresh rate in seconds, in 32-bit arithmetic that wraps as the timer's count
// would, without overflowing a signed int.
std::int32_t refreshPeriodMs(std::int32_t seconds) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(seconds) * 1000u);
}

constexpr tk::Colour kWhite{255, 255, 255};
constexpr tk::Colour kRed{255, 0, 0};
constexpr tk::Colour kBlue{0, 0, 255};
constexpr tk::Colour kGreen{0, 255, 0};
// The rest of a depth box, around its text.
constexpr tk::Colour kBackgroundBrush{0, 0, 0};

}  // namespace

DepthPoll::DepthPoll(tk::Window& window, QueueSlots& queueSlots)
    : window_(window), slots_(queueSlots) {
  alarmStates_.fill(AlarmState::Within);
}

void DepthPoll::sendAlerts(DepthAlerts::Send send) {
  alerts_ = std::make_unique<DepthAlerts>(slots_.manager().managerName(), std::move(send));
}

void DepthPoll::keepHistory(DepthHistory& history, std::string manager) {
  history_ = &history;
  historyManager_ = std::move(manager);
}

void DepthPoll::recordHistory(int slot, std::optional<std::int32_t> depth,
                              std::optional<std::int32_t> maxDepth) {
  if (history_ != nullptr) {
    history_->record({historyManager_, slots_.queueName(slot)}, depth, maxDepth);
  }
}

void DepthPoll::showDefaults() {
  window_.setUnsigned(ctl::kWarningPercent, 80);
  window_.setUnsigned(ctl::kRefreshRate, static_cast<std::uint32_t>(refreshIntervalMs_ / 1000));
}

void DepthPoll::presetWarningPercent(std::uint32_t percent) {
  window_.setUnsigned(ctl::kWarningPercent, percent);
}

void DepthPoll::presetRefreshRate(std::int32_t seconds) {
  // Showing the rate runs changeRefreshRate, which sets the period from the box; a negative rate
  // shows as a large unsigned number, so the period is set from the value.
  window_.setUnsigned(ctl::kRefreshRate, static_cast<std::uint32_t>(seconds));
  const std::int32_t periodMs = refreshPeriodMs(seconds);
  if (refreshIntervalMs_ != periodMs) {
    refreshIntervalMs_ = periodMs;
    restartTimer(periodMs);
  }
}

void DepthPoll::pollDepths() {
  blankErrorBoxesEverySixthTick();
  const double fraction = warningFraction();
  if (history_ != nullptr) history_->setWarningFraction(fraction);

  const kx::ReasonCode slot0 = pollSlot(0, fraction);
  if (meansConnectionLost(slot0)) {
    // The other rows go unread on this tick: gaps in their history too.
    for (int k = 1; k < kSlotCount; ++k) {
      if (slots_.used(k)) recordHistory(k, std::nullopt, std::nullopt);
    }
    reconnect(slot0);
    return;
  }
  endBackOff();
  if (alerts_) alerts_->managerAnswered();

  for (int k = 1; k < kSlotCount; ++k) {
    if (slots_.used(k)) pollSlot(k, fraction);
  }

  // The spin steps through the selected queue's messages; the range is cut to 16 bits.
  const std::int32_t depth = window_.readSigned(ctl::depthBox(selectedSlot(window_)));
  window_.setSpinRange(ctl::kNumberSpin, 1, static_cast<std::int16_t>(depth));
}

void DepthPoll::blankErrorBoxesEverySixthTick() {
  // A browse error stays in view for a while, then the boxes are cleared for the next one.
  if (errorBlankCounter_ == kBlankEveryTicks - 1) {
    errorBlankCounter_ = 0;
    window_.setText(ctl::kLastError, " ");
    window_.setText(ctl::kErrorMark, " ");
  } else {
    ++errorBlankCounter_;
  }
}

double DepthPoll::warningFraction() {
  double threshold = leadingDecimal(window_.text(ctl::kWarningPercent, kWarningTextLimit));
  if (threshold > 100) {
    threshold = 100;
    window_.setSigned(ctl::kWarningPercent, 100);
  }
  return threshold * 0.01;
}

void DepthPoll::reconnect(kx::ReasonCode lost) {
  kx::IkxQueueManager& manager = slots_.manager();
  manager.disconnect();
  if (manager.connect()) {
    reconnectCount_ = 0;
    restartTimer(refreshIntervalMs_);
    if (alerts_) alerts_->managerAnswered();
    return;
  }
  reconnectReason_ = manager.reason();
  ++reconnectCount_;
  const std::string retryLabel = "R" + std::to_string(reconnectCount_);
  window_.setText(ctl::depthBox(0), retryLabel);
  if (alerts_) alerts_->reconnectFailed(lost);
  // Unsigned arithmetic: the wait grows without bound and never overflows into a sign.
  window_.startTimer(static_cast<std::uint32_t>(reconnectCount_) * 1000u);
}

bool DepthPoll::endBackOff() {
  if (reconnectCount_ == 0) return false;
  reconnectCount_ = 0;
  restartTimer(refreshIntervalMs_);
  return true;
}

kx::ReasonCode DepthPoll::pollSlot(int slot, double warningFraction) {
  kx::IkxQueue& queue = slots_.queue(slot);
  const std::int32_t depth = queue.queryDepth();
  const kx::ReasonCode code = queue.reason();
  slotReasons_[slot] = code;
  if (meansNoDepth(code)) {
    window_.setText(ctl::depthBox(slot), "N/A");
    window_.setSigned(ctl::reasonBox(slot), code);
  } else if (code != kx::reason::kNone) {
    window_.setText(ctl::depthBox(slot), "Err");
    window_.setSigned(ctl::reasonBox(slot), code);
  } else {
    window_.setUnsigned(ctl::depthBox(slot), static_cast<std::uint32_t>(depth));
    window_.setText(ctl::reasonBox(slot), "");
  }
  // Whatever the queries gave, the alarm follows them; a failed maximum feeds its value in.
  const std::int32_t maxDepth = queue.queryMaxDepth();
  if (code == kx::reason::kNone) {
    const bool maxKnown = queue.reason() == kx::reason::kNone;
    recordHistory(slot, depth, maxKnown ? std::optional(maxDepth) : std::nullopt);
  } else {
    recordHistory(slot, std::nullopt, std::nullopt);
  }
  alarmStates_[slot] = static_cast<double>(maxDepth) * warningFraction >= static_cast<double>(depth)
                           ? AlarmState::Within
                           : AlarmState::Over;
  if (alerts_ && code == kx::reason::kNone) {
    alerts_->queueRead(slot, slots_.queueName(slot), alarmStates_[slot] == AlarmState::Over, depth,
                       maxDepth, DepthAlerts::Clock::now());
  }
  return code;
}

std::optional<tk::Colour> DepthPoll::colourDepthBox(tk::ColourContext& context, int id,
                                                    tk::ColourKind kind) {
  if (kind != tk::ColourKind::MessageBox && kind != tk::ColourKind::Edit &&
      kind != tk::ColourKind::Button) {
    return std::nullopt;
  }
  for (int k = 0; k < kSlotCount; ++k) {
    if (id != ctl::depthBox(k)) continue;
    const bool within = alarmStates_[k] == AlarmState::Within;
    context.setTextColour(within ? kBlue : kWhite);
    context.setTextBackground(within ? kGreen : kRed);
    return kBackgroundBrush;
  }
  return std::nullopt;
}

void DepthPoll::changeRefreshRate() {
  refreshIntervalMs_ = refreshPeriodMs(window_.readSigned(ctl::kRefreshRate));
  restartTimer(refreshIntervalMs_);
}

void DepthPoll::restartTimer(std::int32_t periodMs) {
  // The timer takes the period as an unsigned count; a negative period becomes a very long one.
  window_.startTimer(static_cast<std::uint32_t>(periodMs));
}

std::string DepthPoll::toolTip(int id) const {
  const std::string& manager = slots_.manager().managerName();
  for (int k = 0; k < kSlotCount; ++k) {
    if (!slots_.used(k)) continue;
    if (id == ctl::depthBox(k)) return depthToolTip(k);
    if (id == ctl::reasonBox(k)) {
      return explainShownReason(window_, id, slotReasons_[k], manager, slots_.queueName(k));
    }
  }
  return {};
}

// A depth box explains itself only when it shows no depth: "N/A" or "Err" with the reason of
// the query, or "R" and the count of failed reconnects with the reason of the last one.
std::string DepthPoll::depthToolTip(int slot) const {
  const std::string shown = window_.text(ctl::depthBox(slot), 16);
  const std::string& manager = slots_.manager().managerName();
  if (shown == "N/A" || shown == "Err") {
    return kx::explainReason(slotReasons_[slot], manager, slots_.queueName(slot));
  }
  if (slot == 0 && shown.starts_with('R')) {
    return "Reconnecting to " + (manager.empty() ? std::string("the queue manager") : manager) +
           ": try " + shown.substr(1) + " failed, the next comes " + shown.substr(1) +
           " s later\n" + kx::explainReason(reconnectReason_, manager);
  }
  return {};
}

}  // namespace tarnix
