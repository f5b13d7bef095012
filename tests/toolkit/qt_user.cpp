#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QHelpEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QtTest/QTest>

#include "platform/toolkit/qt/spin_arrows.h"
#include "tests/toolkit/backend_user.h"
#include "tests/toolkit/qt_test_support.h"

namespace backend {
namespace {

using sample::SampleDialog;

void clickOn(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton, {}, w->rect().center()); }
QWidget* control(SampleDialog& d, int id) { return qttest::control(qttest::windowOf(d), id); }

}  // namespace

void during(SampleDialog& d, const std::function<void()>& script) {
  qttest::duringRun(d, [script](QWidget*) { script(); });
}

int run(SampleDialog& d, const std::function<void()>& script) {
  during(d, script);
  return qttest::toolkit().runModal(d);
}

void click(SampleDialog& d, int id) { clickOn(control(d, id)); }

void type(SampleDialog& d, int id, std::string_view text) {
  QWidget* target = control(d, id);
  if (auto* combo = qobject_cast<QComboBox*>(target)) target = combo->lineEdit();
  qobject_cast<QLineEdit*>(target)->selectAll();
  // Key by key, with the characters beyond ASCII that QTest::keyClicks cannot type.
  for (QChar c : QString::fromUtf8(text))
    QTest::sendKeyEvent(QTest::Click, target, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

void spin(SampleDialog& d, int id, bool up) {
  auto* arrows = static_cast<tk::SpinArrows*>(control(d, id));
  clickOn(up ? arrows->upButton() : arrows->downButton());
}

void chooseRow(SampleDialog& d, int id, int row) {
  auto* list = qobject_cast<QTreeWidget*>(control(d, id));
  const QRect cell = list->visualItemRect(list->topLevelItem(row));
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, cell.center());
}

// The keyboard's way: the row selected, then Space on it.
void tickRow(SampleDialog& d, int id, int row) {
  chooseRow(d, id, row);
  QTest::keyClick(control(d, id), Qt::Key_Space);
}

int progressPosition(SampleDialog& d, int id) {
  return qobject_cast<QProgressBar*>(control(d, id))->value();
}

std::string ownerTitle(SampleDialog& d) {
  return qttest::windowOf(d)->parentWidget()->windowTitle().toStdString();
}

std::string toolTip(SampleDialog& d, int id) {
  QWidget* w = control(d, id);
  QHelpEvent point(QEvent::ToolTip, w->rect().center(), w->mapToGlobal(w->rect().center()));
  QApplication::sendEvent(w, &point);
  return w->toolTip().toStdString();
}

void chooseContextAction(SampleDialog& d, int id, std::string_view label) {
  QWidget* w = control(d, id);
  ASSERT_EQ(w->contextMenuPolicy(), Qt::ActionsContextMenu);
  for (QAction* action : w->actions()) {
    if (action->text().toStdString() == label) action->trigger();
  }
}

std::vector<std::string> openNotices(SampleDialog& d) {
  std::vector<std::string> texts;
  for (auto* box : qttest::windowOf(d)->findChildren<QMessageBox*>()) {
    if (box->isVisible()) texts.push_back(box->text().toStdString());
  }
  return texts;
}

void dismissNotices(SampleDialog& d) {
  for (auto* box : qttest::windowOf(d)->findChildren<QMessageBox*>()) {
    if (box->isVisible()) box->button(QMessageBox::Ok)->click();
  }
  qttest::processFor(20);
}

void waitForEnds(SampleDialog& /*d*/, const std::function<bool()>& done) {
  qttest::processUntil(done);
}

void waitUntil(const std::function<bool()>& done) { qttest::processUntil(done); }

}  // namespace backend
