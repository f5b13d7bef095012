#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/messaging/message_id.h"
#include "platform/messaging/queue_message.h"

namespace kx {

// How a descriptor field holds its value.
enum class FieldKind {
  kNumber,  // a 32-bit number
  kFlag,    // a number that is 0 or not: the stores keep it as yes or no
  kText,    // a text of at most `width` characters
  kId,      // a 24-byte identifier, or none
};

// One descriptor field of a QueueMessage: its name (as the class names it), its kind, and the
// member that holds it, so that code can read and set every field by name. `column` is the
// stores' column for a field they keep as the message gives it; the fields a store keeps in a form
// of its own (the message id it may assign, the expiry as a time, the put date and time as one
// instant) have none.
struct MessageField {
  const char* name;
  FieldKind kind;
  const char* column = nullptr;
  std::int32_t QueueMessage::*number = nullptr;  // kNumber and kFlag
  std::string QueueMessage::*text = nullptr;     // kText
  MessageId24 QueueMessage::*id = nullptr;       // kId
  std::size_t width = 0;                         // kText: the most characters it holds
};

namespace field_detail {
constexpr MessageField number(const char* name, const char* column,
                              std::int32_t QueueMessage::*member) {
  return {name, FieldKind::kNumber, column, member, nullptr, nullptr, 0};
}
constexpr MessageField flag(const char* name, const char* column,
                            std::int32_t QueueMessage::*member) {
  return {name, FieldKind::kFlag, column, member, nullptr, nullptr, 0};
}
constexpr MessageField text(const char* name, const char* column, std::string QueueMessage::*member,
                            std::size_t width) {
  return {name, FieldKind::kText, column, nullptr, member, nullptr, width};
}
constexpr MessageField id(const char* name, const char* column, MessageId24 QueueMessage::*member) {
  return {name, FieldKind::kId, column, nullptr, nullptr, member, 0};
}
}  // namespace field_detail

// Every descriptor field, in the order a message's descriptor is shown. Adding a field to
// QueueMessage means adding it here; the stores make, write and read its column from this list.
inline constexpr MessageField kMessageFields[] = {
    field_detail::number("msgType", "msg_type", &QueueMessage::msgType),
    field_detail::number("expiry", nullptr, &QueueMessage::expiry),
    field_detail::number("feedback", "feedback", &QueueMessage::feedback),
    field_detail::number("ccsid", "ccsid", &QueueMessage::ccsid),
    field_detail::text("format", "format", &QueueMessage::format, kFormatWidth),
    field_detail::number("priority", "priority", &QueueMessage::priority),
    field_detail::flag("persistent", "persistent", &QueueMessage::persistent),
    field_detail::number("report", "report", &QueueMessage::report),
    field_detail::number("backoutCount", "backout", &QueueMessage::backoutCount),
    field_detail::text("replyToQ", "reply_q", &QueueMessage::replyToQ, kNameWidth),
    field_detail::text("replyQmgr", "reply_qmgr", &QueueMessage::replyQmgr, kNameWidth),
    field_detail::text("putAppl", "put_appl", &QueueMessage::putAppl, kPutApplWidth),
    field_detail::number("putApplType", "put_appl_type", &QueueMessage::putApplType),
    field_detail::text("putDate", nullptr, &QueueMessage::putDate, kPutDateWidth),
    field_detail::text("putTime", nullptr, &QueueMessage::putTime, kPutTimeWidth),
    field_detail::id("msgId", nullptr, &QueueMessage::msgId),
    field_detail::id("correlId", "correl_id", &QueueMessage::correlId),
};

// The field of that name; null when there is none.
const MessageField* messageField(std::string_view name);

// Copies one field's value from one message to another.
void copyField(const MessageField& field, const QueueMessage& from, QueueMessage& to);

}  // namespace kx
