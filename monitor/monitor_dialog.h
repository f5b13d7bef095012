#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "generator/generate_options.h"
#include "generator/run_report.h"
#include "monitor/depth_alerts.h"
#include "monitor/monitor_controls.h"
#include "monitor/monitor_icon.h"
#include "monitor/process_values.h"
#include "platform/messaging/queue.h"
#include "platform/messaging/queue_manager.h"
#include "platform/toolkit/colour.h"
#include "platform/toolkit/dialog.h"

namespace tarnix {

// The monitor window: the connection to one queue manager, five queue slots, the generator's
// options, and every control of the monitor.
class MonitorDialog : public tk::TableDialog<MonitorDialog> {
 public:
  // What the settings file presets during initialisation: the window's controls, the process
  // values and the generator's options.
  struct Presets {
    tk::Window& controls;
    ProcessValues& process;
    GenerateOptions& options;
  };
  using SettingsReader = std::function<void(const Presets&)>;

  // Makes the queue manager and the five queue objects, but no screen window yet.
  explicit MonitorDialog(ProcessValues& process, SettingsReader readSettings = {});
  // Destroys the queue objects fifth first, then the queue manager, if that has not been done.
  ~MonitorDialog() override;

  void setManagerName(std::string_view name) { managerName_ = name; }
  // Sends desktop notes of alarms and outages through `send`, as the poll sees them.
  void notifyAlerts(DepthAlerts::Send send);
  // Slots after the last name stay empty.
  void setQueueNames(std::span<const std::string> names);
  // Teardown: the five queue objects from the fifth to the first, then the queue manager.
  void releaseClientObjects();

  static std::span<const tk::EventEntry<MonitorDialog>> eventTable();
  void onInitDialog() override;
  std::optional<tk::Colour> onColour(tk::ColourContext& context, int id,
                                     tk::ColourKind kind) override;
  const tk::Icon* onQueryDragIcon() override;
  // What each control that a user may not read at a glance means now: reason codes with their
  // names and meanings, the buttons' work, a generator run's progress.
  std::string onToolTip(int id) override;

  // The slot whose select button is checked: the highest of slots 1 to 4 that is, else 0.
  int selectedSlot() const;

  // A read-only view of the window's state, for tests and diagnostics.
  const std::string& queueName(int slot) const { return queueNames_[slot]; }
  bool slotUsed(int slot) const { return !queueNames_[slot].empty(); }
  std::int32_t alarmState(int slot) const { return alarmStates_[slot]; }
  const std::string& managerName() const { return managerName_; }
  bool managerConnected() const { return manager_ && manager_->connected(); }
  // The queue the slot's queue object reads: an alias's base queue once resolved.
  const std::string& boundQueueName(int slot) const { return queues_[slot]->queueName(); }
  const GenerateOptions& generateOptions() const { return generateOptions_; }

  // Handlers of the event table.
  void pollDepths();
  void emptyQueue(int slot);
  void displayMessage();
  void toggleStayOnTop();
  void removeMessage();
  void startGenerator();
  void numberChanged();
  void changeRefreshRate();
  void showCreditBox();
  void editGenerateOptions();
  // "Stop generator run": every run ends before its next put or pause.
  void stopGeneratorRuns();
  // The request text a Gen press hands to a generator run now.
  std::string generatorRequest() const;
  // The removal's own work: browses the slot's queue to its Nth message and takes the message
  // under the browse cursor. False, with nothing taken, when fewer than N messages are there.
  bool takeNthMessage(int slot, std::int32_t n);
  // The colour query: depth boxes by their slot's alarm state, all else by default.
  std::optional<tk::Colour> colourDepthBox(tk::ColourContext& context, int id, tk::ColourKind kind);

 private:
  void onEmptyButton(int id) { emptyQueue(id - ctl::kFirstEmptyButton); }
  bool connectOrEnd();
  int prepareQueueSlots();
  void showQueueNames();
  void sizeToQueues(int longestName);
  void setDefaults();
  // Once a run has ended: a failure shows in the window as well as on standard output.
  void generatorRunEnded(const RunReport& report);
  std::string depthToolTip(int slot) const;
  std::string progressToolTip();
  // One row of the depth poll; gives the reason of its depth query.
  kx::ReasonCode pollSlot(int slot, double warningFraction);
  void restartTimer(std::int32_t periodMs);
  // The data and both ids show a single blank when there is no message to show.
  void blankMessageIdentity();
  // N of the browser and the removal: the Number edit as an unsigned number, where values from
  // 2^31 up count as below 1, like a missing number.
  std::int32_t messageNumber() const;

  std::unique_ptr<kx::IkxQueueManager> manager_;
  std::array<std::unique_ptr<kx::IkxQueue>, kSlotCount> queues_;
  std::array<std::string, kSlotCount> queueNames_;
  std::array<std::int32_t, kSlotCount> alarmStates_{1, 1, 1, 1, 1};
  // The reason each row's last depth query gave, the reason of the last failed reconnect, and
  // the browser's last failure with the queue it browsed: what the boxes that show them mean.
  std::array<kx::ReasonCode, kSlotCount> slotReasons_{};
  kx::ReasonCode reconnectReason_ = kx::reason::kNone;
  kx::ReasonCode lastErrorReason_ = kx::reason::kNone;
  std::string lastErrorQueue_;
  // The generator runs started from this window that may still be going.
  std::vector<std::shared_ptr<RunReport>> runs_;
  std::string managerName_;
  tk::Colour backgroundBrush_{0, 0, 0};
  GenerateOptions generateOptions_;
  const MonitorIcon& icon_;

  ProcessValues& process_;
  SettingsReader readSettings_;
  std::unique_ptr<DepthAlerts> alerts_;
  DepthAlerts::Send sendAlert_;
};

}  // namespace tarnix
