#pragma once

#include <QDialog>
#include <functional>

namespace tk {

// The top-level window of a dialog. Escape and the close box go to `cancel`; a left button
// released over the background (not taken by a control) goes to `leftButtonUp`, and then to the
// default handling.
class DialogWidget : public QDialog {
 public:
  explicit DialogWidget(QWidget* parent);

  std::function<void()> cancel;
  std::function<void()> leftButtonUp;

  void reject() override;

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;
};

}  // namespace tk
