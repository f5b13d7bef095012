#include "monitor/message_removal.h"

#include "platform/messaging/get_options.h"
#include "platform/toolkit/message_box.h"

namespace tarnix {
namespace {

constexpr std::int32_t kBrowseFirst = kx::getopt::kBrowseFirst | kx::getopt::kFailIfQuiescing;
constexpr std::int32_t kBrowseNext = kx::getopt::kBrowseNext | kx::getopt::kFailIfQuiescing;
// Takes exactly the message the last browse stood on; if another program took it meanwhile, the
// get fails rather than take the next one.
constexpr std::int32_t kTakeUnderCursor = kx::getopt::kUnderCursor | kx::getopt::kFailIfQuiescing;
// Takes whatever comes first and keeps none of its data; an emptying confirms no delivery.
constexpr std::int32_t kTakeDiscarding =
    kx::getopt::kAcceptTruncated | kx::getopt::kFailIfQuiescing | kx::getopt::kEmptying;

constexpr const char* kConfirmCaption = "Empty Queue?";

// The question names the queue of the row whose button was pressed, which need not be the one
// selected.
std::string confirmText(const std::string& queueName) {
  return "Are you sure you want to delete all messages from queue " + queueName + "?";
}

}  // namespace

MessageRemoval::MessageRemoval(tk::Window& window, QueueSlots& queueSlots, MessageBrowser& browser,
                               DepthPoll& poll)
    : window_(window), slots_(queueSlots), browser_(browser), poll_(poll) {}

void MessageRemoval::presetConfirmDelete(bool confirm) {
  window_.setChecked(ctl::kConfirmDelete, confirm);
}

void MessageRemoval::removeMessage() {
  const int slot = selectedSlot(window_);
  const std::int32_t n = browser_.messageNumber();
  if (n < 1 || !takeNthMessage(slot, n)) {
    browser_.blankMessageIdentity();
    return;
  }
  browser_.displayMessage();  // what moved into position N, or why nothing stands there
}

bool MessageRemoval::takeNthMessage(int slot, std::int32_t n) {
  kx::IkxQueue& queue = slots_.queue(slot);
  queue.openWith(kx::openopt::kInputAsDefined);
  kx::QueueMessage message;
  kx::GetOptions options{kBrowseFirst};
  for (std::int32_t pass = 0; pass < n; ++pass) {
    message.msgId.reset();
    message.correlId.reset();
    if (!queue.get(message, options)) return false;
    options.options = kBrowseNext;
  }
  options.options = kTakeUnderCursor;
  message.msgId.reset();
  message.correlId.reset();
  queue.get(message, options);  // a failure shows in the display that follows
  return true;
}

void MessageRemoval::emptyQueue(int slot) {
  // A row without a queue has nothing to empty and nothing to ask about.
  if (!slots_.used(slot)) return;
  if (window_.isChecked(ctl::kConfirmDelete) &&
      window_.messageBox(confirmText(slots_.queueName(slot)), kConfirmCaption,
                         tk::mb::kYesNoQuestion) == tk::kIdNo) {
    return;
  }
  // During a reconnect back-off the button ends the wait instead: the next tick comes at the
  // normal period and tries the queue manager again.
  if (poll_.endBackOff()) return;

  // A queue object of its own, named as the operator named the queue, so that the slot's browse
  // cursor and open state are left alone.
  kx::IkxQueue queue;
  queue.setQueueName(slots_.queueName(slot));
  queue.bindManager(slots_.manager());
  kx::QueueMessage message;
  message.setBufferSize(0);
  if (!queue.openWith(kx::openopt::kInputAsDefined)) return;
  const kx::GetOptions options{kTakeDiscarding};
  do {
    message.msgId.reset();
    message.correlId.reset();
  } while (queue.get(message, options));
}

std::string MessageRemoval::toolTip(int id) const {
  for (int k = 0; k < kSlotCount; ++k) {
    if (slots_.used(k) && id == ctl::emptyButton(k)) return "Empty " + slots_.queueName(k);
  }
  if (id == ctl::kRemove)
    return "Remove message Number from " + slots_.queueName(selectedSlot(window_));
  return {};
}

}  // namespace tarnix
