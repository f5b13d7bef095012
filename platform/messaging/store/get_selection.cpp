#include "platform/messaging/store/get_selection.h"

#include "platform/messaging/get_options.h"
#include "platform/messaging/store/put_context.h"

namespace kx {

GetSelection GetSelection::of(std::int32_t options, const QueueMessage& message,
                              std::int64_t queueId, std::int64_t cursor) {
  GetSelection selection;
  selection.browseFirst = options & getopt::kBrowseFirst;
  selection.browseNext = options & getopt::kBrowseNext;
  selection.browse = selection.browseFirst || selection.browseNext;
  selection.confirmsDelivery = !selection.browse && (options & getopt::kEmptying) == 0;
  selection.underCursor = options & getopt::kUnderCursor;
  selection.acceptTruncated = options & getopt::kAcceptTruncated;
  selection.buffer = message.bufferSize();
  // The cursor is a store id; one from another queue (one deleted since) is no position here.
  const std::int64_t cursorSeq = queueIdIn(cursor) == queueId ? sequenceIn(cursor) : 0;
  if (selection.underCursor) {
    selection.variant = kExact;
    selection.position = cursorSeq;  // sequences start at 1: 0 is no message
    return selection;
  }
  selection.position = selection.browseNext ? cursorSeq : 0;
  if (!message.msgId.isNone()) {
    selection.variant |= kByMsgId;
    // An assigned id carries its message's store id; a putter's id is found by its index.
    const std::int64_t storeId = storeIdIn(message.msgId);
    if (queueIdIn(storeId) == queueId) selection.assignedSeq = sequenceIn(storeId);
  }
  if (!message.correlId.isNone()) selection.variant |= kByCorrelId;
  return selection;
}

void GetSelection::moveCursor(ReasonCode outcome, std::int64_t found, std::int64_t& cursor) const {
  if (!browse) return;
  if (outcome == reason::kNone || outcome == reason::kTruncatedMessageFailed) {
    cursor = found;
  } else if (outcome == reason::kNoMessageAvailable && browseFirst) {
    cursor = 0;
  }
}

}  // namespace kx
