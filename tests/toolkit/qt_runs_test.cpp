// Message boxes, nested modal runs, the window itself and worker threads on the Qt backend.

#include <gtest/gtest.h>

#include <QIcon>
#include <QProgressBar>
#include <QTimer>
#include <QWindow>
#include <QtTest/QTest>
#include <atomic>

#include "platform/toolkit/message_box.h"
#include "platform/toolkit/qt/dialog_font.h"
#include "tests/toolkit/qt_test_support.h"
#include "tests/toolkit/sample_dialog.h"

namespace {

using sample::Received;
using tk::Notify;

TEST(QtMessageBoxes, AreAnsweredInTurnWithTheirCaptionIconAndOwner) {
  sample::SampleDialog dialog;
  qttest::runWith(dialog, [&](QWidget*) {
    qttest::SeenBox first;
    qttest::SeenBox second;
    qttest::answerNextBox(QMessageBox::Yes, &first);
    EXPECT_EQ(dialog.ui().messageBox("Empty Q1?", "Confirm", tk::mb::kYesNoQuestion), tk::kIdYes);
    qttest::answerNextBox(QMessageBox::No, &second);
    EXPECT_EQ(dialog.ui().messageBox("Empty Q2?", nullptr, tk::mb::kYesNoQuestion), tk::kIdNo);
    EXPECT_EQ(first.text, "Empty Q1?");
    EXPECT_EQ(first.title, "Confirm");
    EXPECT_EQ(first.icon, QMessageBox::Question);
    EXPECT_TRUE(first.windowModal);
    EXPECT_FALSE(first.staysOnTop);
    EXPECT_TRUE(first.active);
    EXPECT_EQ(second.title, "toolkit_qt_tests");

    // The box of an always-on-top window stays above it, and takes the keyboard.
    qttest::SeenBox onTop;
    dialog.ui().setTopmost(true);
    qttest::answerNextBox(QMessageBox::Ok, &onTop);
    dialog.ui().messageBox("Above", nullptr, tk::mb::kIconInformation);
    EXPECT_TRUE(onTop.staysOnTop);
    EXPECT_TRUE(onTop.active);
  });

  qttest::SeenBox unowned;
  qttest::answerNextBox(QMessageBox::Ok, &unowned);
  EXPECT_EQ(qttest::toolkit().messageBox("Failed", nullptr, tk::mb::kIconError), tk::kIdOk);
  EXPECT_EQ(unowned.icon, QMessageBox::Critical);
  EXPECT_FALSE(unowned.windowModal);
}

TEST(QtModal, NestedDialogRunsModalOverItsOwnerAndGivesItsResult) {
  sample::SampleDialog parent;
  sample::SampleDialog child(sample::kChildTemplate);
  child.reaction = [](sample::SampleDialog& d, Received r) {
    if (r == Received{sample::kChildOk, Notify::Click}) d.ui().endDialog(tk::kIdYes);
  };
  int childResult = 0;
  const int result = qttest::runWith(parent, [&](QWidget* parentWindow) {
    qttest::duringRun(child, [&](QWidget* childWindow) {
      EXPECT_EQ(childWindow->parentWidget(), parentWindow);
      QTest::keyClicks(qttest::control(childWindow, sample::kChildEdit), "typed");
      QTest::mouseClick(qttest::control(childWindow, sample::kChildOk), Qt::LeftButton);
    });
    childResult = parent.ui().runModal(child);
    EXPECT_FALSE(child.isAttached());
    EXPECT_TRUE(parentWindow->isVisible());
    parent.ui().endDialog(tk::kIdOk);
  });
  EXPECT_EQ(result, tk::kIdOk);
  EXPECT_EQ(childResult, tk::kIdYes);
  EXPECT_EQ(child.count(sample::kChildEdit, Notify::Change), 5u);
}

TEST(QtModal, DialogEndedInItsInitialisationNeverRunsItsLoop) {
  sample::SampleDialog dialog;
  dialog.init = [](sample::SampleDialog& d) {
    d.ui().setTopmost(true);  // shows the window during initialisation
    d.ui().endDialog(42);
  };
  EXPECT_EQ(qttest::toolkit().runModal(dialog), 42);
  EXPECT_FALSE(dialog.isAttached());
}

TEST(QtWindowOps, GeometryTitleIconsAndTopmostWithoutMoving) {
  sample::SampleDialog dialog;
  dialog.init = [](sample::SampleDialog& d) {
    d.ui().setTitle("QM1");
    d.ui().setGeometry(100, 120, 300, 200);
    d.ui().setTopmost(true);  // shows the window before its modal loop starts
  };
  bool loopWentOn = false;
  const int result = qttest::runWith(dialog, [&](QWidget* window) {
    EXPECT_EQ(window->windowTitle(), "QM1");
    // The outer size, scaled from the host's pixels as the dialog units are; no frame here.
    const tk::DialogUnits units = tk::dialogUnits(tk::dialogFont(dialog.dialogTemplate()));
    EXPECT_EQ(window->frameGeometry(),
              QRect(100, 120, units.hostWidth(300), units.hostHeight(200)));

    const QRect before = window->geometry();
    EXPECT_TRUE(window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(window->windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint));
    dialog.ui().setTopmost(false);
    EXPECT_FALSE(window->windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint));
    dialog.ui().setTopmost(true);
    EXPECT_EQ(window->geometry(), before);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->isModal());  // still in its modal run

    dialog.ui().setIcons(tk::iconFromRows({"aa", "aa"}, {{'a', 0xFFFF0000u}}),
                         tk::iconFromRows({"a"}, {{'a', 0xFF00FF00u}}));
    EXPECT_EQ(window->windowIcon().availableSizes().size(), 2);  // the large and the small
    EXPECT_EQ(window->windowIcon().pixmap(QSize(2, 2)).toImage().pixel(0, 0), 0xFFFF0000u);
    // Toggling must not have ended the modal loop: it still delivers this.
    QTimer::singleShot(0, window, [&] {
      loopWentOn = true;
      dialog.ui().endDialog(tk::kIdOk);
    });
  });
  EXPECT_EQ(result, tk::kIdOk);
  EXPECT_TRUE(loopWentOn);
}

TEST(QtWorkers, ProgressFromAWorkerCompletesOnTheInterfaceThread) {
  sample::SampleDialog dialog;
  qttest::runWith(dialog, [&](QWidget* window) {
    tk::ProgressBar bar = dialog.ui().progressBar(sample::kProgress);
    std::atomic<bool> done = false;
    ASSERT_TRUE(dialog.ui().startWorker([bar, &done](const std::stop_token&) {
      bar.setRange(50);
      bar.setStep(5);
      for (int i = 0; i < 3; ++i) bar.stepIt();
      done = true;
    }));
    qttest::processUntil([&] { return done.load(); });
    // Each call had completed when it returned, so the bar shows all of them.
    auto* widget = qttest::control<QProgressBar>(window, sample::kProgress);
    EXPECT_EQ(widget->maximum(), 50);
    EXPECT_EQ(widget->value(), 15);
  });
}

TEST(QtWorkers, ClosingWhileAWorkerHammersProgressBarsNeitherHangsNorCrashes) {
  // A nested dialog's worker steps the nested dialog's bar and its owner's. The owner stays open,
  // so the nested dialog's close must release calls on its own bar and serve those on the
  // owner's while it joins the worker.
  sample::SampleDialog parent;
  sample::SampleDialog child(sample::kChildTemplate);
  tk::ProgressBar childBar;
  std::atomic<int> calls = 0;
  std::atomic<bool> finished = false;
  qttest::runWith(parent, [&](QWidget* parentWindow) {
    tk::ProgressBar ownersBar = parent.ui().progressBar(sample::kProgress);
    ownersBar.setStep(1);
    qttest::duringRun(child, [&](QWidget*) {
      childBar = child.ui().progressBar(sample::kChildProgress);
      childBar.setStep(1);
      ASSERT_TRUE(
          child.ui().startWorker([&, ownersBar, bar = childBar](const std::stop_token& stop) {
            while (!stop.stop_requested()) {
              bar.stepIt();
              ownersBar.stepIt();
              ++calls;
            }
            // Going on after the request: these calls must return at once.
            for (int i = 0; i < 1000; ++i) bar.setPosition(i);
            finished = true;
          }));
      qttest::processUntil([&] { return calls.load() >= 100; });
      // The worker is now (or soon) blocked in a call that this thread will not serve.
      child.ui().endDialog(tk::kIdOk);
    });
    EXPECT_EQ(parent.ui().runModal(child), tk::kIdOk);
    EXPECT_TRUE(finished);
    EXPECT_GT(qttest::control<QProgressBar>(parentWindow, sample::kProgress)->value(), 0);
  });
  childBar.stepIt();  // the window is gone: returns without effect
}

}  // namespace
