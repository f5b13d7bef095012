#include "platform/toolkit/qt/colour_label.h"

#include <QPainter>

namespace tk {

ColourLabel::ColourLabel(const QString& text, QWidget* parent, ColourAsk ask)
    : QLabel(text, parent), ask_(std::move(ask)) {
  setTextFormat(Qt::PlainText);
  setWordWrap(true);
}

void ColourLabel::paintEvent(QPaintEvent* event) {
  const ColourAnswer answer = ask_();
  if (!answer.brush) {
    QLabel::paintEvent(event);
    return;
  }
  QPainter painter(this);
  painter.fillRect(rect(), toQColor(*answer.brush));
  const int flags = static_cast<int>(alignment()) | Qt::TextWordWrap;
  if (answer.textBackground && !text().isEmpty()) {
    painter.fillRect(fontMetrics().boundingRect(rect(), flags, text()),
                     toQColor(*answer.textBackground));
  }
  painter.setPen(answer.textColour ? toQColor(*answer.textColour)
                                   : palette().color(QPalette::WindowText));
  painter.drawText(rect(), flags, text());
}

}  // namespace tk
