#pragma once

#include <QColor>
#include <QObject>
#include <functional>

#include "platform/toolkit/colour.h"

class QWidget;

namespace tk {

inline QColor toQColor(Colour c) { return {c.red, c.green, c.blue}; }

// Asks the dialog for a control's colours; an empty answer when the dialog gives none.
using ColourAsk = std::function<ColourAnswer()>;

// Colours a control that the toolkit paints with its own style (buttons, boxes, lists): before
// each paint it asks for the colours, fills the control with the brush and lends the text
// colour to the palette. With no brush the control keeps its own palette.
class PaletteColours : public QObject {
 public:
  // `paintTarget` is the widget whose paint is watched (a scroll area's viewport, or the control
  // itself); `control` is the widget whose palette changes.
  PaletteColours(QWidget* control, QWidget* paintTarget, ColourAsk ask);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* control_;
  QWidget* paintTarget_;
  ColourAsk ask_;
};

}  // namespace tk
