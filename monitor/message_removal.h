#pragma once

#include <cstdint>
#include <string>

#include "monitor/depth_poll.h"
#include "monitor/message_browser.h"
#include "monitor/queue_slots.h"
#include "platform/toolkit/window.h"

namespace tarnix {

// The monitor's two destructive operations: Remove takes the Nth message of the selected queue
// and shows what moved into its place; the C, L, E, A, R buttons empty the queue of their row,
// after a question while Confirm Del is ticked.
class MessageRemoval {
 public:
  MessageRemoval(tk::Window& window, QueueSlots& queueSlots, MessageBrowser& browser,
                 DepthPoll& poll);

  // Confirm Del at its default, ticked.
  void showDefaults() { presetConfirmDelete(true); }
  // What the settings file presets: whether emptying asks first.
  void presetConfirmDelete(bool confirm);

  void removeMessage();
  // Browses the slot's queue to its Nth message and takes the message under the browse cursor.
  // False, with nothing taken, when fewer than N messages are there.
  bool takeNthMessage(int slot, std::int32_t n);
  // During a reconnect back-off, the button ends the wait instead of emptying.
  void emptyQueue(int slot);
  // What an empty button or the Remove button does; empty for other controls.
  std::string toolTip(int id) const;

 private:
  tk::Window& window_;
  QueueSlots& slots_;
  MessageBrowser& browser_;
  DepthPoll& poll_;
};

}  // namespace tarnix
