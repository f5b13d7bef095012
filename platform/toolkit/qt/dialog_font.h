#pragma once

#include <QFont>

#include "platform/toolkit/dialog_template.h"
#include "platform/toolkit/dialog_units.h"

namespace tk {

// The template's font as the nearest sans-serif of the template's point size (8 when it gives
// none), whatever face it names.
QFont dialogFont(const DialogTemplate& dialogTemplate);

// Dialog units by the font's metrics: the average width of the 52 ASCII letters, rounded to the
// nearest pixel, and the font's line height.
DialogUnits dialogUnits(const QFont& font);

}  // namespace tk
