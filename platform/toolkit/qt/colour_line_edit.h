#pragma once

#include <QLineEdit>
#include <cstddef>
#include <functional>
#include <utility>

#include "platform/toolkit/qt/qt_colours.h"

namespace tk {

// A one-line edit that asks the dialog for its colours on every paint, and that can accept
// typed digits only, or at most `textLimit` bytes of typed or pasted text (0: no limit), while
// the program may still set any text.
class ColourLineEdit : public QLineEdit {
 public:
  ColourLineEdit(QWidget* parent, ColourAsk ask, bool digitsOnly, std::size_t textLimit = 0);
  // Runs after the edit's own handling of a double click (which selects a word).
  void onDoubleClick(std::function<void()> call) { doubleClicked_ = std::move(call); }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  ColourAsk ask_;
  bool digitsOnly_;
  std::function<void()> doubleClicked_;
};

}  // namespace tk
