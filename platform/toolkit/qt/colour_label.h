#pragma once

#include <QLabel>

#include "platform/toolkit/qt/qt_colours.h"

namespace tk {

// A static text that asks the dialog for its colours on every paint.
class ColourLabel : public QLabel {
 public:
  ColourLabel(const QString& text, QWidget* parent, ColourAsk ask);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  ColourAsk ask_;
};

}  // namespace tk
