// Modal runs, message boxes, the timer and worker threads on the headless backend.

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

class HeadlessRuns : public ::testing::Test {
 protected:
  // Declared before the toolkit: it closes the windows it opened, which detaches their dialogs.
  sample::SampleDialog dialog_;
  tk::HeadlessToolkit toolkit_;
};

TEST_F(HeadlessRuns, InitThenTheScriptsInTurnAndCancelWhenNothingEndsTheRun) {
  dialog_.init = [](sample::SampleDialog& d) { d.ui().setText(sample::kNameEdit, "ready"); };
  toolkit_.onModal(sample::kTemplateId, [&](tk::HeadlessWindow& w) {
    EXPECT_TRUE(dialog_.isAttached());
    EXPECT_TRUE(w.shown());
    EXPECT_EQ(w.textOf(sample::kNameEdit), "ready");
    w.click(sample::kOkButton);
    w.endDialog(tk::kIdOk);
  });
  toolkit_.onModal(sample::kTemplateId, [](tk::HeadlessWindow& w) { w.click(sample::kCheck); });

  EXPECT_EQ(toolkit_.runModal(dialog_), tk::kIdOk);
  EXPECT_FALSE(dialog_.isAttached());
  EXPECT_EQ(toolkit_.runModal(dialog_), tk::kIdCancel);  // second script did not end the run
  EXPECT_EQ(toolkit_.runModal(dialog_), tk::kIdCancel);  // no script left
  EXPECT_EQ(toolkit_.unusedScripts(), 0u);
  EXPECT_EQ(dialog_.count(sample::kOkButton, Notify::Click), 1u);
  EXPECT_EQ(dialog_.count(sample::kCheck, Notify::Click), 1u);
}

TEST_F(HeadlessRuns, DialogEndedInItsInitialisationSkipsItsScript) {
  dialog_.init = [](sample::SampleDialog& d) { d.ui().endDialog(42); };
  bool scriptRan = false;
  toolkit_.onModal(sample::kTemplateId, [&](tk::HeadlessWindow&) { scriptRan = true; });
  EXPECT_EQ(toolkit_.runModal(dialog_), 42);
  EXPECT_FALSE(scriptRan);
}

TEST_F(HeadlessRuns, NestedDialogRunsItsOwnScriptOverItsOwner) {
  sample::SampleDialog child(sample::kChildTemplate);
  int childResult = 0;
  toolkit_.onModal(sample::kTemplateId, [&](tk::HeadlessWindow& w) {
    childResult = w.runModal(child);
    EXPECT_FALSE(child.isAttached());
    EXPECT_TRUE(dialog_.isAttached());
    w.endDialog(tk::kIdOk);
  });
  toolkit_.onModal(sample::kChildTemplateId, [&](tk::HeadlessWindow& w) {
    EXPECT_EQ(w.owner()->title(), "Sample");
    w.type(sample::kChildEdit, "typed");
    w.click(sample::kChildOk);
    w.endDialog(tk::kIdYes);
  });
  EXPECT_EQ(toolkit_.runModal(dialog_), tk::kIdOk);
  EXPECT_EQ(childResult, tk::kIdYes);
  EXPECT_EQ(child.received, (std::vector<Received>{{sample::kChildEdit, Notify::Change},
                                                   {sample::kChildOk, Notify::Click}}));
}

TEST_F(HeadlessRuns, AFailingScriptStillClosesTheWindow) {
  toolkit_.onModal(sample::kTemplateId,
                   [](tk::HeadlessWindow&) { throw std::runtime_error("script failed"); });
  EXPECT_THROW(toolkit_.runModal(dialog_), std::runtime_error);
  EXPECT_FALSE(dialog_.isAttached());
}

TEST_F(HeadlessRuns, MessageBoxesAreAnsweredInTurnAndRecorded) {
  tk::HeadlessWindow& window = toolkit_.open(dialog_);
  toolkit_.answerNextBox(tk::kIdYes);
  toolkit_.answerNextBox(tk::kIdNo);
  EXPECT_EQ(window.messageBox("Empty Q1?", "Confirm", tk::mb::kYesNoQuestion), tk::kIdYes);
  EXPECT_EQ(window.messageBox("Empty Q2?", nullptr, tk::mb::kYesNoQuestion), tk::kIdNo);
  EXPECT_EQ(toolkit_.messageBox("Failed", nullptr, tk::mb::kIconError), tk::kIdOk);  // needs none

  ASSERT_EQ(toolkit_.boxes().size(), 3u);
  EXPECT_EQ(toolkit_.boxes()[0].caption, "Confirm");
  EXPECT_EQ(toolkit_.boxes()[1].caption, "tarnix");
  EXPECT_TRUE(toolkit_.boxes()[1].owned);
  EXPECT_FALSE(toolkit_.boxes()[2].owned);
}

TEST_F(HeadlessRuns, UnexpectedQuestionOrImpossibleAnswerFailsLoudly) {
  EXPECT_THROW(toolkit_.messageBox("Delete all?", nullptr, tk::mb::kYesNoQuestion),
               std::logic_error);
  toolkit_.answerNextBox(tk::kIdYes);
  EXPECT_THROW(toolkit_.messageBox("Done", nullptr, tk::mb::kOk), std::logic_error);
  EXPECT_TRUE(toolkit_.boxes().empty());
}

TEST_F(HeadlessRuns, TimerRestartReplacesThePeriodWithinTheClamps) {
  tk::HeadlessWindow& window = toolkit_.open(dialog_);
  EXPECT_THROW(window.fireTimer(), std::logic_error);  // never started
  window.startTimer(1000);
  window.startTimer(3000);
  EXPECT_EQ(window.timerPeriod(), 3000u);
  window.startTimer(0);
  EXPECT_EQ(window.timerPeriod(), 10u);
  window.startTimer(0xFFFFFFFFu);
  EXPECT_EQ(window.timerPeriod(), 2147483647u);
  window.fireTimer();
  EXPECT_EQ(dialog_.received, (std::vector<Received>{{0, Notify::Timer}}));
}

TEST_F(HeadlessRuns, ProgressFromAWorkerThreadIsSeenByTheTest) {
  tk::HeadlessWindow& window = toolkit_.open(dialog_);
  tk::ProgressBar bar = window.progressBar(sample::kProgress);
  std::atomic<bool> done = false;
  ASSERT_TRUE(window.startWorker([bar, &done](const std::stop_token&) {
    bar.setRange(5);
    bar.setStep(1);
    for (int i = 0; i < 3; ++i) bar.stepIt();
    done = true;
    done.notify_all();
  }));
  done.wait(false);
  EXPECT_EQ(window.progress(sample::kProgress), (tk::ProgressState{0, 5, 1, 3}));
}

TEST_F(HeadlessRuns, ClosingWhileAWorkerHammersTheProgressBarStopsAndJoinsIt) {
  tk::HeadlessWindow& window = toolkit_.open(dialog_);
  tk::ProgressBar bar = window.progressBar(sample::kProgress);
  bar.setStep(1);
  std::atomic<int> calls = 0;
  std::atomic<bool> stopped = false;
  ASSERT_TRUE(window.startWorker([bar, &calls, &stopped](const std::stop_token& stop) {
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
  EXPECT_FALSE(window.startWorker([](const std::stop_token&) {}));
  EXPECT_THROW(window.click(sample::kCheck), std::logic_error);  // nor any user action
}

}  // namespace
