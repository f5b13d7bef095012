#include "tests/toolkit/qt_test_support.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>
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
      if (w->isVisible() && match(w)) {
        act(w);
        return;
      }
    }
    whenShown(std::move(match), std::move(act));
  });
}

// Builds the application object only when tests run, not when they are listed.
class QtEnvironment : public ::testing::Environment {
 public:
  QtEnvironment(int& argc, char** argv) : argc_(argc), argv_(argv) {}
  void SetUp() override {
    theToolkit = std::make_unique<tk::QtToolkit>(argc_ > 0 ? argv_[0] : "qt_tests");
  }
  void TearDown() override { theToolkit.reset(); }

 private:
  int& argc_;
  char** argv_;
};

}  // namespace

tk::QtToolkit& toolkit() { return *theToolkit; }

QWidget* control(QWidget* dialogWidget, int id) {
  for (QWidget* w : dialogWidget->findChildren<QWidget*>()) {
    // Only this window's own controls, not those of a nested dialog it owns.
    if (w->window() == dialogWidget && w->property("tkId").isValid() &&
        w->property("tkId").toInt() == id) {
      return w;
    }
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
  while (elapsed.elapsed() < milliseconds) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  }
}

void duringRun(tk::Dialog& dialog, std::function<void(QWidget*)> script) {
  // The dialog's window is the shown modal window that holds its template's first control.
  const int firstId = dialog.dialogTemplate().controls.front().id;
  whenShown(
      [firstId](QWidget* w) {
        return w->isModal() && qobject_cast<QMessageBox*>(w) == nullptr &&
               control(w, firstId) != nullptr;
      },
      [&dialog, script = std::move(script)](QWidget* w) {
        script(w);
        // After whatever the script posted: a run it left going ends here.
        QTimer::singleShot(0, w, [&dialog, w] {
          if (w->isVisible() && dialog.isAttached()) {
            if (auto* modal = qobject_cast<QDialog*>(w)) modal->done(tk::kIdCancel);
          }
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
                QElapsedTimer waited;
                waited.start();
                while (!box->isActiveWindow() && waited.elapsed() < 1000) {
                  QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
                }
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
  static int qtArgc = argc;
  ::testing::AddGlobalTestEnvironment(new qttest::QtEnvironment(qtArgc, argv));
  return RUN_ALL_TESTS();
}
