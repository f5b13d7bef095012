#include "platform/toolkit/qt/radio_button.h"

namespace tk {

RadioButton::RadioButton(const QString& text, QWidget* parent) : QRadioButton(text, parent) {
  // The window clears the rest of the control group; sharing a parent must not.
  setAutoExclusive(false);
}

}  // namespace tk
