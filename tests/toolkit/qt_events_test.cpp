// Notifications, radio groups, typing, the spin and the timer on real widgets.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QTimer>
#include <QToolButton>
#include <QtTest/QTest>

#include "platform/toolkit/message_box.h"
#include "platform/toolkit/qt/spin_arrows.h"
#include "tests/toolkit/qt_test_support.h"
#include "tests/toolkit/sample_dialog.h"

namespace {

using sample::Received;
using tk::Notify;

void clickOn(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton, {}, w->rect().center()); }

// Types `text` key by key, also the characters beyond ASCII that QTest::keyClicks cannot.
void typeKeys(QWidget* w, const QString& text) {
  for (QChar c : text) {
    QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(c), Qt::NoModifier);
  }
}

TEST(QtEvents, ProgramSetTextRaisesChangeAndProgramSetCheckRaisesNoClick) {
  sample::SampleDialog dialog;
  qttest::runWith(dialog, [&](QWidget* window) {
    dialog.received.clear();
    dialog.ui().setText(sample::kNameEdit, "queue");
    dialog.ui().setText(sample::kNameEdit, "queue");  // the same text is a change too
    dialog.ui().setText(sample::kMemo, "line");
    dialog.ui().setText(sample::kDepthEdit, "N/A");  // digits only binds typing, not the program
    dialog.ui().setChecked(sample::kCheck, true);
    dialog.ui().setChecked(sample::kRadioA, true);
    EXPECT_EQ(dialog.received, (std::vector<Received>{{sample::kNameEdit, Notify::Change},
                                                      {sample::kNameEdit, Notify::Change},
                                                      {sample::kMemo, Notify::Change},
                                                      {sample::kDepthEdit, Notify::Change}}));
    EXPECT_EQ(dialog.ui().text(sample::kDepthEdit, 10), "N/A");
    EXPECT_TRUE(qttest::control<QCheckBox>(window, sample::kCheck)->isChecked());
    EXPECT_TRUE(dialog.ui().isChecked(sample::kRadioA));
  });
}

TEST(QtEvents, UserClicksReportClicksAndRadioGroupsStaySeparate) {
  sample::SampleDialog dialog;
  qttest::runWith(dialog, [&](QWidget* window) {
    dialog.received.clear();
    clickOn(qttest::control(window, sample::kCheck));
    EXPECT_TRUE(dialog.ui().isChecked(sample::kCheck));
    clickOn(qttest::control(window, sample::kDisabledCheck));
    EXPECT_FALSE(dialog.ui().isChecked(sample::kDisabledCheck));

    clickOn(qttest::control(window, sample::kRadioA));
    clickOn(qttest::control(window, sample::kRadioC));
    clickOn(qttest::control(window, sample::kRadioB));
    clickOn(qttest::control(window, sample::kRadioB));  // stays checked
    EXPECT_FALSE(dialog.ui().isChecked(sample::kRadioA));
    EXPECT_TRUE(dialog.ui().isChecked(sample::kRadioB));
    EXPECT_TRUE(dialog.ui().isChecked(sample::kRadioC));
    dialog.ui().setChecked(sample::kRadioD, true);
    EXPECT_FALSE(dialog.ui().isChecked(sample::kRadioC));
    EXPECT_TRUE(dialog.ui().isChecked(sample::kRadioB));

    EXPECT_EQ(dialog.received, (std::vector<Received>{{sample::kCheck, Notify::Click},
                                                      {sample::kRadioA, Notify::Click},
                                                      {sample::kRadioC, Notify::Click},
                                                      {sample::kRadioB, Notify::Click},
                                                      {sample::kRadioB, Notify::Click}}));
  });
}

TEST(QtEvents, TypingRespectsDigitsOnlyAndReadOnlyEdits) {
  sample::SampleDialog dialog;
  qttest::runWith(dialog, [&](QWidget* window) {
    dialog.received.clear();
    QTest::keyClicks(qttest::control(window, sample::kDepthEdit), "1a2-");
    EXPECT_EQ(dialog.ui().text(sample::kDepthEdit, 10), "12");
    QTest::keyClicks(qttest::control(window, sample::kReadOnlyEdit), "no");
    EXPECT_EQ(dialog.ui().text(sample::kReadOnlyEdit, 10), "");
    // At most 5 bytes: a third "é" would make 6 and is refused, the "a" after it still fits.
    typeKeys(qttest::control(window, sample::kNameEdit), "éééa");
    EXPECT_EQ(dialog.ui().text(sample::kNameEdit, 10), "ééa");
    EXPECT_EQ(dialog.received, (std::vector<Received>{{sample::kDepthEdit, Notify::Change},
                                                      {sample::kDepthEdit, Notify::Change},
                                                      {sample::kNameEdit, Notify::Change},
                                                      {sample::kNameEdit, Notify::Change},
                                                      {sample::kNameEdit, Notify::Change}}));
  });
}

TEST(QtEvents, BackgroundReleaseEnterAndEscapeDoWhatTheDialogExpects) {
  sample::SampleDialog dialog;
  const int result = qttest::runWith(dialog, [&](QWidget* window) {
    dialog.received.clear();
    QTest::mouseClick(window, Qt::LeftButton, {}, QPoint(2, 2));  // bare background
    clickOn(qttest::control(window, sample::kOkButton));
    QTest::keyClick(qttest::control(window, sample::kNameEdit), Qt::Key_Return);
    EXPECT_EQ(dialog.received, (std::vector<Received>{{tk::kNoId, Notify::LeftButtonUp},
                                                      {sample::kOkButton, Notify::Click},
                                                      {sample::kOkButton, Notify::Click}}));
    QTest::keyClick(window, Qt::Key_Escape);
    EXPECT_FALSE(window->isVisible());
  });
  EXPECT_EQ(result, tk::kIdCancel);
  EXPECT_FALSE(dialog.isAttached());
}

TEST(QtEvents, SpinArrowsAndArrowKeysStepTheBuddyAndWrapAtBothEnds) {
  sample::SampleDialog dialog;
  qttest::runWith(dialog, [&](QWidget* window) {
    dialog.ui().setSpinBuddy(sample::kSpin, sample::kNumberEdit);
    dialog.ui().setSpinRange(sample::kSpin, 1, 3);
    auto* spin = static_cast<tk::SpinArrows*>(qttest::control(window, sample::kSpin));
    QWidget* buddy = qttest::control(window, sample::kNumberEdit);
    EXPECT_EQ(spin->x(), buddy->geometry().right() + 1);  // sits on the right of its buddy
    EXPECT_EQ(spin->height(), buddy->height());

    dialog.ui().setText(sample::kNumberEdit, "2");
    dialog.received.clear();
    clickOn(spin->upButton());
    EXPECT_EQ(dialog.ui().text(sample::kNumberEdit, 10), "3");
    clickOn(spin->upButton());
    EXPECT_EQ(dialog.ui().text(sample::kNumberEdit, 10), "1");
    clickOn(spin->downButton());
    EXPECT_EQ(dialog.ui().text(sample::kNumberEdit, 10), "3");
    QTest::keyClick(buddy, Qt::Key_Down);
    EXPECT_EQ(dialog.ui().text(sample::kNumberEdit, 10), "2");
    EXPECT_EQ(dialog.count(sample::kNumberEdit, Notify::Change), 4u);
  });
}

TEST(QtTimer, RestartReplacesThePeriodAtOnceWithinTheClamps) {
  sample::SampleDialog dialog;
  qttest::runWith(dialog, [&](QWidget* window) {
    auto* timer = window->findChild<QTimer*>("tkTimer");
    ASSERT_NE(timer, nullptr);
    EXPECT_FALSE(timer->isActive());
    dialog.ui().startTimer(0);
    EXPECT_EQ(timer->interval(), 10);
    dialog.ui().startTimer(0xFFFFFFFFu);
    EXPECT_EQ(timer->interval(), 2147483647);
    // From the longest period to a short one: the tick comes without waiting out the old one.
    dialog.ui().startTimer(20);
    EXPECT_EQ(timer->interval(), 20);
    qttest::processUntil([&] { return dialog.count(0, Notify::Timer) >= 2; });
  });
}

}  // namespace
