#include "platform/toolkit/qt/qt_colours.h"

#include <QApplication>
#include <QEvent>
#include <QPainter>
#include <QPalette>
#include <QWidget>

namespace tk {

PaletteColours::PaletteColours(QWidget* control, QWidget* paintTarget, ColourAsk ask)
    : QObject(control), control_(control), paintTarget_(paintTarget), ask_(std::move(ask)) {
  paintTarget_->installEventFilter(this);
}

bool PaletteColours::eventFilter(QObject* watched, QEvent* event) {
  if (watched != paintTarget_ || event->type() != QEvent::Paint) return false;
  const ColourAnswer answer = ask_();
  QPalette palette = QApplication::palette(control_);
  if (answer.brush) {
    const QColor brush = toQColor(*answer.brush);
    for (QPalette::ColorRole role : {QPalette::Window, QPalette::Base, QPalette::Button}) {
      palette.setColor(role, brush);
    }
    if (answer.textColour) {
      const QColor text = toQColor(*answer.textColour);
      for (QPalette::ColorRole role :
           {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
        palette.setColor(role, text);
      }
    }
    // Painting here is allowed: the filter runs inside the target's paint event.
    QPainter(paintTarget_).fillRect(paintTarget_->rect(), brush);
  }
  // Setting an equal palette is a no-op, so asking on every paint causes no repaint loop.
  if (palette != control_->palette()) control_->setPalette(palette);
  return false;
}

}  // namespace tk
