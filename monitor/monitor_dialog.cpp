#include "monitor/monitor_dialog.h"

#include <algorithm>
#include <array>
#include <ctime>
#include <iostream>
#include <string>
#include <vector>

#include "monitor/connect_advice.h"
#include "monitor/monitor_template.h"
#include "platform/runtime/exit_status.h"
#include "platform/runtime/process_end.h"
#include "platform/runtime/thread_random.h"
#include "platform/toolkit/dialog_units.h"
#include "platform/toolkit/message_box.h"

namespace tarnix {
namespace {

constexpr const char* kCreditCaption = "Die persoon wat die program geskryf het";
constexpr const char* kCreditText =
    "Tarnix queue monitor, version 3.5.\n\n"
    "Written by the Tarnix developers for the operators who keep it open all day.";

}  // namespace

MonitorDialog::MonitorDialog(SettingsReader readSettings)
    : tk::TableDialog<MonitorDialog>(monitorTemplate()),
      icon_(monitorIcon()),
      readSettings_(std::move(readSettings)) {}

std::span<const tk::EventEntry<MonitorDialog>> MonitorDialog::eventTable() {
  using tk::Notify;
  using D = MonitorDialog;
  static constexpr std::array kTable = {
      tk::on<D>(0, Notify::Timer, &D::onTimer),
      tk::onRange<D>(ctl::kFirstEmptyButton, ctl::kLastEmptyButton, Notify::Click,
                     &D::onEmptyButton),
      tk::on<D>(ctl::kDisplay, Notify::Click, &D::onDisplay),
      tk::on<D>(ctl::kStayOnTop, Notify::Click, &D::toggleStayOnTop),
      tk::on<D>(ctl::kRemove, Notify::Click, &D::onRemove),
      tk::on<D>(ctl::kHex, Notify::Click, &D::onDisplay),
      tk::on<D>(ctl::kGen, Notify::Click, &D::onGen),
      tk::on<D>(ctl::kNumber, Notify::Change, &D::onNumberChange),
      tk::on<D>(ctl::kRefreshRate, Notify::Change, &D::onRefreshRateChange),
      tk::on<D>(tk::kNoId, Notify::LeftButtonUp, &D::showCreditBox),
      tk::on<D>(ctl::kOpt, Notify::Click, &D::onOpt),
      tk::on<D>(ctl::kStopGeneratorRuns, Notify::Command, &D::onStopGeneratorRuns),
      tk::onRange<D>(ctl::depthBox(0), ctl::depthBox(kSlotCount - 1), Notify::DoubleClick,
                     &D::onDepthBoxDoubleClick),
      tk::onRange<D>(ctl::kFirstHistoryCommand, ctl::kLastHistoryCommand, Notify::Command,
                     &D::onHistoryCommand),
      tk::on<D>(ctl::kSaveMessage, Notify::Command, &D::onSaveMessage),
      tk::on<D>(ctl::kCopyAsText, Notify::Command, &D::onCopyAsText),
      tk::on<D>(ctl::kCopyAsHex, Notify::Command, &D::onCopyAsHex),
  };
  return kTable;
}

void MonitorDialog::onInitDialog() {
  behaviours_ = std::make_unique<Behaviours>(window(), slots_);
  initDone_ = false;
  rt::seedThreadRandom(static_cast<std::uint32_t>(std::time(nullptr)));
  window().setIcons(icon_.large, icon_.small);

  if (!connectOrEnd()) return;
  window().setTitle(slots_.manager().managerName());
  if (sendAlert_) depthPoll().sendAlerts(sendAlert_);

  const int longest = slots_.bindQueues();
  showQueueNames();
  startHistory();
  sizeToQueues(longest);
  window().setTopmost(true);
  depthPoll().startTimer();

  setDefaults();
  if (readSettings_) {
    MonitorPresets presets(window(), depthPoll(), messageRemoval(),
                           generatorLauncher().generateOptions());
    readSettings_(presets);
  }

  // The poll sets the spin's range on every tick.
  window().setSpinBuddy(ctl::kNumberSpin, ctl::kNumber);
  initDone_ = true;
}

bool MonitorDialog::connectOrEnd() {
  if (slots_.connect()) return true;
  const kx::ReasonCode reason = slots_.manager().reason();
  std::cerr << connectAdvice(slots_.managerName(), reason, slots_.manager().problem()) << std::endl;
  const std::string text = "Problem with KX connect (" + std::to_string(reason) +
                           ") : Minimum startup: tarnix qmgr queue [queue2 ...queue5]";
  window().messageBox(text, nullptr, tk::mb::kOk);
  rt::endProcess(rt::kExitFailure);
}

// The rows of slots without a queue are hidden: their controls overlap the row above by a
// little, and they have nothing to show or do.
void MonitorDialog::showQueueNames() {
  window().setText(ctl::nameBox(0), slots_.queueName(0));
  for (int k = 1; k < kSlotCount; ++k) {
    if (!slots_.used(k)) {
      for (int id : {ctl::emptyButton(k), ctl::depthBox(k), ctl::selectButton(k), ctl::nameBox(k),
                     ctl::reasonBox(k)}) {
        window().showControl(id, false);
      }
      continue;
    }
    window().setText(ctl::nameBox(k), slots_.queueName(k));
    window().enable(ctl::selectButton(k), true);
  }
}

// The window shrinks to its caption and the queue rows; the operator enlarges it to reach the
// message controls below them. Its client area ends with the last used row's depth box, select
// button and name box, and shows at least two rows, so that the Gen button's label can be read.
void MonitorDialog::sizeToQueues(int longestName) {
  int lastRow = 1;
  for (int k = 0; k < kSlotCount; ++k) {
    if (slots_.used(k)) lastRow = std::max(lastRow, k);
  }
  int bottom = 0;
  for (const int id : {ctl::depthBox(lastRow), ctl::selectButton(lastRow), ctl::nameBox(lastRow)}) {
    const tk::Rect& r = dialogTemplate().find(id)->rect;
    bottom = std::max(bottom, r.y + r.height);
  }
  const int width = static_cast<int>(longestName * 5.9 + 145);
  window().setGeometry(100, 100, width, tk::hostOuterHeight(bottom));
}

void MonitorDialog::setDefaults() {
  window().setChecked(ctl::kStayOnTop, true);
  window().setChecked(ctl::selectButton(0), true);
  messageRemoval().showDefaults();
  messageBrowser().showDefaults();
  depthPoll().showDefaults();
}

// The history is keyed by the queue manager's name as it answered (the default one's own name)
// and the queue names as the operator gave them.
void MonitorDialog::startHistory() {
  std::vector<std::string> queues;
  for (int k = 0; k < kSlotCount; ++k) {
    if (slots_.used(k)) queues.push_back(slots_.queueName(k));
  }
  const std::string& manager = slots_.manager().managerName();
  if (history_ != nullptr) {
    history_->watch(manager, queues);
    depthPoll().keepHistory(*history_, manager);
  }
  if (history_ == nullptr || historyWindows_ == nullptr) return;
  for (int k = 0; k < kSlotCount; ++k) {
    if (slots_.used(k)) {
      window().addContextAction(ctl::depthBox(k), ctl::historyCommand(k), "History...");
    }
  }
}

void MonitorDialog::onDepthBoxDoubleClick(int id) {
  const int offset = id - ctl::kFirstDepthBox;
  if (offset % 2 == 0) openHistory(offset / 2);
}

void MonitorDialog::openHistory(int slot) {
  if (history_ == nullptr || historyWindows_ == nullptr || !slots_.used(slot)) return;
  historyWindows_->open({slots_.manager().managerName(), slots_.queueName(slot)});
}

void MonitorDialog::onNumberChange() {
  if (initDone_) messageBrowser().displayMessage();
}

void MonitorDialog::toggleStayOnTop() { window().setTopmost(window().isChecked(ctl::kStayOnTop)); }

const tk::Icon* MonitorDialog::onQueryDragIcon() { return &icon_.large; }

void MonitorDialog::showCreditBox() {
  if (rt::threadRandom() % 10 == 5) {
    window().messageBox(kCreditText, kCreditCaption, tk::mb::kIconInformation);
  }
}

std::optional<tk::Colour> MonitorDialog::onColour(tk::ColourContext& context, int id,
                                                  tk::ColourKind kind) {
  return depthPoll().colourDepthBox(context, id, kind);
}

std::string MonitorDialog::onToolTip(int id) {
  std::string tip = depthPoll().toolTip(id);
  if (tip.empty()) tip = messageBrowser().toolTip(id);
  if (tip.empty()) tip = messageRemoval().toolTip(id);
  if (tip.empty()) tip = generatorLauncher().toolTip(id);
  return tip;
}

}  // namespace tarnix
