#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "platform/messaging/dead_letter.h"
#include "platform/messaging/queue_message.h"

// How browse shows what a message is besides its data: its type by name, the feedback of a
// report, the reports it asks for, and the header of a message put aside on a dead-letter queue.
namespace kxadmin {

// "Request", "Reply", "Report" or "Datagram"; the number for any other type.
std::string messageTypeName(std::int32_t type);

// The dead-letter header at the start of the data of a message whose format says it has one;
// none when the format says otherwise or the header does not read.
std::optional<kx::dead_letter::Header> deadLetterHeaderOf(const kx::QueueMessage& message);

// The fields a browse line adds before the data, each with a leading blank: the type, the
// feedback with its name, the report word's names, then the dead-letter header. Empty for a
// datagram that is none of these, whose line stays as it always was.
std::string reportFieldsText(const kx::QueueMessage& message,
                             const std::optional<kx::dead_letter::Header>& header);

// The same as members of a browsed message's JSON object: "msgTypeName" and "reportNames"
// always, "feedbackName" with a feedback, "deadLetterHeader" with a header.
void addReportFields(nlohmann::json& json, const kx::QueueMessage& message,
                     const std::optional<kx::dead_letter::Header>& header);

}  // namespace kxadmin
