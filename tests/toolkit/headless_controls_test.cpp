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
  sample::SampleDialog dialog_;  // outlives the toolkit, which closes the windows it opened
  tk::HeadlessToolkit toolkit_;
  tk::HeadlessWindow& window_ = toolkit_.open(dialog_);
};

TEST_F(HeadlessControls, ProgramSetEditTextRaisesChangeButCheckStateRaisesNoClick) {
  dialog_.received.clear();
  window_.setText(sample::kNameEdit, "queue");
  window_.setSigned(sample::kDepthEdit, -5);
  window_.setChecked(sample::kCheck, true);
  window_.setChecked(sample::kRadioB, true);
  window_.setText(sample::kOkButton, "Go");  // not an edit: no notification

  EXPECT_EQ(dialog_.received, (std::vector<Received>{{sample::kNameEdit, Notify::Change},
                                                     {sample::kDepthEdit, Notify::Change}}));
  EXPECT_EQ(window_.textOf(sample::kDepthEdit), "-5");  // the program may set any text
  EXPECT_TRUE(window_.checked(sample::kCheck));
}

TEST_F(HeadlessControls, UserClicksToggleCheckBoxesAndSkipDisabledOrHiddenControls) {
  dialog_.received.clear();
  window_.click(sample::kCheck);
  EXPECT_TRUE(window_.checked(sample::kCheck));
  window_.click(sample::kCheck);
  EXPECT_FALSE(window_.checked(sample::kCheck));
  window_.click(sample::kDisabledCheck);
  window_.click(sample::kHiddenButton);
  EXPECT_FALSE(window_.checked(sample::kDisabledCheck));
  EXPECT_EQ(dialog_.received, (std::vector<Received>(2, {sample::kCheck, Notify::Click})));
  EXPECT_THROW(window_.click(sample::kNameEdit), std::logic_error);  // an edit cannot be clicked
}

TEST_F(HeadlessControls, RadioButtonsAreExclusiveWithinTheirGroupOnly) {
  window_.click(sample::kRadioA);
  window_.click(sample::kRadioC);
  window_.click(sample::kRadioB);
  window_.click(sample::kRadioB);  // a checked radio stays checked
  EXPECT_FALSE(window_.checked(sample::kRadioA));
  EXPECT_TRUE(window_.checked(sample::kRadioB));
  EXPECT_TRUE(window_.checked(sample::kRadioC));  // other group untouched
  EXPECT_EQ(dialog_.count(sample::kRadioB, Notify::Click), 2u);

  // The program's check clears the group too, and raises no click.
  const std::size_t before = dialog_.received.size();
  window_.setChecked(sample::kRadioD, true);
  EXPECT_FALSE(window_.checked(sample::kRadioC));
  EXPECT_TRUE(window_.checked(sample::kRadioB));
  EXPECT_EQ(dialog_.received.size(), before);
}

TEST_F(HeadlessControls, TypingReplacesTextAsAUserCould) {
  dialog_.received.clear();
  window_.type(sample::kDepthEdit, "1a2-3");
  window_.type(sample::kReadOnlyEdit, "no");
  // At most 5 bytes: a third "é" would make 6 and is refused, the "a" after it still fits.
  window_.type(sample::kNameEdit, "éééa");
  EXPECT_EQ(window_.textOf(sample::kDepthEdit), "123");
  EXPECT_EQ(window_.textOf(sample::kReadOnlyEdit), "");
  EXPECT_EQ(window_.textOf(sample::kNameEdit), "ééa");
  EXPECT_EQ(dialog_.received, (std::vector<Received>{{sample::kDepthEdit, Notify::Change},
                                                     {sample::kNameEdit, Notify::Change}}));

  window_.type(sample::kEditCombo, "With data");
  EXPECT_EQ(window_.selectedItem(sample::kEditCombo), 1);
  window_.type(sample::kEditCombo, "other");
  EXPECT_EQ(window_.selectedItem(sample::kEditCombo), -1);
  EXPECT_THROW(window_.type(sample::kListCombo, "x"), std::logic_error);
}

TEST_F(HeadlessControls, SpinWritesItsBuddyAndWrapsAtBothEnds) {
  window_.setSpinBuddy(sample::kSpin, sample::kNumberEdit);
  window_.setSpinRange(sample::kSpin, 1, 3);
  window_.setText(sample::kNumberEdit, "2");
  dialog_.received.clear();
  window_.spinUp(sample::kSpin);
  EXPECT_EQ(window_.textOf(sample::kNumberEdit), "3");
  window_.spinUp(sample::kSpin);
  EXPECT_EQ(window_.textOf(sample::kNumberEdit), "1");  // wrapped past the upper end
  window_.spinDown(sample::kSpin);
  EXPECT_EQ(window_.textOf(sample::kNumberEdit), "3");  // wrapped past the lower end
  EXPECT_EQ(dialog_.count(sample::kNumberEdit, Notify::Change), 3u);
}

TEST_F(HeadlessControls, ColourQueriesGiveTheDialogsAnswerAndSkipTheProgressBar) {
  dialog_.brush = tk::Colour{0, 0, 0};
  const tk::ColourAnswer answer = window_.colourOf(sample::kDepthEdit);
  EXPECT_EQ(answer.textColour, dialog_.textColour);
  EXPECT_EQ(answer.textBackground, dialog_.textBackground);
  EXPECT_EQ(answer.brush, dialog_.brush);
  EXPECT_FALSE(window_.colourOf(sample::kNameEdit).brush);  // asked, not answered

  dialog_.colourQueries.clear();
  (void)window_.colourOf(sample::kRadioA);
  (void)window_.colourOf(sample::kProgress);  // paints itself without asking
  EXPECT_EQ(
      dialog_.colourQueries,
      (std::vector<std::pair<int, tk::ColourKind>>{{sample::kRadioA, tk::ColourKind::Button}}));
}

}  // namespace
