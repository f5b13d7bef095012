#pragma once

#include "platform/toolkit/dialog_template.h"

namespace tarnix {

// The generator's options dialog as data: every control with its id, kind, label, rectangle in
// dialog units, attributes and combo items, in tab order.
const tk::DialogTemplate& optionsTemplate();

}  // namespace tarnix
