// Rules both backends share and that no window shows directly.

#include <gtest/gtest.h>

#include "platform/toolkit/control_groups.h"
#include "platform/toolkit/dialog_units.h"
#include "platform/toolkit/message_box.h"
#include "platform/toolkit/message_box_style.h"
#include "platform/toolkit/progress_state.h"

namespace {

TEST(ProgressStateRule, StepsWrapPastTheEndAndPositionsStayInRange) {
  tk::ProgressState state;
  state.setRange(10);
  state.setStep(4);
  state.stepIt();
  state.stepIt();
  EXPECT_EQ(state.position, 8);
  state.stepIt();  // 12 starts over from the beginning
  EXPECT_EQ(state.position, 2);
  state.setPosition(50);
  EXPECT_EQ(state.position, 10);
  state.setRange(4);
  EXPECT_EQ(state.position, 4);
  state.setStep(-9);
  state.stepIt();
  EXPECT_EQ(state.position, 0);
  state.setRange(0);
  state.setStep(2147483647);
  state.stepIt();
  EXPECT_EQ(state.position, 0);
}

TEST(DialogUnitsRule, EdgesRoundToTheNearestPixel) {
  const tk::DialogUnits units(7, 13);  // 7/4 and 13/8 pixels per unit
  EXPECT_EQ(units.x(4), 7);
  EXPECT_EQ(units.x(3), 5);  // 5.25
  EXPECT_EQ(units.y(8), 13);
  EXPECT_EQ(units.y(3), 5);  // 4.875
  // Each edge maps on its own, so touching controls still touch.
  const tk::PixelRect left = units.rect({1, 1, 3, 3});
  const tk::PixelRect right = units.rect({4, 1, 3, 3});
  EXPECT_EQ(left.x + left.width, right.x);
}

TEST(MessageBoxStyleRule, StyleWordsGiveButtonsIconsAndTheDismissAnswer) {
  EXPECT_EQ(tk::decodeBoxStyle(tk::mb::kYesNoQuestion).buttons, tk::BoxButtons::YesNo);
  EXPECT_EQ(tk::decodeBoxStyle(tk::mb::kYesNoQuestion).icon, tk::BoxIcon::Question);
  EXPECT_EQ(tk::decodeBoxStyle(tk::mb::kIconError).icon, tk::BoxIcon::Error);
  EXPECT_EQ(tk::decodeBoxStyle(tk::mb::kIconInformation).buttons, tk::BoxButtons::Ok);
  EXPECT_EQ(tk::decodeBoxStyle(tk::mb::kOk).icon, tk::BoxIcon::None);
  EXPECT_EQ(tk::boxDismissAnswer(tk::BoxButtons::YesNo), tk::kIdNo);
  EXPECT_EQ(tk::boxDismissAnswer(tk::BoxButtons::Ok), tk::kIdOk);
}

TEST(ControlGroupRule, GroupsRunFromOneGroupStartToTheNext) {
  using tk::ControlKind;
  const tk::ControlTemplate controls[] = {
      {1, ControlKind::RadioButton, "", {}},
      {2, ControlKind::RadioButton, "", {}},
      {3, ControlKind::Label, "", {}, tk::attr::kGroupStart},
      {4, ControlKind::RadioButton, "", {}},
      {5, ControlKind::RadioButton, "", {}, tk::attr::kGroupStart}};
  EXPECT_EQ(tk::groupMembers(controls, 1), (std::vector<std::size_t>{0, 1}));
  EXPECT_EQ(tk::groupMembers(controls, 3), (std::vector<std::size_t>{2, 3}));
  EXPECT_EQ(tk::groupMembers(controls, 4), (std::vector<std::size_t>{4}));
}

}  // namespace
