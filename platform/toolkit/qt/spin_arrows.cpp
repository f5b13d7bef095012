#include "platform/toolkit/qt/spin_arrows.h"

#include <QKeyEvent>
#include <QToolButton>

namespace tk {

SpinArrows::SpinArrows(QWidget* parent, bool arrowKeys, Step step)
    : QWidget(parent),
      up_(new QToolButton(this)),
      down_(new QToolButton(this)),
      arrowKeys_(arrowKeys),
      step_(std::move(step)) {
  for (QToolButton* button : {up_, down_}) {
    button->setAutoRepeat(true);
    button->setFocusPolicy(Qt::NoFocus);
  }
  up_->setArrowType(Qt::UpArrow);
  down_->setArrowType(Qt::DownArrow);
  connect(up_, &QToolButton::clicked, this, [this] { step_(true); });
  connect(down_, &QToolButton::clicked, this, [this] { step_(false); });
}

void SpinArrows::attachBuddy(QWidget* buddy) {
  if (buddy_ != nullptr) buddy_->removeEventFilter(this);
  buddy_ = buddy;
  if (buddy_ != nullptr && arrowKeys_) buddy_->installEventFilter(this);
}

void SpinArrows::resizeEvent(QResizeEvent* event) {
  const int upperHalf = height() / 2;
  up_->setGeometry(0, 0, width(), upperHalf);
  down_->setGeometry(0, upperHalf, width(), height() - upperHalf);
  QWidget::resizeEvent(event);
}

bool SpinArrows::stepForKey(int key) {
  if (!arrowKeys_ || !isEnabled() || (key != Qt::Key_Up && key != Qt::Key_Down)) return false;
  step_(key == Qt::Key_Up);
  return true;
}

void SpinArrows::keyPressEvent(QKeyEvent* event) {
  if (!stepForKey(event->key())) QWidget::keyPressEvent(event);
}

bool SpinArrows::eventFilter(QObject* watched, QEvent* event) {
  if (watched == buddy_ && event->type() == QEvent::KeyPress) {
    return stepForKey(static_cast<QKeyEvent*>(event)->key());
  }
  return false;
}

}  // namespace tk
