#include "platform/messaging/store/message_rules.h"

#include <algorithm>
#include <utility>

#include "platform/messaging/get_options.h"
#include "platform/messaging/store/put_context.h"

namespace kx {
namespace {

constexpr std::int32_t kKnownGetOptions = getopt::kBrowseFirst | getopt::kBrowseNext |
                                          getopt::kAcceptTruncated | getopt::kUnderCursor |
                                          getopt::kFailIfQuiescing | getopt::kConvert;

}  // namespace

// Lets the store fill a received message in place, reusing the caller's buffer.
struct MessageFill {
  static void swapBody(QueueMessage& message, std::vector<std::uint8_t>& body,
                       std::size_t totalLength) {
    message.data_.swap(body);
    message.totalLength_ = totalLength;
  }
};

ReasonCode checkForPut(const QueueMessage& message) {
  if (message.format.size() > kFormatWidth || message.replyToQ.size() > kNameWidth ||
      message.replyQmgr.size() > kNameWidth) {
    return reason::kFieldTooLong;
  }
  if (message.expiry != kExpiryUnlimited && message.expiry <= 0) return reason::kExpiryError;
  if (message.priority < -1 || message.priority > 9) return reason::kPriorityError;
  if (message.dataLength() > kMaxMessageLength) return reason::kMessageTooBig;
  return reason::kNone;
}

ReasonCode checkGetOptions(std::int32_t options) {
  const bool browseFirst = options & getopt::kBrowseFirst;
  const bool browseNext = options & getopt::kBrowseNext;
  if ((options & ~kKnownGetOptions) != 0 || (browseFirst && browseNext)) {
    return reason::kOptionsError;
  }
  return reason::kNone;
}

std::string paddedFormat(const std::string& format) {
  std::string padded = format;
  padded.resize(kFormatWidth, ' ');
  return padded;
}

std::optional<std::int64_t> expiresAtOf(const QueueMessage& message, std::int64_t putMs) {
  if (message.expiry == kExpiryUnlimited) return std::nullopt;
  return putMs + std::int64_t{message.expiry} * 100;
}

void completePut(QueueMessage& message, const MessageId24& msgId, std::string format,
                 std::int64_t putMs) {
  message.msgId = msgId;
  message.format = std::move(format);
  message.putAppl = putApplicationName();
  message.putApplType = kPutApplTypeThisPlatform;
  message.putDate = putDateOf(putMs);
  message.putTime = putTimeOf(putMs);
}

void deliver(Delivered& delivered, std::vector<std::uint8_t>& body, std::int64_t nowMs,
             QueueMessage& message) {
  message.msgId = delivered.msgId;
  message.correlId = delivered.correlId;
  if (delivered.expiresAt) {
    const std::int64_t left = (*delivered.expiresAt - nowMs + 99) / 100;
    message.expiry = static_cast<std::int32_t>(std::clamp<std::int64_t>(left, 1, INT32_MAX));
  } else {
    message.expiry = kExpiryUnlimited;
  }
  message.persistent = delivered.persistent ? 1 : 0;
  message.msgType = delivered.msgType;
  message.feedback = delivered.feedback;
  message.ccsid = delivered.ccsid;
  message.format = std::move(delivered.format);
  message.priority = delivered.priority;
  message.report = delivered.report;
  message.backoutCount = delivered.backout;
  message.replyToQ = std::move(delivered.replyQ);
  message.replyQmgr = std::move(delivered.replyQmgr);
  message.putAppl = std::move(delivered.putAppl);
  message.putApplType = delivered.putApplType;
  message.putDate = putDateOf(delivered.putMs);
  message.putTime = putTimeOf(delivered.putMs);
  MessageFill::swapBody(message, body, delivered.length);
}

}  // namespace kx
