// The controls of the headless backend: notifications, groups, typing, the spin and numbers.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/toolkit/headless/headless_toolkit.h"
#include "tests/toolkit/sample_dialog.h"

namespace {

using sample::Received;
using tk::Notify;

class HeadlessControls : public ::testing::Test {
 protected:
  sample::SampleDialog dialog;  // outlives the toolkit, which closes the windows it opened
  tk::HeadlessToolkit toolkit;
  tk::HeadlessWindow& window = toolkit.open(dialog);
};

TEST_F(HeadlessControls, ProgramSetEditTextRaisesChangeButCheckStateRaisesNoClick) {
  dialog.received.clear();
  window.setText(sample::kNameEdit, "queue");
  window.setSigned(sample::kDepthEdit, -5);
  window.setChecked(sample::kCheck, true);
  window.setChecked(sample::kRadioB, true);
  window.setText(sample::kOkButton, "Go");  // not an edit: no notification

  EXPECT_EQ(dialog.received, (std::vector<Received>{{sample::kNameEdit, Notify::Change},
                                                    {sample::kDepthEdit, Notify::Change}}));
  EXPECT_EQ(window.textOf(sample::kDepthEdit), "-5");  // the program may set any text
  EXPECT_TRUE(window.checked(sample::kCheck));
}

TEST_F(HeadlessControls, UserClicksToggleCheckBoxesAndSkipDisabledOrHiddenControls) {
  dialog.received.clear();
  window.click(sample::kCheck);
  EXPECT_TRUE(window.checked(sample::kCheck));
  window.click(sample::kCheck);
  EXPECT_FALSE(window.checked(sample::kCheck));
  window.click(sample::kDisabledCheck);
  window.click(sample::kHiddenButton);
  EXPECT_FALSE(window.checked(sample::kDisabledCheck));
  EXPECT_EQ(dialog.received, (std::vector<Received>(2, {sample::kCheck, Notify::Click})));
  EXPECT_THROW(window.click(sample::kNameEdit), std::logic_error);  // an edit cannot be clicked
}

TEST_F(HeadlessControls, RadioButtonsAreExclusiveWithinTheirGroupOnly) {
  window.click(sample::kRadioA);
  window.click(sample::kRadioC);
  window.click(sample::kRadioB);
  window.click(sample::kRadioB);  // a checked radio stays checked
  EXPECT_FALSE(window.checked(sample::kRadioA));
  EXPECT_TRUE(window.checked(sample::kRadioB));
  EXPECT_TRUE(window.checked(sample::kRadioC));  // other group untouched
  EXPECT_EQ(dialog.count(sample::kRadioB, Notify::Click), 2u);

  // The program's check clears the group too, and raises no click.
  const std::size_t before = dialog.received.size();
  window.setChecked(sample::kRadioD, true);
  EXPECT_FALSE(window.checked(sample::kRadioC));
  EXPECT_TRUE(window.checked(sample::kRadioB));
  EXPECT_EQ(dialog.received.size(), before);
}

TEST_F(HeadlessControls, TypingReplacesTextAsAUserCould) {
  dialog.received.clear();
  window.type(sample::kDepthEdit, "1a2-3");
  window.type(sample::kReadOnlyEdit, "no");
  EXPECT_EQ(window.textOf(sample::kDepthEdit), "123");
  EXPECT_EQ(window.textOf(sample::kReadOnlyEdit), "");
  EXPECT_EQ(dialog.received, (std::vector<Received>{{sample::kDepthEdit, Notify::Change}}));

  window.type(sample::kEditCombo, "With data");
  EXPECT_EQ(window.selectedItem(sample::kEditCombo), 1);
  window.type(sample::kEditCombo, "other");
  EXPECT_EQ(window.selectedItem(sample::kEditCombo), -1);
  EXPECT_THROW(window.type(sample::kListCombo, "x"), std::logic_error);
}

TEST_F(HeadlessControls, SpinWritesItsBuddyAndWrapsAtBothEnds) {
  window.setSpinBuddy(sample::kSpin, sample::kNumberEdit);
  window.setSpinRange(sample::kSpin, 1, 3);
  window.setText(sample::kNumberEdit, "2");
  dialog.received.clear();
  window.spinUp(sample::kSpin);
  EXPECT_EQ(window.textOf(sample::kNumberEdit), "3");
  window.spinUp(sample::kSpin);
  EXPECT_EQ(window.textOf(sample::kNumberEdit), "1");  // wrapped past the upper end
  window.spinDown(sample::kSpin);
  EXPECT_EQ(window.textOf(sample::kNumberEdit), "3");  // wrapped past the lower end
  EXPECT_EQ(dialog.count(sample::kNumberEdit, Notify::Change), 3u);
}

TEST_F(HeadlessControls, ColourQueriesGiveTheDialogsAnswerAndSkipTheProgressBar) {
  dialog.brush = tk::Colour{0, 0, 0};
  const tk::ColourAnswer answer = window.colourOf(sample::kDepthEdit);
  EXPECT_EQ(answer.textColour, dialog.textColour);
  EXPECT_EQ(answer.textBackground, dialog.textBackground);
  EXPECT_EQ(answer.brush, dialog.brush);
  EXPECT_FALSE(window.colourOf(sample::kNameEdit).brush);  // asked, not answered

  dialog.colourQueries.clear();
  (void)window.colourOf(sample::kRadioA);
  (void)window.colourOf(sample::kProgress);  // paints itself without asking
  EXPECT_EQ(
      dialog.colourQueries,
      (std::vector<std::pair<int, tk::ColourKind>>{{sample::kRadioA, tk::ColourKind::Button}}));
}

}  // namespace
