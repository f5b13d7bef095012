#pragma once

#include <string>
#include <string_view>

#include "platform/messaging/reason_codes.h"

namespace kx {

enum class NameKind { QueueManager, Queue };

inline constexpr std::size_t kMaxObjectNameLength = 48;

// Checks a queue-manager or queue name before it is used anywhere, in particular before it
// becomes part of a file path: 1 to 48 characters from A-Z a-z 0-9 . _ / %, and nothing that
// reads as a path step. Queue-manager names become file names, so they may not hold '/'.
// Returns kQueueManagerNameError or kObjectNameError for a bad name, kNone for a good one.
ReasonCode validateName(std::string_view name, NameKind kind);

// A name as it may appear in a message to an operator: quoted, cut after 64 characters, with
// control characters made harmless.
std::string quotedName(std::string_view text);

}  // namespace kx
