#pragma once

#include <QObject>
#include <functional>
#include <string>

class QWidget;

namespace tk {

// Asks the dialog for a control's tooltip each time the control is about to show one, so that
// the tooltip always speaks of what the control shows now.
class ToolTipAsk : public QObject {
 public:
  ToolTipAsk(QWidget* control, std::function<std::string()> ask);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* control_;
  std::function<std::string()> ask_;
};

}  // namespace tk
