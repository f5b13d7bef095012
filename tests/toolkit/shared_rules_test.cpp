// The rules both backends share, tested once here rather than through each backend.

#include <gtest/gtest.h>

#include "platform/toolkit/dialog_units.h"
#include "platform/toolkit/number_text.h"
#include "platform/toolkit/progress_state.h"
#include "platform/toolkit/spin_model.h"

namespace {

TEST(SpinStepRule, OutOfRangeComesToTheNearerEndAndWithoutWrapStaysThere) {
  EXPECT_EQ(tk::stepSpinPosition(5, 1, 5, true, false), 5);
  EXPECT_EQ(tk::stepSpinPosition(1, 1, 5, false, false), 1);
  EXPECT_EQ(tk::stepSpinPosition(50, 1, 3, false, true), 2);
  EXPECT_EQ(tk::stepSpinPosition(-2147483647 - 1, -32768, 32767, false, false), -32768);
  // With lower above upper the up arrow counts down.
  EXPECT_EQ(tk::stepSpinPosition(-9, 10, -10, true, true), -10);
  EXPECT_EQ(tk::stepSpinPosition(-10, 10, -10, true, true), 10);
}

TEST(DialogUnitRule, EdgesMapOnTheirOwnSoThatTouchingControlsTouchInPixels) {
  const tk::DialogUnits units(6.4, 12.3);  // an 8-point sans font: 6.4 by 12.3 pixels
  const tk::PixelRect left = units.rect({0, 0, 10, 15});
  const tk::PixelRect right = units.rect({10, 15, 5, 15});
  EXPECT_EQ(left.x + left.width, right.x);
  EXPECT_EQ(left.y + left.height, right.y);
  EXPECT_EQ(right.width, 8) << "its edges, 16 and 24, are 8 apart";
  // A window sized in the host's pixels shows what the host showed: a client area 77 units
  // tall, whose bottom edge lies at 118.4 pixels here, comes back at least that tall.
  EXPECT_EQ(tk::hostOuterHeight(77), 152);
  EXPECT_EQ(units.clientHeight(152), 120);
  EXPECT_GE(units.clientHeight(tk::hostOuterHeight(77)), units.y(77));
  EXPECT_EQ(units.clientWidth(204), 210) << "196 host pixels across: 130.7 units";
}

TEST(NumberTextRule, OnlyTextThatIsOneNumberThatFitsTheTypeReadsAsANumber) {
  EXPECT_EQ(tk::parseSigned("  7 \t"), 7);
  EXPECT_EQ(tk::parseSigned("+8"), 8);
  EXPECT_EQ(tk::parseSigned("2147483647"), 2147483647);
  EXPECT_EQ(tk::parseSigned("-2147483648"), -2147483647 - 1);
  EXPECT_EQ(tk::parseUnsigned("2147483648"), 2147483648u);
  for (const char* signedOnly : {"+8", "-12"}) EXPECT_FALSE(tk::parseUnsigned(signedOnly));
  EXPECT_FALSE(tk::parseSigned("2147483648"));
  for (const char* text : {"", "-", "12a", "1 2", "- 3", "0x10", "-2147483649", "4294967296",
                           "99999999999999999999999"}) {
    EXPECT_FALSE(tk::parseSigned(text).has_value() || tk::parseUnsigned(text).has_value())
        << '"' << text << '"';
  }
}

TEST(ProgressStateRule, StepsWrapPastTheEndAndPositionsStayInRange) {
  tk::ProgressState state;
  state.setRange(10);
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

}  // namespace
