#include "monitor/monitor_dialog.h"

#include <algorithm>
#include <array>
#include <ctime>
#include <iostream>
#include <string>

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

MonitorDialog::MonitorDialog(ProcessValues& process, SettingsReader readSettings)
    : tk::TableDialog<MonitorDialog>(monitorTemplate()),
      manager_(std::make_unique<kx::IkxQueueManager>()),
      icon_(monitorIcon()),
      process_(process),
      readSettings_(std::move(readSettings)) {
  for (auto& queue : queues_) queue = std::make_unique<kx::IkxQueue>();
}

MonitorDialog::~MonitorDialog() { releaseClientObjects(); }

void MonitorDialog::setQueueNames(std::span<const std::string> names) {
  for (int k = 0; k < kSlotCount; ++k) {
    queueNames_[k] = k < static_cast<int>(names.size()) ? names[k] : std::string();
  }
}

void MonitorDialog::notifyAlerts(DepthAlerts::Send send) { sendAlert_ = std::move(send); }

void MonitorDialog::releaseClientObjects() {
  for (int k = kSlotCount - 1; k >= 0; --k) queues_[k].reset();
  manager_.reset();
}

std::span<const tk::EventEntry<MonitorDialog>> MonitorDialog::eventTable() {
  using tk::Notify;
  using D = MonitorDialog;
  static constexpr std::array kTable = {
      tk::on<D>(0, Notify::Timer, &D::pollDepths),
      tk::onRange<D>(ctl::kFirstEmptyButton, ctl::kLastEmptyButton, Notify::Click,
                     &D::onEmptyButton),
      tk::on<D>(ctl::kDisplay, Notify::Click, &D::displayMessage),
      tk::on<D>(ctl::kStayOnTop, Notify::Click, &D::toggleStayOnTop),
      tk::on<D>(ctl::kRemove, Notify::Click, &D::removeMessage),
      tk::on<D>(ctl::kHex, Notify::Click, &D::displayMessage),
      tk::on<D>(ctl::kGen, Notify::Click, &D::startGenerator),
      tk::on<D>(ctl::kNumber, Notify::Change, &D::numberChanged),
      tk::on<D>(ctl::kRefreshRate, Notify::Change, &D::changeRefreshRate),
      tk::on<D>(tk::kNoId, Notify::LeftButtonUp, &D::showCreditBox),
      tk::on<D>(ctl::kOpt, Notify::Click, &D::editGenerateOptions),
      tk::on<D>(ctl::kStopGeneratorRuns, Notify::Command, &D::stopGeneratorRuns),
  };
  return kTable;
}

void MonitorDialog::onInitDialog() {
  rt::seedThreadRandom(static_cast<std::uint32_t>(std::time(nullptr)));
  window().setIcons(icon_.large, icon_.small);

  if (!connectOrEnd()) return;
  window().setTitle(manager_->managerName());
  if (sendAlert_) alerts_ = std::make_unique<DepthAlerts>(manager_->managerName(), sendAlert_);

  const int longest = prepareQueueSlots();
  alarmStates_.fill(1);
  showQueueNames();
  sizeToQueues(longest);
  window().setTopmost(true);
  restartTimer(process_.refreshIntervalMs);

  setDefaults();
  if (readSettings_) readSettings_(Presets{window(), process_, generateOptions_});

  // The poll sets the spin's range on every tick.
  window().setSpinBuddy(ctl::kNumberSpin, ctl::kNumber);
  process_.initDone = true;
  process_.generatorProgressBar = window().progressBar(ctl::kProgress);
  window().addContextAction(ctl::kProgress, ctl::kStopGeneratorRuns, "Stop generator run");
}

bool MonitorDialog::connectOrEnd() {
  manager_->setManagerName(managerName_);
  if (manager_->connect()) return true;
  std::cerr << connectAdvice(managerName_, manager_->reason(), manager_->problem()) << std::endl;
  const std::string text = "Problem with KX connect (" + std::to_string(manager_->reason()) +
                           ") : Minimum startup: tarnix qmgr queue [queue2 ...queue5]";
  window().messageBox(text, nullptr, tk::mb::kOk);
  rt::endProcess(rt::kExitFailure);
}

// Points each named slot's queue object at its queue. An alias is followed to its base queue so
// that its depth can be read; the name box keeps the name the operator gave. A queue that cannot
// be inquired keeps its name and shows its reason at the first poll. Gives the longest name.
int MonitorDialog::prepareQueueSlots() {
  int longest = 0;
  for (int k = 0; k < kSlotCount && slotUsed(k); ++k) {
    kx::IkxQueue& queue = *queues_[k];
    queue.setQueueName(queueNames_[k]);
    longest = std::max(longest, static_cast<int>(queueNames_[k].size()));
    queue.bindManager(*manager_);
    const std::string resolved = queue.resolvedName();
    if (queue.reason() == kx::reason::kNone) {
      queue.close();
      queue.setQueueName(resolved);
      queue.bindManager(*manager_);
    }
  }
  return longest;
}

// The rows of slots without a queue are hidden: their controls overlap the row above by a
// little, and they have nothing to show or do.
void MonitorDialog::showQueueNames() {
  window().setText(ctl::nameBox(0), queueNames_[0]);
  for (int k = 1; k < kSlotCount; ++k) {
    if (!slotUsed(k)) {
      for (int id : {ctl::emptyButton(k), ctl::depthBox(k), ctl::selectButton(k), ctl::nameBox(k),
                     ctl::reasonBox(k)}) {
        window().showControl(id, false);
      }
      continue;
    }
    window().setText(ctl::nameBox(k), queueNames_[k]);
    window().enable(ctl::selectButton(k), true);
  }
}

// The window shrinks to its caption and the queue rows; the operator enlarges it to reach the
// message controls below them. Its client area ends with the last used row's depth box, select
// button and name box, and shows at least two rows, so that the Gen button's label can be read.
void MonitorDialog::sizeToQueues(int longestName) {
  int lastRow = 1;
  for (int k = 0; k < kSlotCount; ++k) {
    if (slotUsed(k)) lastRow = std::max(lastRow, k);
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
  generateOptions_ = GenerateOptions{};
  window().setChecked(ctl::kStayOnTop, true);
  window().setChecked(ctl::selectButton(0), true);
  window().setChecked(ctl::kConfirmDelete, true);
  window().setUnsigned(ctl::kNumber, 1);
  window().setUnsigned(ctl::kWarningPercent, 80);
  window().setUnsigned(ctl::kRefreshRate,
                       static_cast<std::uint32_t>(process_.refreshIntervalMs / 1000));
}

int MonitorDialog::selectedSlot() const {
  int slot = 0;
  for (int k = 1; k < kSlotCount; ++k) {
    if (window().isChecked(ctl::selectButton(k))) slot = k;
  }
  return slot;
}

void MonitorDialog::restartTimer(std::int32_t periodMs) {
  // The timer takes the period as an unsigned count; a negative period becomes a very long one.
  window().startTimer(static_cast<std::uint32_t>(periodMs));
}

void MonitorDialog::toggleStayOnTop() { window().setTopmost(window().isChecked(ctl::kStayOnTop)); }

const tk::Icon* MonitorDialog::onQueryDragIcon() { return &icon_.large; }

void MonitorDialog::showCreditBox() {
  if (rt::threadRandom() % 10 == 5) {
    window().messageBox(kCreditText, kCreditCaption, tk::mb::kIconInformation);
  }
}

void MonitorDialog::numberChanged() {
  if (process_.initDone) displayMessage();
}

std::optional<tk::Colour> MonitorDialog::onColour(tk::ColourContext& context, int id,
                                                  tk::ColourKind kind) {
  return colourDepthBox(context, id, kind);
}

}  // namespace tarnix
