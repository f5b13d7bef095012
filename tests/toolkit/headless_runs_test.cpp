// Modal runs, message boxes, the timer, the window itself and worker threads on the headless
// backend. Dialogs are declared before the toolkit: it closes the windows it opened, which
// detaches their dialogs, so they must outlive it.

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>

#include "platform/toolkit/headless/headless_toolkit.h"
#include "platform/toolkit/message_box.h"
#include "tests/toolkit/sample_dialog.h"

namespace {

using sample::Received;
using tk::Notify;

TEST(HeadlessModal, RunsInitThenTheScriptsInTurnAndCancelsWhenNothingEndsIt) {
  sample::SampleDialog dialog;
  tk::HeadlessToolkit toolkit;
  int inits = 0;
  dialog.init = [&](sample::SampleDialog& d) {
    ++inits;
    d.ui().setText(sample::kNameEdit, "ready");
  };
  toolkit.onModal(sample::kTemplateId, [&](tk::HeadlessWindow& w) {
    EXPECT_TRUE(dialog.isAttached());
    EXPECT_TRUE(w.shown());
    EXPECT_EQ(w.textOf(sample::kNameEdit), "ready");
    w.click(sample::kOkButton);
    w.endDialog(tk::kIdOk);
  });
  toolkit.onModal(sample::kTemplateId, [](tk::HeadlessWindow& w) { w.click(sample::kCheck); });

  EXPECT_EQ(toolkit.runModal(dialog), tk::kIdOk);
  EXPECT_FALSE(dialog.isAttached());
  EXPECT_EQ(toolkit.runModal(dialog), tk::kIdCancel);  // second script did not end the run
  EXPECT_EQ(toolkit.runModal(dialog), tk::kIdCancel);  // no script left
  EXPECT_EQ(inits, 3);
  EXPECT_EQ(toolkit.unusedScripts(), 0u);
  EXPECT_EQ(dialog.count(sample::kOkButton, Notify::Click), 1u);
  EXPECT_EQ(dialog.count(sample::kCheck, Notify::Click), 1u);
}

TEST(HeadlessModal, DialogEndedInItsInitialisationSkipsItsScript) {
  sample::SampleDialog dialog;
  tk::HeadlessToolkit toolkit;
  dialog.init = [](sample::SampleDialog& d) { d.ui().endDialog(42); };
  bool scriptRan = false;
  toolkit.onModal(sample::kTemplateId, [&](tk::HeadlessWindow&) { scriptRan = true; });
  EXPECT_EQ(toolkit.runModal(dialog), 42);
  EXPECT_FALSE(scriptRan);
}

TEST(HeadlessModal, NestedDialogRunsItsOwnScriptOverItsOwner) {
  sample::SampleDialog parent;
  sample::SampleDialog child(sample::kChildTemplate);
  tk::HeadlessToolkit toolkit;
  int childResult = 0;
  toolkit.onModal(sample::kTemplateId, [&](tk::HeadlessWindow& w) {
    childResult = w.runModal(child);
    EXPECT_FALSE(child.isAttached());
    EXPECT_TRUE(parent.isAttached());
    w.endDialog(tk::kIdOk);
  });
  toolkit.onModal(sample::kChildTemplateId, [&](tk::HeadlessWindow& w) {
    EXPECT_NE(w.owner(), nullptr);
    EXPECT_EQ(w.title(), "Child");
    w.type(sample::kChildEdit, "typed");
    w.click(sample::kChildOk);
    w.endDialog(tk::kIdYes);
  });
  EXPECT_EQ(toolkit.runModal(parent), tk::kIdOk);
  EXPECT_EQ(childResult, tk::kIdYes);
  EXPECT_EQ(child.received, (std::vector<Received>{{sample::kChildEdit, Notify::Change},
                                                   {sample::kChildOk, Notify::Click}}));
}

TEST(HeadlessModal, AFailingScriptStillClosesTheWindow) {
  sample::SampleDialog dialog;
  tk::HeadlessToolkit toolkit;
  toolkit.onModal(sample::kTemplateId,
                  [](tk::HeadlessWindow&) { throw std::runtime_error("script failed"); });
  EXPECT_THROW(toolkit.runModal(dialog), std::runtime_error);
  EXPECT_FALSE(dialog.isAttached());
}

TEST(HeadlessMessageBoxes, AnswersComeInTurnAndEveryBoxIsRecorded) {
  sample::SampleDialog dialog;
  tk::HeadlessToolkit toolkit;
  tk::HeadlessWindow& window = toolkit.open(dialog);
  toolkit.answerNextBox(tk::kIdYes);
  toolkit.answerNextBox(tk::kIdNo);

  EXPECT_EQ(window.messageBox("Empty Q1?", "Confirm", tk::mb::kYesNoQuestion), tk::kIdYes);
  EXPECT_EQ(window.messageBox("Empty Q2?", nullptr, tk::mb::kYesNoQuestion), tk::kIdNo);
  EXPECT_EQ(toolkit.messageBox("Failed", nullptr, tk::mb::kIconError), tk::kIdOk);
  EXPECT_EQ(window.messageBox("Note", "About", tk::mb::kIconInformation), tk::kIdOk);

  ASSERT_EQ(toolkit.boxes().size(), 4u);
  EXPECT_EQ(toolkit.boxes()[0].caption, "Confirm");
  EXPECT_EQ(toolkit.boxes()[1].caption, "tarnix");
  EXPECT_EQ(toolkit.boxes()[1].answer, tk::kIdNo);
  EXPECT_TRUE(toolkit.boxes()[1].owned);
  EXPECT_FALSE(toolkit.boxes()[2].owned);
  EXPECT_EQ(toolkit.boxes()[2].style, tk::mb::kIconError);
  EXPECT_EQ(toolkit.boxes()[3].text, "Note");
}

TEST(HeadlessMessageBoxes, UnexpectedQuestionOrImpossibleAnswerFailsLoudly) {
  tk::HeadlessToolkit toolkit;
  try {
    toolkit.messageBox("Delete all?", nullptr, tk::mb::kYesNoQuestion);
    FAIL() << "an unanswered question must throw";
  } catch (const std::logic_error& e) {
    EXPECT_NE(std::string(e.what()).find("Delete all?"), std::string::npos);
  }
  toolkit.answerNextBox(tk::kIdYes);
  EXPECT_THROW(toolkit.messageBox("Done", nullptr, tk::mb::kOk), std::logic_error);
  EXPECT_TRUE(toolkit.boxes().empty());
}

TEST(HeadlessTimer, RestartReplacesThePeriodWithinTheClamps) {
  sample::SampleDialog dialog;
  tk::HeadlessToolkit toolkit;
  tk::HeadlessWindow& window = toolkit.open(dialog);
  EXPECT_EQ(window.timerPeriod(), std::nullopt);
  EXPECT_THROW(window.fireTimer(), std::logic_error);

  window.startTimer(1000);
  EXPECT_EQ(window.timerPeriod(), 1000u);
  window.startTimer(3000);
  EXPECT_EQ(window.timerPeriod(), 3000u);
  window.startTimer(0);
  EXPECT_EQ(window.timerPeriod(), 10u);
  window.startTimer(0xFFFFFFFFu);
  EXPECT_EQ(window.timerPeriod(), 2147483647u);

  window.fireTimer();
  window.releaseLeftButton();
  EXPECT_EQ(dialog.received,
            (std::vector<Received>{{0, Notify::Timer}, {tk::kNoId, Notify::LeftButtonUp}}));
}

TEST(HeadlessWindowState, ShowsWhatTheDialogSet) {
  sample::SampleDialog dialog;
  tk::HeadlessToolkit toolkit;
  dialog.init = [](sample::SampleDialog& d) {
    d.ui().setTitle("QM1");
    d.ui().setGeometry(100, 100, 300, 200);
    d.ui().setIcons(tk::iconFromRows({"ab", "b"}, {{'a', 0xFF0000FFu}, {'b', 0xFFFF0000u}}),
                    tk::iconFromRows({"a"}, {{'a', 0xFF00FF00u}}));
  };
  dialog.dragIcon = tk::iconFromRows({"x"}, {{'x', 0xFFFFFFFFu}});
  tk::HeadlessWindow& window = toolkit.open(dialog);
  EXPECT_EQ(window.title(), "QM1");
  EXPECT_EQ(window.geometry(), (tk::PixelRect{100, 100, 300, 200}));
  EXPECT_FALSE(window.topmost());
  window.setTopmost(true);
  EXPECT_TRUE(window.topmost());
  ASSERT_TRUE(window.largeIcon());
  EXPECT_EQ(window.largeIcon()->width, 2);
  EXPECT_EQ(window.largeIcon()->pixels,
            (std::vector<std::uint32_t>{0xFF0000FFu, 0xFFFF0000u, 0xFFFF0000u, 0u}));
  EXPECT_EQ(window.smallIcon()->pixels, (std::vector<std::uint32_t>{0xFF00FF00u}));
  ASSERT_NE(window.dragIcon(), nullptr);
  EXPECT_EQ(window.dragIcon()->pixels.front(), 0xFFFFFFFFu);
  EXPECT_FALSE(window.visible(sample::kHiddenButton));
  EXPECT_FALSE(window.enabled(sample::kDisabledCheck));

  window.close();
  EXPECT_EQ(window.endResult(), tk::kIdCancel);
  EXPECT_FALSE(dialog.isAttached());
  EXPECT_THROW(window.click(sample::kCheck), std::logic_error);
}

TEST(HeadlessWorkers, ProgressFromAWorkerThreadIsSeenByTheTest) {
  sample::SampleDialog dialog;
  tk::HeadlessToolkit toolkit;
  tk::HeadlessWindow& window = toolkit.open(dialog);
  EXPECT_EQ(window.progress(sample::kProgress), (tk::ProgressState{0, 100, 10, 0}));

  tk::ProgressBar bar = window.progressBar(sample::kProgress);
  std::atomic<bool> done = false;
  ASSERT_TRUE(window.startWorker([bar, &done](std::stop_token) {
    bar.setRange(5);
    bar.setStep(1);
    for (int i = 0; i < 3; ++i) bar.stepIt();
    done = true;
    done.notify_all();
  }));
  done.wait(false);
  EXPECT_EQ(window.progress(sample::kProgress), (tk::ProgressState{0, 5, 1, 3}));
  window.close();
}

TEST(HeadlessWorkers, ClosingWhileAWorkerHammersTheProgressBarStopsAndJoinsIt) {
  sample::SampleDialog dialog;
  tk::HeadlessToolkit toolkit;
  tk::HeadlessWindow& window = toolkit.open(dialog);
  tk::ProgressBar bar = window.progressBar(sample::kProgress);
  bar.setStep(1);
  std::atomic<int> calls = 0;
  std::atomic<bool> stopped = false;
  ASSERT_TRUE(window.startWorker([bar, &calls, &stopped](std::stop_token stop) {
    while (!stop.stop_requested()) {
      bar.stepIt();
      ++calls;
      calls.notify_all();
    }
    // A worker that goes on after the request must not hang or touch a closed window.
    for (int i = 0; i < 1000; ++i) bar.stepIt();
    stopped = true;
  }));
  calls.wait(0);
  window.close();
  EXPECT_TRUE(stopped);
  const tk::ProgressState last = window.progress(sample::kProgress);
  bar.setPosition(99);  // after closing: no effect
  EXPECT_EQ(window.progress(sample::kProgress), last);
  EXPECT_FALSE(window.startWorker([](std::stop_token) {}));
}

}  // namespace
