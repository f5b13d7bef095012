#include "platform/messaging/store/message_rules.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <utility>

#include "platform/messaging/get_options.h"
#include "platform/messaging/store/put_context.h"

namespace kx {
namespace {

constexpr std::int32_t kKnownGetOptions = getopt::kBrowseFirst | getopt::kBrowseNext |
                                          getopt::kAcceptTruncated | getopt::kUnderCursor |
                                          getopt::kFailIfQuiescing | getopt::kConvert |
                                          getopt::kEmptying;

// The two-digit number at `at` of `text`, or -1.
int twoDigits(const std::string& text, std::size_t at) {
  int value = -1;
  const char* first = text.data() + at;
  const auto [end, error] = std::from_chars(first, first + 2, value);
  return error == std::errc() && end == first + 2 ? value : -1;
}

// The time a kept put context names: putDate "YYYYMMDD" from 1970 and putTime "HHMMSSTH" (UTC),
// in milliseconds since the epoch; nullopt for anything else.
std::optional<std::int64_t> givenPutMs(const QueueMessage& message) {
  const std::string& date = message.putDate;
  const std::string& time = message.putTime;
  if (date.size() != kPutDateWidth || time.size() != kPutTimeWidth) return std::nullopt;
  for (const std::string* text : {&date, &time}) {
    if (!std::all_of(text->begin(), text->end(), [](char c) { return c >= '0' && c <= '9'; })) {
      return std::nullopt;
    }
  }
  const int year = twoDigits(date, 0) * 100 + twoDigits(date, 2);
  const std::chrono::year_month_day day{std::chrono::year(year),
                                        std::chrono::month(unsigned(twoDigits(date, 4))),
                                        std::chrono::day(unsigned(twoDigits(date, 6)))};
  const int hours = twoDigits(time, 0);
  const int minutes = twoDigits(time, 2);
  const int seconds = twoDigits(time, 4);
  const int hundredths = twoDigits(time, 6);
  if (year < 1970 || !day.ok() || hours > 23 || minutes > 59 || seconds > 59) return std::nullopt;
  const auto midnight = std::chrono::sys_days(day).time_since_epoch();
  return std::chrono::duration_cast<std::chrono::milliseconds>(midnight).count() +
         ((std::int64_t{hours} * 60 + minutes) * 60 + seconds) * 1000 +
         std::int64_t{hundredths} * 10;
}

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
  if (message.keepPutContext) {
    if (message.putAppl.size() > kPutApplWidth) return reason::kFieldTooLong;
    if (!givenPutMs(message)) return reason::kValueError;
  }
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

void storeForPut(const QueueMessage& message, std::int64_t nowMs, StoredMessage& stored) {
  for (const MessageField* field : kStoredFields) copyField(*field, message, stored.descriptor);
  QueueMessage& descriptor = stored.descriptor;
  descriptor.format = paddedFormat(message.format);
  descriptor.priority = std::max(0, message.priority);
  // A message that asks to keep its put context (checked by checkForPut) is stored with it; any
  // other with this put's own. Its expiry counts from now either way: it is what is left.
  if (const auto kept = message.keepPutContext ? givenPutMs(message) : std::nullopt) {
    stored.putMs = *kept;
  } else {
    descriptor.putAppl = putApplicationName();
    descriptor.putApplType = kPutApplTypeThisPlatform;
    stored.putMs = nowMs;
  }
  descriptor.msgId = message.msgId;
  stored.supplied = !message.msgId.isNone();
  stored.expiresAt = expiresAtOf(message, nowMs);
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
