#pragma once

#include <string>
#include <string_view>

#include "platform/messaging/reason_codes.h"

namespace tarnix {

// The line printed on standard error when the window cannot connect: which queue manager, the
// reason with what it means and what the store said of it (`problem`: a database server's own
// words, when it gave some), and what the operator can do about it.
std::string connectAdvice(std::string_view managerName, kx::ReasonCode reason,
                          std::string_view problem = {});

}  // namespace tarnix
