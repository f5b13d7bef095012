#include "platform/toolkit/qt/push_button.h"

#include <QFontMetricsF>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <cmath>

#include "platform/toolkit/qt/label_fit.h"

namespace tk {

void PushButton::paintEvent(QPaintEvent* event) {
  const LabelMeasure label = measureLabel(*this, ControlKind::PushButton, text());
  if (label.fit != LabelFit::Stacked) {
    QPushButton::paintEvent(event);
    return;
  }
  QStylePainter painter(this);
  QStyleOptionButton option;
  initStyleOption(&option);
  option.text.clear();
  painter.drawControl(QStyle::CE_PushButton, option);  // the button without its label
  const QRect room = style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
  const QFontMetricsF metrics(font());
  const double step = metrics.height();
  double top = room.top() + (room.height() - label.needed) / 2.0;
  for (const QChar c : text()) {
    const QRect line(room.left(), static_cast<int>(std::lround(top)), room.width(),
                     static_cast<int>(std::ceil(step)));
    // The glyph's own extent where it is drawn, centred on its line.
    const QRectF ink = metrics.tightBoundingRect(QString(c));
    const QRectF drawn(line.center().x() - ink.width() / 2,
                       line.top() + (line.height() - step) / 2 + metrics.ascent() + ink.top(),
                       ink.width(), ink.height());
    if (showsWhole(*this, drawn)) {
      style()->drawItemText(&painter, line, Qt::AlignCenter, palette(), isEnabled(), QString(c),
                            QPalette::ButtonText);
    }
    top += step;
  }
}

}  // namespace tk
