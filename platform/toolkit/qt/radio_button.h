#pragma once

#include <QRadioButton>

namespace tk {

// A radio button whose group is kept by the window (control groups, not parents). A click always
// checks it: clicking a checked radio button leaves it checked.
class RadioButton : public QRadioButton {
 public:
  RadioButton(const QString& text, QWidget* parent);

 protected:
  void nextCheckState() override { setChecked(true); }
};

}  // namespace tk
