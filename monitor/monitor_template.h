#pragma once

#include "platform/toolkit/dialog_template.h"

namespace tarnix {

// The monitor window as data: every control with its id, kind, label, rectangle in dialog units
// and attributes, in tab order.
const tk::DialogTemplate& monitorTemplate();

}  // namespace tarnix
