// The controls of the headless backend: notifications, groups, typing, the spin and numbers.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "platform/toolkit/headless/headless_toolkit.h"
#include "platform/toolkit/spin_model.h"
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
  window.setText(sample::kMemo, "line");
  window.setSigned(sample::kDepthEdit, -5);
  window.setChecked(sample::kCheck, true);
  window.setChecked(sample::kRadioB, true);
  window.setText(sample::kOkButton, "Go");  // not an edit: no notification

  EXPECT_EQ(dialog.received, (std::vector<Received>{{sample::kNameEdit, Notify::Change},
                                                    {sample::kMemo, Notify::Change},
                                                    {sample::kDepthEdit, Notify::Change}}));
  EXPECT_EQ(window.textOf(sample::kDepthEdit), "-5");  // the program may set any text
  EXPECT_TRUE(window.checked(sample::kCheck));
  EXPECT_EQ(window.textOf(sample::kOkButton), "Go");
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
  EXPECT_EQ(dialog.count(sample::kCheck, Notify::Click), 2u);
  EXPECT_EQ(dialog.received.size(), 2u);

  window.enable(sample::kDisabledCheck, true);
  window.click(sample::kDisabledCheck);
  EXPECT_TRUE(window.checked(sample::kDisabledCheck));
  EXPECT_THROW(window.click(sample::kNameEdit), std::logic_error);  // an edit cannot be clicked
  EXPECT_THROW(window.click(999), std::logic_error);
}

TEST_F(HeadlessControls, RadioButtonsAreExclusiveWithinTheirGroupOnly) {
  window.click(sample::kRadioA);
  window.click(sample::kRadioC);
  EXPECT_TRUE(window.checked(sample::kRadioA));
  EXPECT_TRUE(window.checked(sample::kRadioC));

  window.click(sample::kRadioB);
  EXPECT_FALSE(window.checked(sample::kRadioA));
  EXPECT_TRUE(window.checked(sample::kRadioB));
  EXPECT_TRUE(window.checked(sample::kRadioC));  // other group untouched
  EXPECT_EQ(dialog.received.back(), (Received{sample::kRadioB, Notify::Click}));

  // Clicking a checked radio keeps it checked; the program clears the group when it sets one.
  window.click(sample::kRadioB);
  EXPECT_TRUE(window.checked(sample::kRadioB));
  const std::size_t before = dialog.received.size();
  window.setChecked(sample::kRadioD, true);
  EXPECT_FALSE(window.checked(sample::kRadioC));
  EXPECT_TRUE(window.checked(sample::kRadioB));
  window.setChecked(sample::kRadioD, false);
  EXPECT_FALSE(window.isChecked(sample::kRadioD));
  EXPECT_EQ(dialog.received.size(), before);
}

TEST_F(HeadlessControls, TypingReplacesTextAsAUserCould) {
  dialog.received.clear();
  window.type(sample::kDepthEdit, "1a2-3");
  EXPECT_EQ(window.textOf(sample::kDepthEdit), "123");
  window.type(sample::kReadOnlyEdit, "no");
  EXPECT_EQ(window.textOf(sample::kReadOnlyEdit), "");
  window.type(sample::kNameEdit, "Q.1");
  EXPECT_EQ(window.textOf(sample::kNameEdit), "Q.1");
  EXPECT_EQ(dialog.received, (std::vector<Received>{{sample::kDepthEdit, Notify::Change},
                                                    {sample::kNameEdit, Notify::Change}}));

  window.type(sample::kEditCombo, "With data");
  EXPECT_EQ(window.selectedItem(sample::kEditCombo), 1);
  window.type(sample::kEditCombo, "other");
  EXPECT_EQ(window.selectedItem(sample::kEditCombo), -1);
  EXPECT_THROW(window.type(sample::kListCombo, "x"), std::logic_error);
  EXPECT_THROW(window.type(sample::kCheck, "x"), std::logic_error);
}

TEST_F(HeadlessControls, SpinWritesItsBuddyAndWrapsAtBothEnds) {
  window.setSpinBuddy(sample::kSpin, sample::kNumberEdit);
  window.setSpinRange(sample::kSpin, 1, 3);
  EXPECT_EQ(window.spinBuddy(sample::kSpin), sample::kNumberEdit);
  EXPECT_EQ(window.spinRange(sample::kSpin), (std::pair<std::int16_t, std::int16_t>{1, 3}));

  dialog.received.clear();
  window.setText(sample::kNumberEdit, "2");
  window.spinUp(sample::kSpin);
  EXPECT_EQ(window.textOf(sample::kNumberEdit), "3");
  window.spinUp(sample::kSpin);
  EXPECT_EQ(window.textOf(sample::kNumberEdit), "1");  // wrapped past the upper end
  window.spinDown(sample::kSpin);
  EXPECT_EQ(window.textOf(sample::kNumberEdit), "3");  // wrapped past the lower end
  EXPECT_EQ(dialog.count(sample::kNumberEdit, Notify::Change), 4u);

  // Out of range, the value first comes to the nearer end, then steps.
  window.setText(sample::kNumberEdit, "50");
  window.spinDown(sample::kSpin);
  EXPECT_EQ(window.textOf(sample::kNumberEdit), "2");
  window.setText(sample::kNumberEdit, "N/A");  // reads as 0, below the range
  window.spinUp(sample::kSpin);
  EXPECT_EQ(window.textOf(sample::kNumberEdit), "2");

  // With lower above upper the up arrow counts down.
  window.setSpinRange(sample::kSpin, 10, -10);
  window.setText(sample::kNumberEdit, "-9");
  window.spinUp(sample::kSpin);
  EXPECT_EQ(window.textOf(sample::kNumberEdit), "-10");
  window.spinUp(sample::kSpin);
  EXPECT_EQ(window.textOf(sample::kNumberEdit), "10");
}

TEST(SpinStep, WithoutWrapStaysAtTheEnds) {
  EXPECT_EQ(tk::stepSpinPosition(5, 1, 5, true, false), 5);
  EXPECT_EQ(tk::stepSpinPosition(1, 1, 5, false, false), 1);
  EXPECT_EQ(tk::stepSpinPosition(7, 7, 7, true, true), 7);
  EXPECT_EQ(tk::stepSpinPosition(32767, -32768, 32767, true, true), -32768);
  EXPECT_EQ(tk::stepSpinPosition(-2147483647 - 1, -32768, 32767, false, false), -32768);
}

struct NumberCase {
  const char* text;
  std::int32_t asSigned;
  std::uint32_t asUnsigned;
};

TEST_F(HeadlessControls, NumbersReadFromTextOrZero) {
  const NumberCase cases[] = {
      {"42", 42, 42},
      {"  7 \t", 7, 7},
      {"+8", 8, 0},
      {"-12", -12, 0},
      {"-0", 0, 0},
      {"2147483647", 2147483647, 2147483647u},
      {"2147483648", 0, 2147483648u},
      {"-2147483648", -2147483647 - 1, 0},
      {"-2147483649", 0, 0},
      {"4294967295", 0, 4294967295u},
      {"4294967296", 0, 0},
      {"99999999999999999999999", 0, 0},
      {"", 0, 0},
      {"   ", 0, 0},
      {"-", 0, 0},
      {"N/A", 0, 0},
      {"12a", 0, 0},
      {"1 2", 0, 0},
      {"- 3", 0, 0},
      {"0x10", 0, 0},
      {"R3", 0, 0},
  };
  for (const NumberCase& c : cases) {
    window.setText(sample::kNameEdit, c.text);
    EXPECT_EQ(window.readSigned(sample::kNameEdit), c.asSigned) << '"' << c.text << '"';
    EXPECT_EQ(window.readUnsigned(sample::kNameEdit), c.asUnsigned) << '"' << c.text << '"';
  }
  window.setUnsigned(sample::kNameEdit, 4294967295u);
  EXPECT_EQ(window.textOf(sample::kNameEdit), "4294967295");
  window.setSigned(sample::kNameEdit, -2147483647 - 1);
  EXPECT_EQ(window.textOf(sample::kNameEdit), "-2147483648");
}

TEST_F(HeadlessControls, BoundedTextReadNeverSplitsACharacter) {
  window.setText(sample::kNameEdit, "d\xC3\xA9pth");  // "dépth"
  EXPECT_EQ(window.text(sample::kNameEdit, 2), "d\xC3\xA9");
  EXPECT_EQ(window.text(sample::kNameEdit, 0), "");
  EXPECT_EQ(window.text(sample::kNameEdit, 100), "d\xC3\xA9pth");
}

TEST_F(HeadlessControls, ColourQueriesAskWithTheControlsKind) {
  dialog.textColour = tk::Colour{0, 0, 255};
  dialog.textBackground = tk::Colour{0, 255, 0};
  dialog.brush = tk::Colour{0, 0, 0};
  tk::ColourAnswer answer = window.colourOf(sample::kDepthEdit);
  EXPECT_EQ(answer.textColour, (tk::Colour{0, 0, 255}));
  EXPECT_EQ(answer.textBackground, (tk::Colour{0, 255, 0}));
  EXPECT_EQ(answer.brush, (tk::Colour{0, 0, 0}));

  dialog.brush.reset();  // a changed answer shows at the next query
  EXPECT_FALSE(window.colourOf(sample::kDepthEdit).brush);
  EXPECT_FALSE(window.colourOf(sample::kNameEdit).textColour);

  dialog.colourQueries.clear();
  (void)window.colourOf(sample::kOkButton);
  (void)window.colourOf(sample::kRadioA);
  (void)window.colourOf(sample::kCheck);
  (void)window.colourOf(sample::kProgress);  // paints itself without asking
  EXPECT_EQ(dialog.colourQueries, (std::vector<std::pair<int, tk::ColourKind>>{
                                      {sample::kOkButton, tk::ColourKind::Button},
                                      {sample::kRadioA, tk::ColourKind::Button},
                                      {sample::kCheck, tk::ColourKind::Button}}));
}

}  // namespace
