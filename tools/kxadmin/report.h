#pragma once

#include <string>
#include <string_view>

#include "platform/messaging/reason_codes.h"
#include "platform/messaging/store_admin.h"
#include "platform/runtime/exit_status.h"

namespace kxadmin {

// Prints "kxadmin: <message> (reason N)" on stderr and gives the failure exit status.
int fail(const kx::admin::Status& status);
int fail(kx::ReasonCode why, std::string_view message);

// A mistake in the command line: prints "kxadmin: <message>" on stderr and gives the usage exit
// status. Nothing has been done by then.
int usage(std::string_view message);

// A name or text as it may safely appear on a terminal: non-printable bytes as \xNN.
std::string printable(std::string_view text, std::size_t limit = 256);

}  // namespace kxadmin
