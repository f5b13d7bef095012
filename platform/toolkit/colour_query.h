#pragma once

#include <optional>

#include "platform/toolkit/colour.h"
#include "platform/toolkit/dialog.h"
#include "platform/toolkit/dialog_template.h"

namespace tk {

// The kind a control gives when it asks for its colours before it is painted; nullopt for the
// controls that paint themselves without asking (progress bars).
std::optional<ColourKind> colourKindOf(ControlKind kind);

// Asks the dialog for a control's colours as a paint does: a fresh context, then the dialog's
// answer together with what it set on the context.
ColourAnswer askColour(Dialog& dialog, int id, ColourKind kind);

}  // namespace tk
