#pragma once

#include <optional>
#include <span>
#include <string>

#include "chooser/chooser_model.h"
#include "chooser/remembered_choice.h"
#include "platform/toolkit/dialog.h"

namespace tarnix {

// The chooser window: the queue managers, the queues of the selected one to tick, filtered as
// the user types, the ticked ones in the monitor's order, and the buttons that start a stopped
// manager, make the demo, and end with the choice (kIdOk) or without (kIdCancel).
class ChooserDialog : public tk::TableDialog<ChooserDialog> {
 public:
  // `asked`: the queue manager the command line named, if it did.
  ChooserDialog(ChooserModel& model, std::optional<std::string> asked);

  static std::span<const tk::EventEntry<ChooserDialog>> eventTable();
  void onInitDialog() override;

  // What to monitor, once the dialog ended with kIdOk.
  const Choice& choice() const { return choice_; }

  // Handlers of the event table.
  void managerSelected();
  void queueTicked();
  void filterChanged();
  void chosenSelected();
  void startManager();
  void makeDemo();
  void moveUp();
  void moveDown();
  void removeChosen();
  void monitor();
  void cancel();

 private:
  void showManagers();
  void showQueues();
  void showChosen(int selectedRow);
  void showButtons();
  void say(const std::string& note);
  // The line to show while nothing else needs saying.
  std::string advice() const;
  // Asks, then starts the selected queue manager; false when it was not started.
  bool askAndStart();

  ChooserModel& model_;
  std::optional<std::string> asked_;
  Choice choice_;
};

}  // namespace tarnix
