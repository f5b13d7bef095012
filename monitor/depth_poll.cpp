// The depth poll: every tick shows each queue's depth against the warning threshold, and a lost
// queue manager is retried with a wait that grows by a second per failure.
#include <cstdint>
#include <string>

#include "monitor/leading_number.h"
#include "monitor/monitor_dialog.h"

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

constexpr tk::Colour kWhite{255, 255, 255};
constexpr tk::Colour kRed{255, 0, 0};
constexpr tk::Colour kBlue{0, 0, 255};
constexpr tk::Colour kGreen{0, 255, 0};

}  // namespace

void MonitorDialog::pollDepths() {
  // A browse error stays in view for a while, then the boxes are cleared for the next one.
  if (process_.errorBlankCounter == kBlankEveryTicks - 1) {
    process_.errorBlankCounter = 0;
    window().setText(ctl::kLastError, " ");
    window().setText(ctl::kErrorMark, " ");
  } else {
    ++process_.errorBlankCounter;
  }

  double threshold = leadingDecimal(window().text(ctl::kWarningPercent, kWarningTextLimit));
  if (threshold > 100) {
    threshold = 100;
    window().setSigned(ctl::kWarningPercent, 100);
  }
  const double warningFraction = threshold * 0.01;

  const kx::ReasonCode slot0 = pollSlot(0, warningFraction);
  if (meansConnectionLost(slot0)) {
    manager_->disconnect();
    if (manager_->connect()) {
      process_.reconnectCount = 0;
      restartTimer(process_.refreshIntervalMs);
      if (alerts_) alerts_->managerAnswered();
    } else {
      reconnectReason_ = manager_->reason();
      ++process_.reconnectCount;
      process_.retryLabel = "R" + std::to_string(process_.reconnectCount);
      window().setText(ctl::depthBox(0), process_.retryLabel);
      if (alerts_) alerts_->reconnectFailed(slot0);
      // Unsigned arithmetic: the wait grows without bound and never overflows into a sign.
      window().startTimer(static_cast<std::uint32_t>(process_.reconnectCount) * 1000u);
    }
    return;
  }
  if (process_.reconnectCount != 0) {
    process_.reconnectCount = 0;
    restartTimer(process_.refreshIntervalMs);
  }
  if (alerts_) alerts_->managerAnswered();

  for (int k = 1; k < kSlotCount; ++k) {
    if (slotUsed(k)) pollSlot(k, warningFraction);
  }

  // The spin steps through the selected queue's messages; the range is cut to 16 bits.
  const std::int32_t depth = window().readSigned(ctl::depthBox(selectedSlot()));
  window().setSpinRange(ctl::kNumberSpin, 1, static_cast<std::int16_t>(depth));
}

kx::ReasonCode MonitorDialog::pollSlot(int slot, double warningFraction) {
  kx::IkxQueue& queue = *queues_[slot];
  const std::int32_t depth = queue.queryDepth();
  const kx::ReasonCode code = queue.reason();
  slotReasons_[slot] = code;
  if (meansNoDepth(code)) {
    window().setText(ctl::depthBox(slot), "N/A");
    window().setSigned(ctl::reasonBox(slot), code);
  } else if (code != kx::reason::kNone) {
    window().setText(ctl::depthBox(slot), "Err");
    window().setSigned(ctl::reasonBox(slot), code);
  } else {
    window().setUnsigned(ctl::depthBox(slot), static_cast<std::uint32_t>(depth));
    window().setText(ctl::reasonBox(slot), "");
  }
  // Whatever the queries gave, the alarm follows them; a failed maximum feeds its value in.
  const std::int32_t maxDepth = queue.queryMaxDepth();
  alarmStates_[slot] =
      static_cast<double>(maxDepth) * warningFraction >= static_cast<double>(depth) ? 1 : 0;
  if (alerts_ && code == kx::reason::kNone) {
    alerts_->queueRead(slot, queueNames_[slot], alarmStates_[slot] == 0, depth, maxDepth,
                       DepthAlerts::Clock::now());
  }
  return code;
}

std::optional<tk::Colour> MonitorDialog::colourDepthBox(tk::ColourContext& context, int id,
                                                        tk::ColourKind kind) {
  if (kind != tk::ColourKind::MessageBox && kind != tk::ColourKind::Edit &&
      kind != tk::ColourKind::Button) {
    return std::nullopt;
  }
  for (int k = 0; k < kSlotCount; ++k) {
    if (id != ctl::depthBox(k)) continue;
    const bool within = alarmStates_[k] != 0;
    context.setTextColour(within ? kBlue : kWhite);
    context.setTextBackground(within ? kGreen : kRed);
    return backgroundBrush_;
  }
  return std::nullopt;
}

void MonitorDialog::changeRefreshRate() {
  const std::int32_t seconds = window().readSigned(ctl::kRefreshRate);
  // 32-bit arithmetic that wraps as the timer's count would, without overflowing a signed int.
  process_.refreshIntervalMs =
      static_cast<std::int32_t>(static_cast<std::uint32_t>(seconds) * 1000u);
  restartTimer(process_.refreshIntervalMs);
}

}  // namespace tarnix
