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

std::string storedColumns(std::string_view prefix) {
  std::string columns;
  for (const MessageField* field : kStoredFields) {
    if (!columns.empty()) columns += ", ";
    columns.append(prefix).append(field->column);
  }
  return columns;
}

void storeForPut(const QueueMessage& message, std::int64_t putMs, StoredMessage& stored) {
  for (const MessageField* field : kStoredFields) copyField(*field, message, stored.descriptor);
  QueueMessage& descriptor = stored.descriptor;
  descriptor.format = paddedFormat(message.format);
  descriptor.priority = std::max(0, message.priority);
  descriptor.putAppl = putApplicationName();
  descriptor.putApplType = kPutApplTypeThisPlatform;
  descriptor.msgId = message.msgId;
  stored.supplied = !message.msgId.isNone();
  stored.expiresAt = expiresAtOf(message, putMs);
  stored.putMs = putMs;
  stored.length = message.dataLength();
}

void completePut(QueueMessage& message, const StoredMessage& stored) {
  message.msgId = stored.descriptor.msgId;
  message.format = stored.descriptor.format;
  message.putAppl = stored.descriptor.putAppl;
  message.putApplType = stored.descriptor.putApplType;
  message.putDate = putDateOf(stored.putMs);
  message.putTime = putTimeOf(stored.putMs);
}

void deliver(StoredMessage& delivered, std::vector<std::uint8_t>& body, std::int64_t nowMs,
             QueueMessage& message) {
  QueueMessage& descriptor = delivered.descriptor;
  for (const MessageField* field : kStoredFields) {
    if (field->kind == FieldKind::kText) {
      message.*field->text = std::move(descriptor.*field->text);
    } else {
      copyField(*field, descriptor, message);
    }
  }
  message.msgId = descriptor.msgId;
  if (delivered.expiresAt) {
    const std::int64_t left = (*delivered.expiresAt - nowMs + 99) / 100;
    message.expiry = static_cast<std::int32_t>(std::clamp<std::int64_t>(left, 1, INT32_MAX));
  } else {
    message.expiry = kExpiryUnlimited;
  }
  message.putDate = putDateOf(delivered.putMs);
  message.putTime = putTimeOf(delivered.putMs);
  MessageFill::swapBody(message, body, delivered.length);
}

}  // namespace kx
