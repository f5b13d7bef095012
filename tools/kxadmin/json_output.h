#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <span>
#include <string>
#include <string_view>

#include "platform/messaging/queue_message.h"

// kxadmin's --json: one JSON document on standard output for scripts.
namespace kxadmin {

// Standard base64 with padding.
std::string base64(std::span<const std::uint8_t> bytes);
// Whether `text` is well-formed UTF-8 (no overlong forms, surrogates or values past U+10FFFF).
bool isUtf8(std::string_view text);
// Every descriptor field by its name; the data as base64 and, where it is UTF-8, also as text.
nlohmann::json messageJson(std::int64_t number, const kx::QueueMessage& message);
// Prints the document and a newline. A text field that is not UTF-8 shows U+FFFD where it is not.
void printJson(const nlohmann::json& document);

}  // namespace kxadmin
