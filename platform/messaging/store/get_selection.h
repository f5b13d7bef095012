#pragma once

#include <cstdint>
#include <optional>

#include "platform/messaging/queue_message.h"
#include "platform/messaging/reason_codes.h"
#include "platform/messaging/store/internal.h"

namespace kx {

// Which message a get asks for, decided the same way by every backend from the get's options, the
// ids the message names and the caller's browse cursor (a store id).
struct GetSelection {
  // Bits of `variant`; a backend adds bits of its own above kOwnVariants.
  static constexpr unsigned kExact = 1;  // the message under the cursor, not the next after it
  static constexpr unsigned kByMsgId = 2;
  static constexpr unsigned kByCorrelId = 4;
  static constexpr unsigned kOwnVariant = 8;

  bool browseFirst = false;
  bool browseNext = false;
  bool browse = false;  // either: the message stays on the queue
  // A take that delivers the message, and so confirms its delivery when it asks for that; an
  // emptying of the queue takes without delivering.
  bool confirmsDelivery = false;
  bool underCursor = false;
  bool acceptTruncated = false;
  std::optional<std::size_t> buffer;  // the receive buffer fixed by the message, if any
  unsigned variant = 0;
  // The sequence the message is at (kExact), or the one the next message comes after: 0 is
  // before the first.
  std::int64_t position = 0;
  // The sequence an asked-for message id carries when the store assigned it on this queue; -1
  // when it cannot be one of this queue's.
  std::int64_t assignedSeq = -1;

  // Of a get with checked `options` on the queue `queueId`.
  static GetSelection of(std::int32_t options, const QueueMessage& message, std::int64_t queueId,
                         std::int64_t cursor);
  // How a get that ended with `outcome` moves the cursor: a browse onto the message it found
  // (`found`, its store id), even one too long for the buffer; a browse-first that found nothing
  // back to before the first.
  void moveCursor(ReasonCode outcome, std::int64_t found, std::int64_t& cursor) const;
};

}  // namespace kx
