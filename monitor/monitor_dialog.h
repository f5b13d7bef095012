#pragma once

#include <cassert>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "history/depth_history.h"
#include "history/history_windows.h"
#include "monitor/depth_alerts.h"
#include "monitor/depth_poll.h"
#include "monitor/generator_launcher.h"
#include "monitor/message_browser.h"
#include "monitor/message_detail_menu.h"
#include "monitor/message_removal.h"
#include "monitor/monitor_controls.h"
#include "monitor/monitor_icon.h"
#include "monitor/monitor_presets.h"
#include "monitor/queue_slots.h"
#include "platform/toolkit/colour.h"
#include "platform/toolkit/dialog.h"

namespace tarnix {

// The monitor window: the connection to one queue manager and its five queue slots, laid out and
// kept on top, with each of its behaviours (the depth poll, the message browser, removal and
// emptying, the generator) in a part of its own that the window routes events to.
class MonitorDialog : public tk::TableDialog<MonitorDialog> {
 public:
  // Applies a settings file's presets during initialisation.
  using SettingsReader = std::function<void(MonitorPresets& presets)>;

  // Makes the queue manager and the five queue objects, but no screen window yet.
  explicit MonitorDialog(SettingsReader readSettings = {});

  void setManagerName(std::string_view name) { slots_.setManagerName(name); }
  // Slots after the last name stay empty.
  void setQueueNames(std::span<const std::string> names) { slots_.setQueueNames(names); }
  // Sends desktop notes of alarms and outages through `send`, as the poll sees them.
  void notifyAlerts(DepthAlerts::Send send) { sendAlert_ = std::move(send); }
  // Keeps every tick's depths in `history`, and opens a queue's History window in `windows` on
  // a double click on its depth box or its "History..." entry (either may be null).
  void keepHistory(DepthHistory* history, HistoryWindows* windows) {
    history_ = history;
    historyWindows_ = windows;
  }
  // Teardown: the five queue objects from the fifth to the first, then the queue manager.
  void releaseClientObjects() { slots_.release(); }

  static std::span<const tk::EventEntry<MonitorDialog>> eventTable();
  void onInitDialog() override;
  std::optional<tk::Colour> onColour(tk::ColourContext& context, int id,
                                     tk::ColourKind kind) override;
  const tk::Icon* onQueryDragIcon() override;
  // What each control that a user may not read at a glance means now: reason codes with their
  // names and meanings, the buttons' work, a generator run's progress.
  std::string onToolTip(int id) override;

  const QueueSlots& queueSlots() const { return slots_; }
  // The window's behaviours, from the start of its initialisation on.
  DepthPoll& depthPoll() { return behaviours().poll; }
  MessageBrowser& messageBrowser() { return behaviours().browser; }
  MessageRemoval& messageRemoval() { return behaviours().removal; }
  GeneratorLauncher& generatorLauncher() { return behaviours().launcher; }

 private:
  struct Behaviours {
    Behaviours(tk::Window& window, QueueSlots& queueSlots)
        : poll(window, queueSlots),
          browser(window, queueSlots),
          removal(window, queueSlots, browser, poll),
          launcher(window, queueSlots),
          detailMenu(window, browser) {}
    DepthPoll poll;
    MessageBrowser browser;
    MessageRemoval removal;
    GeneratorLauncher launcher;
    MessageDetailMenu detailMenu;
  };

  Behaviours& behaviours() {
    assert(behaviours_ != nullptr);
    return *behaviours_;
  }

  // Handlers of the event table: each routes its event to the behaviour it belongs to.
  void onTimer() { depthPoll().pollDepths(); }
  void onRefreshRateChange() { depthPoll().changeRefreshRate(); }
  void onDisplay() { messageBrowser().displayMessage(); }
  void onNumberChange();
  void onRemove() { messageRemoval().removeMessage(); }
  void onEmptyButton(int id) { messageRemoval().emptyQueue(id - ctl::kFirstEmptyButton); }
  void onOpt() { generatorLauncher().editGenerateOptions(); }
  void onGen() { generatorLauncher().startGenerator(); }
  void onStopGeneratorRuns() { generatorLauncher().stopGeneratorRuns(); }
  void onDepthBoxDoubleClick(int id);
  void onHistoryCommand(int id) { openHistory(id - ctl::kFirstHistoryCommand); }
  void openHistory(int slot);
  void startHistory();
  void onSaveMessage() { behaviours().detailMenu.saveMessage(); }
  void onCopyAsText() { behaviours().detailMenu.copyAsText(); }
  void onCopyAsHex() { behaviours().detailMenu.copyAsHex(); }
  // The window's own.
  void toggleStayOnTop();
  void showCreditBox();

  bool connectOrEnd();
  void showQueueNames();
  void sizeToQueues(int longestName);
  void setDefaults();

  QueueSlots slots_;
  // Made as initialisation starts, when the window exists; declared after the slots they use.
  std::unique_ptr<Behaviours> behaviours_;
  // Browsing follows the Number box only once initialisation has ended.
  bool initDone_ = false;
  const MonitorIcon& icon_;
  SettingsReader readSettings_;
  DepthAlerts::Send sendAlert_;
  DepthHistory* history_ = nullptr;
  HistoryWindows* historyWindows_ = nullptr;
};

}  // namespace tarnix
