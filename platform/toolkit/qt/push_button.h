#pragma once

#include <QPushButton>

#include "platform/toolkit/dialog_template.h"

namespace tk {

// A push button whose label, when it fits no other way on a button taller than wide, is drawn
// one character a line.
class PushButton : public QPushButton {
 public:
  PushButton(const QString& label, QWidget* parent) : QPushButton(label, parent) {}

 protected:
  void paintEvent(QPaintEvent* event) override;
};

}  // namespace tk
