#include "platform/toolkit/qt/dialog_font.h"

#include <QFontMetrics>
#include <QFontMetricsF>
#include <cmath>

namespace tk {

QFont dialogFont(const DialogTemplate& dialogTemplate) {
  QFont font(QStringLiteral("Sans Serif"),
             dialogTemplate.fontPoints > 0 ? dialogTemplate.fontPoints : 8);
  font.setStyleHint(QFont::SansSerif);
  return font;
}

DialogUnits dialogUnits(const QFont& font) {
  static const QString kLetters =
      QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
  const double lettersWidth = QFontMetricsF(font).horizontalAdvance(kLetters);
  const int averageWidth = static_cast<int>(std::lround(lettersWidth / kLetters.size()));
  return {averageWidth, QFontMetrics(font).height()};
}

}  // namespace tk
