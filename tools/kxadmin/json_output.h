#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>

#include "platform/messaging/queue_message.h"

// kxadmin's --json: one JSON document on standard output for scripts.
namespace kxadmin {

// A browsed message as an exported line gives it (platform/messaging/message_line.h), with its
// place in the browse as "number", and the names of its type, feedback and report word and its
// dead-letter header as report_fields.h gives them.
nlohmann::json messageJson(std::int64_t number, const kx::QueueMessage& message);
// Prints the document and a newline. A text field that is not UTF-8 shows U+FFFD where it is not.
void printJson(const nlohmann::json& document);

}  // namespace kxadmin
