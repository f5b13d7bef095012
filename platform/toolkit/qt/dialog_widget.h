#pragma once

#include <QDialog>
#include <functional>

namespace tk {

// The top-level window of a dialog. Escape and the close box go to `cancel`; a left button
// released over the background (not taken by a control) goes to `leftButtonUp`, and then to the
// default handling. A move or show, after which the window manager's frame may have changed,
// goes to `frameMayHaveChanged`.
class DialogWidget : public QDialog {
 public:
  explicit DialogWidget(QWidget* parent);

  std::function<void()> cancel;
  std::function<void()> leftButtonUp;
  std::function<void()> frameMayHaveChanged;

  void reject() override;

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;
  bool event(QEvent* event) override;
};

}  // namespace tk
