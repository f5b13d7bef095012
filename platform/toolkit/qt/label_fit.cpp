#include "platform/toolkit/qt/label_fit.h"

#include <QAbstractButton>
#include <QFontMetricsF>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <algorithm>
#include <cmath>

#include "platform/toolkit/qt/group_frame.h"

namespace tk {
namespace {

int across(const QWidget& control, const QString& text) {
  return static_cast<int>(std::ceil(QFontMetricsF(control.font()).horizontalAdvance(text)));
}

// The room a button's style leaves for its label.
QRect buttonContents(const QWidget& control, QStyle::SubElement element) {
  QStyleOptionButton option;
  option.initFrom(&control);
  if (const auto* button = qobject_cast<const QPushButton*>(&control)) {
    if (button->autoDefault() || button->isDefault()) {
      option.features |= QStyleOptionButton::AutoDefaultButton;
    }
  }
  return control.style()->subElementRect(element, &option, &control);
}

LabelMeasure onOneLine(int needed, int available) {
  return {needed <= available ? LabelFit::Fits : LabelFit::TooLong, needed, available};
}

LabelMeasure pushButton(const QWidget& control, const QString& label) {
  const QRect room = buttonContents(control, QStyle::SE_PushButtonContents);
  const LabelMeasure line = onOneLine(across(control, label), room.width());
  if (line.fit == LabelFit::Fits || control.height() <= control.width()) return line;
  int widest = 0;
  for (const QChar c : label) widest = std::max(widest, across(control, QString(c)));
  const auto lines = static_cast<double>(label.size());
  const int needed = static_cast<int>(std::ceil(QFontMetricsF(control.font()).height() * lines));
  const bool fits = widest <= room.width() && needed <= room.height();
  return {fits ? LabelFit::Stacked : LabelFit::TooLong, needed, room.height()};
}

}  // namespace

LabelMeasure measureLabel(const QWidget& control, ControlKind kind, const QString& label) {
  if (label.isEmpty()) return {};
  switch (kind) {
    case ControlKind::PushButton:
      return pushButton(control, label);
    case ControlKind::CheckBox:
      return onOneLine(across(control, label),
                       buttonContents(control, QStyle::SE_CheckBoxContents).width());
    case ControlKind::RadioButton:
      return onOneLine(across(control, label),
                       buttonContents(control, QStyle::SE_RadioButtonContents).width());
    case ControlKind::Label:
      return onOneLine(across(control, label), control.contentsRect().width());
    case ControlKind::GroupBox:
      if (const auto* group = dynamic_cast<const GroupFrame*>(&control)) {
        return onOneLine(group->titleRect().right() + 1 + group->titleIndent(), control.width());
      }
      break;
    case ControlKind::Edit:
    case ControlKind::Spin:
    case ControlKind::ProgressBar:
    case ControlKind::ComboBox:
    case ControlKind::List:
      break;
  }
  return {};
}

bool showsWhole(const QWidget& control, const QRectF& area) {
  const QWidget* window = control.window();
  const QRectF client(control.mapFrom(window, QPoint(0, 0)), window->size());
  return client.contains(area);
}

}  // namespace tk
