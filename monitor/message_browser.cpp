// The message browser: shows the Nth message of the selected queue without taking it off the
// queue. Each display browses afresh from the first message, so it shows what is Nth now.
#include <cstdint>
#include <string>

#include "monitor/message_text.h"
#include "monitor/monitor_dialog.h"
#include "platform/messaging/get_options.h"

namespace tarnix {
namespace {

// The display browses with conversion of the data; the removal's browses need none.
constexpr std::int32_t kDisplayFirst =
    kx::getopt::kBrowseFirst | kx::getopt::kConvert | kx::getopt::kFailIfQuiescing;
constexpr std::int32_t kDisplayNext =
    kx::getopt::kBrowseNext | kx::getopt::kConvert | kx::getopt::kFailIfQuiescing;

}  // namespace

void MonitorDialog::displayMessage() {
  tk::Window& w = window();
  const int slot = selectedSlot();
  const std::int32_t n = messageNumber();
  if (n < 1) {
    blankMessageIdentity();
    return;
  }

  kx::IkxQueue& queue = *queues_[slot];
  kx::QueueMessage message;
  kx::GetOptions options{kDisplayFirst};
  queue.get(message, options);
  if (queue.reason() != kx::reason::kNone) {
    lastErrorReason_ = queue.reason();
    lastErrorQueue_ = queueNames_[slot];
    w.setSigned(ctl::kLastError, queue.reason());
    w.setText(ctl::kErrorMark, "e");
    return;
  }
  // The first pass browses the first message again; pass k takes the kth.
  for (std::int32_t pass = 0; pass < n; ++pass) {
    message.msgId.reset();
    message.correlId.reset();
    if (!queue.get(message, options)) {
      blankMessageIdentity();
      w.setText(ctl::kMsgLength, " ");
      return;
    }
    options.options = kDisplayNext;
  }

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
}

std::int32_t MonitorDialog::messageNumber() const {
  return static_cast<std::int32_t>(window().readUnsigned(ctl::kNumber));
}

void MonitorDialog::blankMessageIdentity() {
  window().setText(ctl::kMessageData, " ");
  window().setText(ctl::kMsgId, " ");
  window().setText(ctl::kCorrelId, " ");
}

}  // namespace tarnix
