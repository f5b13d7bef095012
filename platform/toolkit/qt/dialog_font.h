#pragma once

#include <QFont>

#include "platform/toolkit/dialog_template.h"
#include "platform/toolkit/dialog_units.h"

namespace tk {

// The face every template's font maps to: metrically close to the 8-point face the templates
// were drawn with. Where it is missing, the nearest sans-serif stands in.
inline constexpr const char* kDialogFace = "Liberation Sans";

// The template's font as the dialog face at the template's point size (8 when it gives none),
// whatever face the template names.
QFont dialogFont(const DialogTemplate& dialogTemplate);

// Dialog units by the font's own metrics, as the templates define them: the average width of
// the 52 ASCII letters and the character height, both unrounded.
DialogUnits dialogUnits(const QFont& font);

}  // namespace tk
