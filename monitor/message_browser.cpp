#include "monitor/message_browser.h"

#include "monitor/message_text.h"
#include "monitor/reason_tip.h"
#include "platform/messaging/dead_letter.h"
#include "platform/messaging/get_options.h"

namespace tarnix {
namespace {

// The display browses with conversion of the data; the removal's browses need none.
constexpr std::int32_t kDisplayFirst =
    kx::getopt::kBrowseFirst | kx::getopt::kConvert | kx::getopt::kFailIfQuiescing;
constexpr std::int32_t kDisplayNext =
    kx::getopt::kBrowseNext | kx::getopt::kConvert | kx::getopt::kFailIfQuiescing;

// What the feedback code of a report says, for the Feedback box's tip.
std::string feedbackTip(std::int32_t feedback) {
  if (feedback == 0) return {};
  return std::to_string(feedback) + ": " + kx::reasonName(feedback);
}

// The dead-letter header a message starts with, in words, for the data box's tip.
std::string deadLetterTip(const kx::QueueMessage& message) {
  if (message.format != kx::dead_letter::kFormat) return {};
  const auto header = kx::dead_letter::read(message.data());
  if (!header) return {};
  std::string tip = "Dead-letter header: " + std::to_string(header->reason) + " (" +
                    kx::reasonName(header->reason) + ")";
  tip += ", for " + (header->queue.empty() ? std::string("no queue") : header->queue);
  if (!header->manager.empty()) tip += " on " + header->manager;
  const std::string& d = header->putDate;
  const std::string& t = header->putTime;
  tip += ", put aside " + d.substr(0, 4) + "-" + d.substr(4, 2) + "-" + d.substr(6, 2) + " " +
         t.substr(0, 2) + ":" + t.substr(2, 2) + ":" + t.substr(4, 2) + " UTC";
  tip += ", format " + header->format;
  return tip;
}

}  // namespace

MessageBrowser::MessageBrowser(tk::Window& window, QueueSlots& queueSlots)
    : window_(window), slots_(queueSlots) {}

void MessageBrowser::showDefaults() { window_.setUnsigned(ctl::kNumber, 1); }

void MessageBrowser::displayMessage() {
  const int slot = selectedSlot(window_);
  const std::int32_t n = messageNumber();
  if (n < 1) {
    blankMessageIdentity();
    return;
  }

  kx::IkxQueue& queue = slots_.queue(slot);
  kx::QueueMessage message;
  kx::GetOptions options{kDisplayFirst};
  queue.get(message, options);
  if (queue.reason() != kx::reason::kNone) {
    lastErrorReason_ = queue.reason();
    lastErrorQueue_ = slots_.queueName(slot);
    window_.setSigned(ctl::kLastError, queue.reason());
    window_.setText(ctl::kErrorMark, "e");
    return;
  }
  // The first pass browses the first message again; pass k takes the kth.
  for (std::int32_t pass = 0; pass < n; ++pass) {
    message.msgId.reset();
    message.correlId.reset();
    if (!queue.get(message, options)) {
      blankMessageIdentity();
      window_.setText(ctl::kMsgLength, " ");
      return;
    }
    options.options = kDisplayNext;
  }
  showMessage(message);
}

void MessageBrowser::showMessage(const kx::QueueMessage& message) {
  tk::Window& w = window_;
  w.setText(ctl::kMessageData,
            w.isChecked(ctl::kHex) ? hexBytes(message.data()) : textBytes(message.data()));
  w.setSigned(ctl::kMsgLength, static_cast<std::int32_t>(message.dataLength()));
  w.setText(ctl::kFormat, message.format);
  w.setSigned(ctl::kExpiry, message.expiry);
  w.setSigned(ctl::kCcsid, message.ccsid);
  w.setSigned(ctl::kBackoutCount, message.backoutCount);
  w.setText(ctl::kReplyToQ, message.replyToQ);
  w.setText(ctl::kReplyQmgr, message.replyQmgr);
  w.setText(ctl::kMsgType, messageTypeLabel(message.msgType));
  w.setSigned(ctl::kPriority, message.priority);
  w.setSigned(ctl::kFeedback, message.feedback);
  w.setText(ctl::kPutAppl, message.putAppl);
  w.setText(ctl::kPutApplType, putApplTypeLabel(message.putApplType));
  w.setText(ctl::kPutTime, putTimeText(message.putTime));
  w.setText(ctl::kPutDate, message.putDate);
  w.setChecked(ctl::kPersistent, message.persistent != 0);
  w.setText(ctl::kMsgId, message.msgId.toHex());
  w.setText(ctl::kCorrelId, message.correlId.toHex());
  shown_ = message;
}

std::int32_t MessageBrowser::messageNumber() const {
  return static_cast<std::int32_t>(window_.readUnsigned(ctl::kNumber));
}

void MessageBrowser::blankMessageIdentity() {
  shown_.reset();
  window_.setText(ctl::kMessageData, " ");
  window_.setText(ctl::kMsgId, " ");
  window_.setText(ctl::kCorrelId, " ");
}

std::string MessageBrowser::toolTip(int id) const {
  switch (id) {
    case ctl::kLastError:
      return explainShownReason(window_, id, lastErrorReason_, slots_.manager().managerName(),
                                lastErrorQueue_);
    case ctl::kDisplay:
      return "Show message Number of " + slots_.queueName(selectedSlot(window_)) +
             ", with its descriptor";
    case ctl::kFeedback:
      return shown_ ? feedbackTip(shown_->feedback) : std::string();
    case ctl::kMessageData:
      return shown_ ? deadLetterTip(*shown_) : std::string();
    default:
      return {};
  }
}

}  // namespace tarnix
