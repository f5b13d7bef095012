#include "platform/messaging/message_fields.h"

#include <array>

namespace kx {
namespace {

constexpr MessageField integer(std::string_view name, std::int32_t QueueMessage::*member) {
  return {name, FieldKind::kInteger, 0, member, nullptr, nullptr};
}
constexpr MessageField text(std::string_view name, std::size_t width,
                            std::string QueueMessage::*member) {
  return {name, FieldKind::kText, width, nullptr, member, nullptr};
}
constexpr MessageField id(std::string_view name, MessageId24 QueueMessage::*member) {
  return {name, FieldKind::kId, MessageId24::kSize, nullptr, nullptr, member};
}

constexpr std::array kFields = {
    text("format", kFormatWidth, &QueueMessage::format),
    integer("expiry", &QueueMessage::expiry),
    integer("ccsid", &QueueMessage::ccsid),
    integer("backoutCount", &QueueMessage::backoutCount),
    text("replyToQ", kNameWidth, &QueueMessage::replyToQ),
    text("replyQmgr", kNameWidth, &QueueMessage::replyQmgr),
    integer("msgType", &QueueMessage::msgType),
    integer("priority", &QueueMessage::priority),
    integer("feedback", &QueueMessage::feedback),
    text("putAppl", kPutApplWidth, &QueueMessage::putAppl),
    integer("putApplType", &QueueMessage::putApplType),
    text("putTime", kPutTimeWidth, &QueueMessage::putTime),
    text("putDate", kPutDateWidth, &QueueMessage::putDate),
    integer("persistent", &QueueMessage::persistent),
    integer("report", &QueueMessage::report),
    id("msgId", &QueueMessage::msgId),
    id("correlId", &QueueMessage::correlId),
};

}  // namespace

std::span<const MessageField> messageFields() { return kFields; }

}  // namespace kx
