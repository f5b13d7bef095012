#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "platform/messaging/message_id.h"
#include "platform/messaging/queue_message.h"

namespace kx {

// What a descriptor field holds.
enum class FieldKind {
  kInteger,  // a signed 32-bit number
  kText,     // text of at most `width` bytes
  kId,       // a MessageId24: 24 bytes, or none
};

// One field of a message's descriptor: its name wherever a message is written out (kxadmin's
// JSON, exported message lines), its kind, and where it lives on a QueueMessage. Exactly one of
// the member pointers is set, the one of its kind.
struct MessageField {
  std::string_view name;
  FieldKind kind;
  std::size_t width;  // text: the most bytes it holds; id: 24; integer: 0
  std::int32_t QueueMessage::*integer = nullptr;
  std::string QueueMessage::*text = nullptr;
  MessageId24 QueueMessage::*id = nullptr;
};

// Every descriptor field of a QueueMessage, each once, in the order the monitor shows them.
std::span<const MessageField> messageFields();

}  // namespace kx
