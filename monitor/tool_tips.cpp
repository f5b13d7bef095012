// The monitor's tooltips: what a reason code, a depth box that shows no depth, a button or a
// generator run means, said at the moment the user points at it.
#include <string>

#include "monitor/monitor_dialog.h"

namespace tarnix {
namespace {

// A box with nothing to explain holds nothing, or the single blank of an output box.
bool blank(const std::string& text) { return text.find_first_not_of(' ') == std::string::npos; }

}  // namespace

std::string MonitorDialog::onToolTip(int id) {
  const std::string& manager = manager_->managerName();
  for (int k = 0; k < kSlotCount; ++k) {
    if (!slotUsed(k)) continue;
    if (id == ctl::emptyButton(k)) return "Empty " + queueNames_[k];
    if (id == ctl::depthBox(k)) return depthToolTip(k);
    if (id == ctl::reasonBox(k)) {
      if (blank(window().text(id, 16))) return {};
      return kx::explainReason(slotReasons_[k], manager, queueNames_[k]);
    }
  }
  const std::string& selected = queueNames_[selectedSlot()];
  switch (id) {
    case ctl::kLastError:
      if (blank(window().text(id, 16))) return {};
      return kx::explainReason(lastErrorReason_, manager, lastErrorQueue_);
    case ctl::kDisplay:
      return "Show message Number of " + selected + ", with its descriptor";
    case ctl::kRemove:
      return "Remove message Number from " + selected;
    case ctl::kGen:
      return "Generate: put test messages onto " + selected + " as set under Opt";
    case ctl::kOpt:
      return "Options of the generator: how many messages, their content and descriptor";
    case ctl::kProgress:
      return progressToolTip();
    default:
      return {};
  }
}

// A depth box explains itself only when it shows no depth: "N/A" or "Err" with the reason of
// the query, or "R" and the count of failed reconnects with the reason of the last one.
std::string MonitorDialog::depthToolTip(int slot) const {
  const std::string shown = window().text(ctl::depthBox(slot), 16);
  const std::string& manager = manager_->managerName();
  if (shown == "N/A" || shown == "Err") {
    return kx::explainReason(slotReasons_[slot], manager, queueNames_[slot]);
  }
  if (slot == 0 && shown.starts_with('R')) {
    return "Reconnecting to " + (manager.empty() ? std::string("the queue manager") : manager) +
           ": try " + shown.substr(1) + " failed, the next comes " + shown.substr(1) +
           " s later\n" + kx::explainReason(reconnectReason_, manager);
  }
  return {};
}

// One line for each run that is still going.
std::string MonitorDialog::progressToolTip() {
  std::erase_if(runs_, [](const auto& run) { return run->ended.load(); });
  std::string tip;
  for (const auto& run : runs_) {
    if (!tip.empty()) tip += '\n';
    tip += "Putting " + std::to_string(run->putting.load()) + " of " +
           std::to_string(run->count.load()) + " onto " + run->target;
  }
  return tip;
}

}  // namespace tarnix
