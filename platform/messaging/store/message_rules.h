#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/messaging/message_fields.h"
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

// A message as a store keeps it: the descriptor fields it keeps as the message gives them, and
// those it keeps in forms of its own. The descriptor's data stays empty: the body travels apart.
struct StoredMessage {
  QueueMessage descriptor;
  bool supplied = false;  // the putter gave the message id; otherwise the store assigned it
  std::optional<std::int64_t> expiresAt;  // milliseconds since the epoch
  std::int64_t putMs = 0;
  std::size_t length = 0;  // of the whole body as it stood on the queue
};

// The descriptor fields a store keeps in columns of their own names, in the order of the columns.
inline constexpr std::size_t kStoredFieldCount =
    std::count_if(std::begin(kMessageFields), std::end(kMessageFields),
                  [](const MessageField& field) { return field.column != nullptr; });
inline constexpr auto kStoredFields = [] {
  std::array<const MessageField*, kStoredFieldCount> fields{};
  std::size_t next = 0;
  for (const MessageField& field : kMessageFields) {
    if (field.column != nullptr) fields[next++] = &field;
  }
  return fields;
}();

// The stored fields' columns, each after `prefix` (a table's alias and its dot, or nothing),
// joined by ", ".
std::string storedColumns(std::string_view prefix);

// What a put at `nowMs` stores of a checked message: its descriptor with the format blank-padded,
// the priority "as the queue's default" (-1) as 0, the putting program, its type and the put time
// (this put's own, or the message's when it asks to keep its put context), and the expiry as a
// time from now; the message id is the putter's, or none for the store to assign.
void storeForPut(const QueueMessage& message, std::int64_t nowMs, StoredMessage& stored);

// After a put: the message gets the id it was stored with and the put context.
void completePut(QueueMessage& message, const StoredMessage& stored);

// Hands a delivered message to the caller: the descriptor, the expiry left at `nowMs`, and
// `body` (as much of the data as the receive buffer takes), swapped in so no byte is copied.
void deliver(StoredMessage& delivered, std::vector<std::uint8_t>& body, std::int64_t nowMs,
             QueueMessage& message);

}  // namespace kx
