#pragma once

#include <string>
#include <string_view>

#include "platform/messaging/reason_codes.h"
#include "platform/toolkit/window.h"

namespace tarnix {

// The tooltip of a box that shows a reason code: the code with its name and meaning and the names
// involved; nothing while the box shows no code (it is empty, or holds an output box's single
// blank).
std::string explainShownReason(const tk::Window& window, int boxId, kx::ReasonCode reason,
                               std::string_view manager, std::string_view queue);

}  // namespace tarnix
