#pragma once

#include <QObject>
#include <QWidget>
#include <functional>

class QToolButton;

namespace tk {

// An up-down control: two small arrow buttons, stacked, that step a value. What a step does is
// the owner's business (the shared spin rule on the buddy edit).
class SpinArrows : public QWidget {
 public:
  using Step = std::function<void(bool up)>;

  SpinArrows(QWidget* parent, bool arrowKeys, Step step);

  QToolButton* upButton() const { return up_; }
  QToolButton* downButton() const { return down_; }
  // Makes the Up and Down keys in `buddy` step this spin (when it answers the arrow keys); the
  // previous buddy lets go of them.
  void attachBuddy(QWidget* buddy);

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool stepForKey(int key);

  QToolButton* up_;
  QToolButton* down_;
  bool arrowKeys_;
  Step step_;
  QWidget* buddy_ = nullptr;
};

}  // namespace tk
