#include "platform/toolkit/qt/group_frame.h"

#include <qdrawutil.h>

#include <QFontMetricsF>
#include <QPainter>
#include <QStyle>
#include <cmath>

#include "platform/toolkit/qt/label_fit.h"

namespace tk {

int GroupFrame::titleIndent() const {
  return static_cast<int>(std::lround(QFontMetricsF(font()).averageCharWidth()));
}

QRect GroupFrame::titleRect() const {
  const QFontMetricsF metrics(font());
  const int gap = static_cast<int>(std::ceil(metrics.horizontalAdvance(QLatin1Char(' ')) / 2));
  const int text = static_cast<int>(std::ceil(metrics.horizontalAdvance(title())));
  return {titleIndent(), 0, text + 2 * gap, static_cast<int>(std::ceil(metrics.height()))};
}

void GroupFrame::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  const QRect titleArea = titleRect();
  // An etched line, drawn here: the style's own group frame keeps room for a title above it.
  qDrawShadeRect(&painter, rect().adjusted(0, titleArea.height() / 2, 0, 0), palette(), true, 1);
  if (title().isEmpty() || !showsWhole(*this, titleArea)) return;
  painter.fillRect(titleArea, palette().brush(backgroundRole()));
  style()->drawItemText(&painter, titleArea, Qt::AlignCenter, palette(), isEnabled(), title(),
                        QPalette::WindowText);
}

}  // namespace tk
