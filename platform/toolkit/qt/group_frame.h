#pragma once

#include <QGroupBox>

namespace tk {

// A group box as the templates draw one: the frame's top line runs through the middle of the
// title, which interrupts it near the left.
class GroupFrame : public QGroupBox {
 public:
  GroupFrame(const QString& title, QWidget* parent) : QGroupBox(title, parent) {}

  // Where the title goes, with a little room on either side of its text.
  QRect titleRect() const;
  int titleIndent() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
};

}  // namespace tk
