#include "platform/toolkit/qt/qt_message_box.h"

#include <QMessageBox>
#include <QTimer>

#include "platform/toolkit/message_box.h"
#include "platform/toolkit/message_box_style.h"

namespace tk {
namespace {

QMessageBox::StandardButtons buttonsOf(BoxButtons buttons) {
  switch (buttons) {
    case BoxButtons::OkCancel:
      return QMessageBox::Ok | QMessageBox::Cancel;
    case BoxButtons::YesNoCancel:
      return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case BoxButtons::YesNo:
      return QMessageBox::Yes | QMessageBox::No;
    case BoxButtons::Ok:
      break;
  }
  return QMessageBox::Ok;
}

QMessageBox::Icon iconOf(BoxIcon icon) {
  switch (icon) {
    case BoxIcon::Error:
      return QMessageBox::Critical;
    case BoxIcon::Question:
      return QMessageBox::Question;
    case BoxIcon::Warning:
      return QMessageBox::Warning;
    case BoxIcon::Information:
      return QMessageBox::Information;
    case BoxIcon::None:
      break;
  }
  return QMessageBox::NoIcon;
}

// Above an always-on-top owner too, whether or not a window manager stacks it.
void keepAboveOwner(QMessageBox& box, const QWidget* owner) {
  if (owner != nullptr && owner->window()->windowFlags().testFlag(Qt::WindowStaysOnTopHint)) {
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
  }
}

}  // namespace

void showNoticeBox(QPointer<QMessageBox>& box, QWidget* owner, std::string_view text,
                   const QString& caption, int style) {
  const QString line = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
  if (box && box->isVisible()) {
    box->setText(box->text() + QLatin1Char('\n') + line);
    return;
  }
  box = new QMessageBox(iconOf(decodeBoxStyle(style).icon), caption, line, QMessageBox::Ok, owner);
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->setTextFormat(Qt::PlainText);
  box->setWindowModality(Qt::NonModal);
  keepAboveOwner(*box, owner);
  box->show();
  box->raise();
}

int showMessageBox(QWidget* owner, std::string_view text, const char* caption, int style,
                   const QString& defaultCaption) {
  const BoxStyle decoded = decodeBoxStyle(style);
  QMessageBox box(iconOf(decoded.icon),
                  caption != nullptr ? QString::fromUtf8(caption) : defaultCaption,
                  QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())),
                  buttonsOf(decoded.buttons), owner);
  box.setTextFormat(Qt::PlainText);
  box.setWindowModality(owner != nullptr ? Qt::WindowModal : Qt::ApplicationModal);
  // With the keyboard, with or without a window manager.
  keepAboveOwner(box, owner);
  QTimer::singleShot(0, &box, [&box] {
    box.raise();
    box.activateWindow();
  });
  box.exec();
  switch (box.standardButton(box.clickedButton())) {
    case QMessageBox::Ok:
      return kIdOk;
    case QMessageBox::Cancel:
      return kIdCancel;
    case QMessageBox::Yes:
      return kIdYes;
    case QMessageBox::No:
      return kIdNo;
    default:
      return boxDismissAnswer(decoded.buttons);
  }
}

}  // namespace tk
