#pragma once

#include <cstddef>
#include <span>
#include <vector>

#include "platform/toolkit/dialog_template.h"

namespace tk {

// The indices of the controls in the same control group as controls[index]. A group starts at a
// control with kGroupStart (the first control always starts one) and runs to the next such
// control.
std::vector<std::size_t> groupMembers(std::span<const ControlTemplate> controls, std::size_t index);

}  // namespace tk
