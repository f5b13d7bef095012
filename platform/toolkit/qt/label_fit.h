#pragma once

#include <QRectF>
#include <QString>

#include "platform/toolkit/dialog_template.h"

class QWidget;

namespace tk {

// How a control's label fits the control, measured with the control's own font and style.
enum class LabelFit {
  Fits,     // on one line, within the room the control's style leaves for it
  Stacked,  // one character a line: a push button taller than wide whose label fits no other way
  TooLong,  // neither
};

struct LabelMeasure {
  LabelFit fit = LabelFit::Fits;
  int needed = 0;     // pixels: across on one line, or down when stacked
  int available = 0;  // the room for it, the same way
};

// `control` is the widget the Qt backend made for a control of `kind`.
LabelMeasure measureLabel(const QWidget& control, ControlKind kind, const QString& label);

// Whether `area`, in the control's coordinates, lies wholly inside its window's client area. A
// window sized to its first rows cuts the controls below them: their labels are drawn only
// where they show whole, never as slivers of letters.
bool showsWhole(const QWidget& control, const QRectF& area);

}  // namespace tk
