#include "platform/toolkit/qt/dialog_widget.h"

#include <QMouseEvent>

namespace tk {

DialogWidget::DialogWidget(QWidget* parent) : QDialog(parent) {}

void DialogWidget::reject() {
  if (cancel) {
    cancel();
  } else {
    QDialog::reject();
  }
}

void DialogWidget::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && leftButtonUp) leftButtonUp();
  QDialog::mouseReleaseEvent(event);
}

}  // namespace tk
