#include "platform/toolkit/qt/dialog_font.h"

#include <QFontMetricsF>

namespace tk {

QFont dialogFont(const DialogTemplate& dialogTemplate) {
  QFont font(QString::fromLatin1(kDialogFace),
             dialogTemplate.fontPoints > 0 ? dialogTemplate.fontPoints : 8);
  font.setStyleHint(QFont::SansSerif);
  return font;
}

DialogUnits dialogUnits(const QFont& font) {
  static const QString kLetters =
      QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
  const QFontMetricsF metrics(font);
  return {metrics.horizontalAdvance(kLetters) / static_cast<double>(kLetters.size()),
          metrics.height()};
}

}  // namespace tk
