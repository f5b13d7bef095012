#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

#include "platform/messaging/queue_message.h"

// A message as one JSON object: how kxadmin browses, exports and imports messages and how the
// monitor saves one. Every descriptor field by its name (message_fields.h), an id as 48 hex
// digits or null when it is none; "length", the length of the message on its queue; "data", the
// data as base64; and "text", the data once more where it is UTF-8, for people to read.
namespace kx {

// Whether `text` is well-formed UTF-8 (no overlong forms, surrogates or values past U+10FFFF).
bool isUtf8(std::string_view text);

nlohmann::json messageJson(const QueueMessage& message);
// The object on one line, without the newline. Throws nlohmann::json::type_error when a
// descriptor text is not UTF-8, which JSON cannot carry unchanged.
std::string messageLine(const QueueMessage& message);

// Reads one line into `message`, checked whole first: a JSON object with every descriptor field,
// each of its kind and within its width, and "data" as canonical base64; "length" and "text",
// when present, must agree with the data; no other member. Gives what is wrong, or "" when
// `message` holds the line's message. On a problem `message` is left as it was.
std::string readMessageLine(std::string_view line, QueueMessage& message);

}  // namespace kx
