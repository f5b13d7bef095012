#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "monitor/queue_slots.h"
#include "platform/messaging/queue_message.h"
#include "platform/messaging/reason_codes.h"
#include "platform/toolkit/window.h"

namespace tarnix {

// The message browser: shows the Nth message of the selected queue, with every descriptor field,
// without taking it off the queue. Each display browses afresh from the first message, so it
// shows what is Nth now.
class MessageBrowser {
 public:
  MessageBrowser(tk::Window& window, QueueSlots& queueSlots);

  // The Number box at its default, 1.
  void showDefaults();
  // Display, Hex and every change of Number once the window is initialised.
  void displayMessage();
  // N of the browser and the removal: the Number box as an unsigned number, where values from
  // 2^31 up count as below 1, like a missing number.
  std::int32_t messageNumber() const;
  // The data and both ids show a single blank when there is no message to show.
  void blankMessageIdentity();
  // What the Display button does, or what the Last Error box means now; empty for other
  // controls.
  std::string toolTip(int id) const;
  // The message the data and ids show now, for the detail's menu; none once they show a blank.
  const std::optional<kx::QueueMessage>& shownMessage() const { return shown_; }

 private:
  void showMessage(const kx::QueueMessage& message);

  tk::Window& window_;
  QueueSlots& slots_;
  // The last failure to browse, with the queue it browsed: what the Last Error box means.
  kx::ReasonCode lastErrorReason_ = kx::reason::kNone;
  std::string lastErrorQueue_;
  std::optional<kx::QueueMessage> shown_;
};

}  // namespace tarnix
