#include "tests/toolkit/qt_test_support.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>
#include <QtTest/QTest>
#include <memory>
#include <thread>

#include "platform/toolkit/message_box.h"

namespace qttest {
namespace {

std::unique_ptr<tk::QtToolkit> theToolkit;

// Calls `act` with the first visible top-level widget that `match` accepts, checking again at
// every turn of whichever event loop runs.
void whenShown(std::function<bool(QWidget*)> match, std::function<void(QWidget*)> act) {
  QTimer::singleShot(0, qApp, [match = std::move(match), act = std::move(act)]() mutable {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (w->isVisible() && match(w)) return act(w);
    }
    whenShown(std::move(match), std::move(act));
  });
}

// Whether `w` is a dialog's window made from `t`: a modal window that holds its first control.
bool holdsFirstControl(QWidget* w, const tk::DialogTemplate& t) {
  return w->isModal() && qobject_cast<QMessageBox*>(w) == nullptr &&
         control(w, t.controls.front().id) != nullptr;
}

}  // namespace

tk::QtToolkit& toolkit() { return *theToolkit; }

QWidget* control(QWidget* dialogWidget, int id) {
  for (QWidget* w : dialogWidget->findChildren<QWidget*>()) {
    // Only this window's own controls, not those of a nested dialog it owns.
    const QVariant tkId = w->property("tkId");
    if (w->window() == dialogWidget && tkId.isValid() && tkId.toInt() == id) return w;
  }
  return nullptr;
}

void processUntil(const std::function<bool()>& done) {
  while (!done()) {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    std::this_thread::yield();
  }
}

void processFor(int milliseconds) {
  QElapsedTimer elapsed;
  elapsed.start();
  processUntil([&] { return elapsed.elapsed() >= milliseconds; });
}

QWidget* windowOf(const tk::Dialog& dialog) {
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (w->isVisible() && holdsFirstControl(w, dialog.dialogTemplate())) return w;
  }
  return nullptr;
}

void duringRun(tk::Dialog& dialog, std::function<void(QWidget*)> script) {
  whenShown([&t = dialog.dialogTemplate()](QWidget* w) { return holdsFirstControl(w, t); },
            [&dialog, script = std::move(script)](QWidget* w) {
              script(w);
              // After whatever the script posted: a run it left going ends here.
              QTimer::singleShot(0, w, [&dialog, w] {
                if (w->isVisible() && dialog.isAttached())
                  qobject_cast<QDialog*>(w)->done(tk::kIdCancel);
              });
            });
}

int runWith(tk::Dialog& dialog, std::function<void(QWidget*)> script) {
  duringRun(dialog, std::move(script));
  return toolkit().runModal(dialog);
}

void answerNextBox(QMessageBox::StandardButton button, SeenBox* seen) {
  whenShown([](QWidget* w) { return qobject_cast<QMessageBox*>(w) != nullptr; },
            [button, seen](QWidget* w) {
              auto* box = qobject_cast<QMessageBox*>(w);
              if (seen != nullptr) {
                (void)QTest::qWaitFor([box] { return box->isActiveWindow(); }, 1000);
                *seen = SeenBox{box->text(),
                                box->windowTitle(),
                                box->icon(),
                                box->windowModality() == Qt::WindowModal,
                                box->windowFlags().testFlag(Qt::WindowStaysOnTopHint),
                                box->isActiveWindow()};
              }
              QAbstractButton* pressed = box->button(button);
              ASSERT_NE(pressed, nullptr) << "the box has no such button";
              pressed->click();
            });
}

}  // namespace qttest

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  // Listing the tests needs no display: the application object is made only to run them.
  if (!GTEST_FLAG_GET(list_tests)) {
    qttest::theToolkit = std::make_unique<tk::QtToolkit>(argc > 0 ? argv[0] : "qt_tests");
  }
  const int result = RUN_ALL_TESTS();
  qttest::theToolkit.reset();
  return result;
}
