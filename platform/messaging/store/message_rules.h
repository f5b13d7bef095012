#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/messaging/message_id.h"
#include "platform/messaging/queue_message.h"
#include "platform/messaging/reason_codes.h"
#include "platform/messaging/store/internal.h"

// What every backend checks and fills in the same way, so that a message looks the same whichever
// store kept it.
namespace kx {

// A message is checked whole before any store is touched: texts within their widths, an expiry
// that is positive or unlimited, a priority within -1..9, a body within the largest length, and a
// put context it asks to keep that is a real date and time.
ReasonCode checkForPut(const QueueMessage& message);
// Unknown bits, or browse-first with browse-next, fail with kOptionsError.
ReasonCode checkGetOptions(std::int32_t options);

// The format as stored: blank-padded to its width.
std::string paddedFormat(const std::string& format);
// The expiry a message is stored with, in milliseconds since the epoch; none when unlimited.
std::optional<std::int64_t> expiresAtOf(const QueueMessage& message, std::int64_t putMs);

// The put context a message is stored with: the one it carries when it asks to keep it (checked
// by checkForPut), else this put's own at `nowMs`. putAppl lasts as long as the message.
struct PutContext {
  std::int64_t putMs = 0;
  std::string_view putAppl;
  std::int32_t putApplType = 0;
};
PutContext putContextFor(const QueueMessage& message, std::int64_t nowMs);

// After a put: the id it got and the put context it was stored with (putMs from putContextFor).
void completePut(QueueMessage& message, const MessageId24& msgId, std::string format,
                 std::int64_t putMs);

// A message's descriptor as a backend read it off its queue.
struct Delivered {
  MessageId24 msgId;
  MessageId24 correlId;
  std::optional<std::int64_t> expiresAt;
  bool persistent = false;
  std::int64_t putMs = 0;
  std::int32_t msgType = 0;
  std::int32_t feedback = 0;
  std::int32_t ccsid = 0;
  std::string format;
  std::int32_t priority = 0;
  std::int32_t report = 0;
  std::int32_t backout = 0;
  std::string replyQ;
  std::string replyQmgr;
  std::string putAppl;
  std::int32_t putApplType = 0;
  std::size_t length = 0;  // of the whole body as it stood on the queue
};

// Hands a delivered message to the caller: the descriptor, the expiry left at `nowMs`, and
// `body` (as much of the data as the receive buffer takes), swapped in so no byte is copied.
void deliver(Delivered& delivered, std::vector<std::uint8_t>& body, std::int64_t nowMs,
             QueueMessage& message);

}  // namespace kx
