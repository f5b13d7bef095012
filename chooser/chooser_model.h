#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "chooser/remembered_choice.h"
#include "platform/messaging/store_admin.h"
#include "platform/toolkit/memory.h"

namespace tarnix {

// What the chooser offers and what the user made of it: the queue managers of the data
// directory, the queues of the selected one with their depths, the filter over them, and the one
// to five queues ticked, in the order the monitor will show them.
class ChooserModel {
 public:
  static constexpr std::size_t kMostQueues = 5;

  enum class State { kRunning, kStopped, kDamaged, kUnreachable };
  struct Manager {
    std::string name;
    State state = State::kStopped;
    bool inPostgres = false;
    bool isDefault = false;
  };
  struct Queue {
    std::string name;
    bool alias = false;
    std::string target;  // of an alias
    // Of an alias, its target's; none for an alias whose target is gone.
    std::optional<std::int32_t> depth;
    std::optional<std::int32_t> maxDepth;
  };

  explicit ChooserModel(tk::Memory& memory);

  // Reads the queue managers of the data directory and selects the one to offer first: `asked`
  // when it is listed (the empty name is the default queue manager), else the one chosen last
  // time, else the default, else the first. A failure to list, or an asked name that is not
  // listed, comes back with its line; a manager is selected all the same where there is one.
  kx::admin::Status load(const std::optional<std::string>& asked = std::nullopt);
  const std::vector<Manager>& managers() const { return managers_; }
  // The index of the selected manager; none while there is no manager.
  std::optional<std::size_t> selected() const { return selected_; }
  const Manager* selectedManager() const;

  // Selects a manager and reads its queues. The ticks of the manager before go; the manager
  // chosen last time gets its queues of then ticked again, those that still exist.
  kx::admin::Status select(std::size_t index);
  // The selected manager's local and alias queues, by name.
  const std::vector<Queue>& queues() const { return queues_; }

  // Shows only the queues whose names hold `text`, whatever the case; ticks stay as they are.
  void setFilter(std::string_view text);
  // The indexes into queues() that the filter lets through, in order.
  const std::vector<std::size_t>& shown() const { return shown_; }

  // Ticks or clears a queue of the selected manager. A sixth tick is refused (false) and changes
  // nothing; so is a name that is not one of its queues.
  bool tick(std::string_view queue, bool on);
  bool isTicked(std::string_view queue) const;
  // The ticked queues in the monitor's order: the order of ticking, as reordered since.
  const std::vector<std::string>& chosen() const { return chosen_; }
  // Moves the chosen queue at `index` one place up (towards the first slot) or down; false when
  // it is already at that end.
  bool moveUp(std::size_t index);
  bool moveDown(std::size_t index);
  bool canMonitor() const { return selected_.has_value() && !chosen_.empty(); }

  // The choice to monitor, kept for next time; `why` says why it could not be kept, which does
  // not stop the monitor.
  Choice confirm(std::string& why);

  // Starts the selected queue manager, as kxadmin start does, and reads the list again.
  kx::admin::Status startSelected();
  // Makes the demo queue manager (or starts it), selects it and ticks its queues.
  kx::admin::Status makeDemo();

 private:
  void applyFilter();
  std::optional<std::size_t> find(std::string_view manager) const;
  kx::admin::Status readManagers();
  // Reads the managers again and selects `name` with `ticks` ticked.
  kx::admin::Status reselect(const std::string& name, const std::vector<std::string>& ticks);

  tk::Memory& memory_;
  Choice remembered_;
  std::vector<Manager> managers_;
  std::optional<std::size_t> selected_;
  std::vector<Queue> queues_;
  std::string filter_;
  std::vector<std::size_t> shown_;
  std::vector<std::string> chosen_;
};

// The word a queue manager's state shows as ("running").
std::string_view stateWord(ChooserModel::State state);

}  // namespace tarnix
