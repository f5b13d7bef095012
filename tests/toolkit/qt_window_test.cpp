// The Qt backend's own behaviour: keys and clicks on the dialog, the real timer, message boxes
// and the window itself.

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFileDialog>
#include <QIcon>
#include <QImage>
#include <QTimer>
#include <QWindow>
#include <QtTest/QTest>
#include <atomic>
#include <chrono>
#include <functional>
#include <thread>
#include <vector>

#include "platform/toolkit/message_box.h"
#include "platform/toolkit/worker_set.h"
#include "tests/toolkit/qt_test_support.h"
#include "tests/toolkit/sample_dialog.h"

namespace {

using namespace sample;
using enum tk::Notify;
using qttest::control;

TEST(QtWindow, KeysClicksAndTheTimerReachTheDialogAndEscapeCancelsIt) {
  SampleDialog dialog;
  const int result = qttest::runWith(dialog, [&](QWidget* window) {
    QTest::mouseClick(window, Qt::LeftButton, {}, QPoint(2, 2));  // bare background
    QTest::mouseClick(control(window, kOkButton), Qt::LeftButton);
    QTest::keyClick(control(window, kNameEdit), Qt::Key_Return);
    dialog.ui().startTimer(0xFFFFFFFFu);
    EXPECT_EQ(window->findChild<QTimer*>("tkTimer")->interval(), 2147483647);
    // From the longest period to a short one: the tick comes without waiting out the old one.
    dialog.ui().startTimer(20);
    qttest::processUntil([&] { return dialog.count(0, Timer) >= 2; });
    dialog.received.resize(4);
    EXPECT_EQ(dialog.received,
              (std::vector<Received>{
                  {tk::kNoId, LeftButtonUp}, {kOkButton, Click}, {kOkButton, Click}, {0, Timer}}));

    dialog.ui().setSpinBuddy(kSpin, kNumberEdit);
    dialog.ui().setSpinRange(kSpin, 1, 3);
    QWidget* buddy = control(window, kNumberEdit);
    EXPECT_EQ(control(window, kSpin)->x(), buddy->geometry().right() + 1);  // on its right
    EXPECT_EQ(control(window, kSpin)->height(), buddy->height());
    QTest::keyClick(buddy, Qt::Key_Down);  // from the template's 1, wrapped
    EXPECT_EQ(dialog.ui().text(kNumberEdit, 10), "3");
    QTest::keyClick(window, Qt::Key_Escape);
    EXPECT_FALSE(window->isVisible());
  });
  EXPECT_EQ(result, tk::kIdCancel);
  EXPECT_FALSE(dialog.isAttached());
}

TEST(QtWindow, TopmostChangesWithoutMovingOrEndingTheRunAndItsBoxesFollowIt) {
  SampleDialog dialog;
  // Shown during its initialisation, before its modal loop starts.
  dialog.init = [](SampleDialog& d) { d.ui().setTopmost(true); };
  bool loopWentOn = false;
  qttest::SeenBox owned;
  qttest::SeenBox onTop;
  const int result = qttest::runWith(dialog, [&](QWidget* window) {
    const QRect before = window->geometry();
    EXPECT_TRUE(window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    dialog.ui().setTopmost(false);
    EXPECT_FALSE(window->windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint));
    qttest::answerNextBox(QMessageBox::Yes, &owned);
    EXPECT_EQ(dialog.ui().messageBox("Empty Q1?", "Confirm", tk::mb::kYesNoQuestion), tk::kIdYes);
    qttest::answerNextBox(QMessageBox::No);
    EXPECT_EQ(dialog.ui().messageBox("Empty Q2?", nullptr, tk::mb::kYesNoQuestion), tk::kIdNo);
    dialog.ui().setTopmost(true);
    EXPECT_TRUE(window->windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(window->geometry(), before);
    qttest::answerNextBox(QMessageBox::Ok, &onTop);
    dialog.ui().messageBox("Above", nullptr, tk::mb::kIconInformation);

    // A short row of an icon is filled out with transparent pixels.
    dialog.ui().setIcons(tk::iconFromRows({"aa", "a"}, {{'a', 0xFFFF0000u}}),
                         tk::iconFromRows({"a"}, {{'a', 0xFF00FF00u}}));
    EXPECT_EQ(window->windowIcon().availableSizes().size(), 2);  // the large and the small
    const QImage large = window->windowIcon().pixmap(QSize(2, 2)).toImage();
    EXPECT_EQ(large.pixel(1, 0), 0xFFFF0000u);
    EXPECT_EQ(large.pixel(1, 1), 0u);
    // Toggling must not have ended the modal loop: it still delivers this.
    QTimer::singleShot(0, window, [&] {
      loopWentOn = true;
      dialog.ui().endDialog(tk::kIdOk);
    });
  });
  EXPECT_EQ(result, tk::kIdOk);
  EXPECT_TRUE(loopWentOn);
  // Text, caption and icon; modal over its window only, not on top of others, with the keyboard.
  EXPECT_EQ(owned,
            (qttest::SeenBox{"Empty Q1?", "Confirm", QMessageBox::Question, true, false, true}));
  EXPECT_TRUE(onTop.staysOnTop);  // above its always-on-top window

  // A box of no window has the application's name for a caption when it is given none.
  qttest::SeenBox unowned;
  qttest::answerNextBox(QMessageBox::Ok, &unowned);
  EXPECT_EQ(qttest::toolkit().messageBox("Failed", nullptr, tk::mb::kIconError), tk::kIdOk);
  EXPECT_EQ(unowned, (qttest::SeenBox{"Failed", "toolkit_qt_tests", QMessageBox::Critical, false,
                                      false, true}));
}

// Acts on the next file dialog once it is shown.
void inNextFileDialog(const std::function<void(QFileDialog*)>& act) {
  auto* poll = new QTimer;
  QObject::connect(poll, &QTimer::timeout, [poll, act] {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      auto* fileDialog = qobject_cast<QFileDialog*>(widget);
      if (fileDialog == nullptr || !fileDialog->isVisible()) continue;
      poll->stop();
      poll->deleteLater();
      act(fileDialog);
      return;
    }
  });
  poll->start(10);
}

TEST(QtWindow, TheSaveDialogGivesThePathAndTheChosenFormAndTheClipboardTakesText) {
  SampleDialog dialog;
  const QString path =
      QDir(QDir::tempPath())
          .filePath(QString("tk-save-%1.bin").arg(QCoreApplication::applicationPid()));
  qttest::runWith(dialog, [&](QWidget*) {
    const std::string forms[] = {"JSON line (*.jsonl)", "Data bytes (*)"};
    inNextFileDialog([&](QFileDialog* files) {
      EXPECT_EQ(files->windowTitle(), "Save message");
      EXPECT_EQ(files->nameFilters(), (QStringList{"JSON line (*.jsonl)", "Data bytes (*)"}));
      files->selectNameFilter("Data bytes (*)");
      files->selectFile(path);
      static_cast<QDialog*>(files)->accept();  // as the Save button does
    });
    const auto chosen = dialog.ui().chooseSaveFile("Save message", "message.jsonl", forms);
    ASSERT_TRUE(chosen);
    EXPECT_EQ(chosen->path, path.toStdString());
    EXPECT_EQ(chosen->form, 1);
    inNextFileDialog([](QFileDialog* files) { files->reject(); });
    EXPECT_FALSE(dialog.ui().chooseSaveFile("Save message", "message.jsonl", forms));

    dialog.ui().copyToClipboard("h\xC3\xA9llo");
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QString::fromUtf8("h\xC3\xA9llo"));
  });
}

// A worker busy in a call that no stop wakes (a database that does not answer, say) must not
// hold the window's close: the close waits a moment, then leaves the worker to end on its own
// and counts it, so that the program can end at once rather than destroy what it uses.
TEST(QtWindow, ClosingLeavesAWorkerThatCannotStopToEndOnItsOwn) {
  SampleDialog dialog;
  std::atomic<bool> release = false;
  std::atomic<bool> ended = false;
  qttest::runWith(dialog, [&](QWidget*) {
    ASSERT_TRUE(dialog.ui().startWorker(
        [&](const std::stop_token&) {
          while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(1));
          ended = true;
        },
        {}));
    dialog.ui().endDialog(tk::kIdOk);
  });
  EXPECT_FALSE(ended) << "the close waited for the worker";
  EXPECT_EQ(tk::WorkerSet::strays(), 1u);
  release = true;
  qttest::processUntil([] { return tk::WorkerSet::strays() == 0; });
  EXPECT_TRUE(ended);
}

}  // namespace
