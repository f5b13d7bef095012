// The headless backend as a test drives it: scripts in turn, queued answers of message boxes, and
// a loud refusal of whatever a test asks that the window could not do.

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>

#include "platform/toolkit/headless/headless_toolkit.h"
#include "platform/toolkit/message_box.h"
#include "tests/toolkit/sample_dialog.h"

namespace {

using namespace sample;

class HeadlessDriver : public ::testing::Test {
 protected:
  // Declared before the toolkit: it closes the windows it opened, which detaches their dialogs.
  SampleDialog dialog_;
  tk::HeadlessToolkit toolkit_;
};

TEST_F(HeadlessDriver, ScriptsRunOnePerRunInTurnAndARunNothingEndsIsCancelled) {
  toolkit_.onModal(kTemplateId, [](tk::HeadlessWindow& w) { w.endDialog(tk::kIdOk); });
  toolkit_.onModal(kTemplateId,
                   [](tk::HeadlessWindow&) { throw std::runtime_error("script failed"); });
  EXPECT_EQ(toolkit_.runModal(dialog_), tk::kIdOk);
  EXPECT_THROW(toolkit_.runModal(dialog_), std::runtime_error);
  // The failing script's window was closed all the same: the dialog runs again.
  EXPECT_EQ(toolkit_.runModal(dialog_), tk::kIdCancel);  // no script left

  // A dialog ended in its initialisation skips its script.
  dialog_.init = [](SampleDialog& d) { d.ui().endDialog(42); };
  toolkit_.onModal(kTemplateId, [](tk::HeadlessWindow&) { ADD_FAILURE() << "script ran"; });
  EXPECT_EQ(toolkit_.runModal(dialog_), 42);
  EXPECT_EQ(toolkit_.unusedScripts(), 1u);
}

TEST_F(HeadlessDriver, MessageBoxesTakeTheQueuedAnswersInTurnAndRefuseAnyOther) {
  tk::HeadlessWindow& window = toolkit_.open(dialog_);
  // A question with no answer queued.
  EXPECT_THROW(toolkit_.messageBox("Q?", nullptr, tk::mb::kYesNoQuestion), std::logic_error);
  toolkit_.answerNextBox(tk::kIdYes);
  toolkit_.answerNextBox(tk::kIdNo);
  EXPECT_EQ(window.messageBox("Empty Q1?", "Confirm", tk::mb::kYesNoQuestion), tk::kIdYes);
  EXPECT_EQ(window.messageBox("Empty Q2?", nullptr, tk::mb::kYesNoQuestion), tk::kIdNo);
  EXPECT_EQ(toolkit_.messageBox("Failed", nullptr, tk::mb::kIconError), tk::kIdOk);  // needs none
  toolkit_.answerNextBox(tk::kIdYes);
  EXPECT_THROW(toolkit_.messageBox("Done", nullptr, tk::mb::kOk), std::logic_error);
}

TEST_F(HeadlessDriver, WindowRefusesWhatItsControlsCannotDoAndAClosedWindowAllOfIt) {
  tk::HeadlessWindow& window = toolkit_.open(dialog_);
  EXPECT_THROW(window.click(kNameEdit), std::logic_error);
  EXPECT_THROW(window.type(kListCombo, "x"), std::logic_error);
  EXPECT_THROW(window.fireTimer(), std::logic_error);  // never started
  window.startTimer(0);
  EXPECT_EQ(window.timerPeriod(), 10u);

  // Closing stops and joins the window's worker; then its bars take no calls, and the window
  // no worker and no user action.
  std::atomic<bool> stopped = false;
  ASSERT_TRUE(window.startWorker(
      [&stopped](const std::stop_token& stop) {
        while (!stop.stop_requested()) std::this_thread::yield();
        stopped = true;
      },
      {}));
  tk::ProgressBar bar = window.progressBar(kProgress);
  window.close();
  EXPECT_TRUE(stopped);
  bar.setPosition(50);
  EXPECT_EQ(window.progress(kProgress).position, 0);
  EXPECT_FALSE(window.startWorker([](const std::stop_token&) {}, {}));
  EXPECT_THROW(window.click(kCheck), std::logic_error);
}

}  // namespace
