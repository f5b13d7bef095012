#include "chooser/chooser_dialog.h"

#include <iostream>
#include <utility>
#include <vector>

#include "chooser/chooser_template.h"
#include "chooser/demo_manager.h"
#include "platform/toolkit/message_box.h"

namespace tarnix {
namespace {

using namespace choose;
using Rows = std::vector<std::vector<std::string>>;

// Enough for any queue name typed into the filter.
constexpr std::size_t kFilterLength = 48;

std::string number(const std::optional<std::int32_t>& value) {
  return value ? std::to_string(*value) : std::string();
}

bool canBeWatched(const ChooserModel::Manager* manager) {
  return manager != nullptr && (manager->state == ChooserModel::State::kRunning ||
                                manager->state == ChooserModel::State::kStopped);
}

}  // namespace

ChooserDialog::ChooserDialog(ChooserModel& model, std::optional<std::string> asked)
    : TableDialog(chooserTemplate()), model_(model), asked_(std::move(asked)) {}

std::span<const tk::EventEntry<ChooserDialog>> ChooserDialog::eventTable() {
  using N = tk::Notify;
  static constexpr tk::EventEntry<ChooserDialog> kEvents[] = {
      tk::on(kManagerList, N::SelectionChange, &ChooserDialog::managerSelected),
      tk::on(kQueueList, N::Click, &ChooserDialog::queueTicked),
      tk::on(kFilter, N::Change, &ChooserDialog::filterChanged),
      tk::on(kChosenList, N::SelectionChange, &ChooserDialog::chosenSelected),
      tk::on(kStart, N::Click, &ChooserDialog::startManager),
      tk::on(kMakeDemo, N::Click, &ChooserDialog::makeDemo),
      tk::on(kUp, N::Click, &ChooserDialog::moveUp),
      tk::on(kDown, N::Click, &ChooserDialog::moveDown),
      tk::on(kRemove, N::Click, &ChooserDialog::removeChosen),
      tk::on(kMonitor, N::Click, &ChooserDialog::monitor),
      tk::on(kCancel, N::Click, &ChooserDialog::cancel),
  };
  return kEvents;
}

void ChooserDialog::onInitDialog() {
  const kx::admin::Status status = model_.load(asked_);
  window().setText(kManagersLabel,
                   "Queue managers in " + kx::admin::dataDirectory().string() + ":");
  showManagers();
  showQueues();
  showChosen(-1);
  say(status ? advice() : status.message);
}

std::string ChooserDialog::advice() const {
  const ChooserModel::Manager* manager = model_.selectedManager();
  if (model_.managers().empty()) {
    return "There is no queue manager here yet. Make one with kxadmin (kxadmin create QM1; "
           "kxadmin start QM1; kxadmin define QM1 Q1), or press Make Demo for the demo queue "
           "manager " +
           std::string(kDemoManager) + ".";
  }
  if (manager == nullptr) return "Select a queue manager.";
  if (manager->state == ChooserModel::State::kStopped) {
    return manager->name +
           " is stopped: Start starts it, as kxadmin start does; Monitor asks "
           "first.";
  }
  if (!canBeWatched(manager)) {
    return manager->name + " is " + std::string(stateWord(manager->state)) + ": kxadmin check " +
           manager->name + " says more.";
  }
  return "Tick one to five queues, put them in order, then press Monitor.";
}

void ChooserDialog::say(const std::string& note) { window().setText(kNote, note); }

void ChooserDialog::showManagers() {
  Rows rows;
  for (const ChooserModel::Manager& m : model_.managers()) {
    rows.push_back({m.name, std::string(stateWord(m.state)), m.inPostgres ? "PostgreSQL" : "file",
                    m.isDefault ? "yes" : ""});
  }
  window().setRows(kManagerList, rows);
  const auto selected = model_.selected();
  window().selectRow(kManagerList, selected ? static_cast<int>(*selected) : -1);
}

void ChooserDialog::showQueues() {
  const ChooserModel::Manager* manager = model_.selectedManager();
  window().setText(kQueuesLabel, manager ? "Queues of " + manager->name + ":" : "Queues:");
  Rows rows;
  for (std::size_t index : model_.shown()) {
    const ChooserModel::Queue& q = model_.queues()[index];
    rows.push_back({q.name, q.alias ? "alias" : "local", number(q.depth), number(q.maxDepth)});
  }
  window().setRows(kQueueList, rows);
  for (std::size_t row = 0; row < model_.shown().size(); ++row) {
    const std::string& name = model_.queues()[model_.shown()[row]].name;
    if (model_.isTicked(name)) window().setRowChecked(kQueueList, static_cast<int>(row), true);
  }
  showButtons();
}

void ChooserDialog::showChosen(int selectedRow) {
  Rows rows;
  for (std::size_t i = 0; i < model_.chosen().size(); ++i) {
    rows.push_back({std::to_string(i + 1), model_.chosen()[i]});
  }
  window().setRows(kChosenList, rows);
  window().selectRow(kChosenList, selectedRow);
  showButtons();
}

void ChooserDialog::showButtons() {
  const ChooserModel::Manager* manager = model_.selectedManager();
  const int row = window().selectedRow(kChosenList);
  const auto count = static_cast<int>(model_.chosen().size());
  window().enable(kStart, manager != nullptr && manager->state == ChooserModel::State::kStopped);
  window().enable(kMakeDemo, model_.managers().empty());
  window().enable(kUp, row > 0);
  window().enable(kDown, row >= 0 && row + 1 < count);
  window().enable(kRemove, row >= 0);
  window().enable(kMonitor, model_.canMonitor() && canBeWatched(manager));
}

void ChooserDialog::managerSelected() {
  const int row = window().selectedRow(kManagerList);
  if (row < 0 || model_.selected() == static_cast<std::size_t>(row)) return;
  const kx::admin::Status status = model_.select(static_cast<std::size_t>(row));
  showQueues();
  showChosen(-1);
  say(status ? advice() : status.message);
}

void ChooserDialog::queueTicked() {
  // The box the user changed is the one that differs from the model's ticks.
  std::string refused;
  for (std::size_t row = 0; row < model_.shown().size(); ++row) {
    const std::string& name = model_.queues()[model_.shown()[row]].name;
    const bool ticked = window().isRowChecked(kQueueList, static_cast<int>(row));
    if (ticked == model_.isTicked(name)) continue;
    if (!model_.tick(name, ticked)) {
      window().setRowChecked(kQueueList, static_cast<int>(row), false);
      refused = name;
    }
  }
  showChosen(-1);
  say(refused.empty()
          ? advice()
          : "At most five queues are monitored: untick one before ticking " + refused + ".");
}

void ChooserDialog::filterChanged() {
  model_.setFilter(window().text(kFilter, kFilterLength));
  showQueues();
}

void ChooserDialog::chosenSelected() { showButtons(); }

void ChooserDialog::moveUp() {
  const int row = window().selectedRow(kChosenList);
  if (row > 0 && model_.moveUp(static_cast<std::size_t>(row))) showChosen(row - 1);
}

void ChooserDialog::moveDown() {
  const int row = window().selectedRow(kChosenList);
  if (row >= 0 && model_.moveDown(static_cast<std::size_t>(row))) showChosen(row + 1);
}

void ChooserDialog::removeChosen() {
  const int row = window().selectedRow(kChosenList);
  if (row < 0) return;
  const std::string name = model_.chosen()[static_cast<std::size_t>(row)];
  model_.tick(name, false);
  showQueues();
  showChosen(-1);
}

bool ChooserDialog::askAndStart() {
  const ChooserModel::Manager* manager = model_.selectedManager();
  if (manager == nullptr) return false;
  const std::string name = manager->name;
  const std::string question = "Queue manager " + name +
                               " is stopped. Start it now, as 'kxadmin start " + name +
                               "' does? Its non-persistent messages are discarded.";
  if (window().messageBox(question, "Start Queue Manager", tk::mb::kYesNoQuestion) != tk::kIdYes) {
    return false;
  }
  const kx::admin::Status status = model_.startSelected();
  showManagers();
  showQueues();
  showChosen(-1);
  if (!status) {
    window().messageBox(status.message, "Start Queue Manager", tk::mb::kIconError);
    say(status.message);
    return false;
  }
  say(advice());
  const ChooserModel::Manager* now = model_.selectedManager();
  return now != nullptr && now->state == ChooserModel::State::kRunning;
}

void ChooserDialog::startManager() { askAndStart(); }

void ChooserDialog::makeDemo() {
  const kx::admin::Status status = model_.makeDemo();
  showManagers();
  showQueues();
  showChosen(-1);
  if (!status) {
    window().messageBox(status.message, "Make Demo", tk::mb::kIconError);
    say(status.message);
    return;
  }
  say("The demo queue manager " + std::string(kDemoManager) +
      " is ready, its queues ticked: press Monitor to watch them.");
}

void ChooserDialog::monitor() {
  const ChooserModel::Manager* manager = model_.selectedManager();
  if (!model_.canMonitor() || !canBeWatched(manager)) return;
  if (manager->state == ChooserModel::State::kStopped && !askAndStart()) return;
  std::string why;
  choice_ = model_.confirm(why);
  if (!why.empty()) {
    std::cerr << "tarnix: the choice is not remembered for next time: " << why << std::endl;
  }
  window().endDialog(tk::kIdOk);
}

void ChooserDialog::cancel() { window().endDialog(tk::kIdCancel); }

}  // namespace tarnix
