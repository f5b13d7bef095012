#pragma once

#include <string>
#include <string_view>

#include "platform/messaging/reason_codes.h"

namespace tarnix {

// The line printed on standard error when the window cannot connect: which queue manager, the
// reason with what it means, and what the operator can do about it.
std::string connectAdvice(std::string_view managerName, kx::ReasonCode reason);

}  // namespace tarnix
