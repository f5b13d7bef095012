#include "platform/toolkit/qt/tool_tip_ask.h"

#include <QEvent>
#include <QWidget>

#include "platform/toolkit/qt/qt_text.h"

namespace tk {

ToolTipAsk::ToolTipAsk(QWidget* control, std::function<std::string()> ask)
    : QObject(control), control_(control), ask_(std::move(ask)) {
  control->installEventFilter(this);
}

bool ToolTipAsk::eventFilter(QObject* watched, QEvent* event) {
  // The widget's own handling then shows the text, or passes the event on when there is none.
  if (watched == control_ && event->type() == QEvent::ToolTip) {
    control_->setToolTip(fromUtf8(ask_()));
  }
  return false;
}

}  // namespace tk
