// The rules both backends share, tested once here rather than through each backend.

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/toolkit/dialog_units.h"
#include "platform/toolkit/headless/headless_toolkit.h"
#include "platform/toolkit/icon.h"
#include "platform/toolkit/progress_state.h"
#include "platform/toolkit/spin_model.h"
#include "tests/toolkit/sample_dialog.h"

namespace {

TEST(SpinStepRule, OutOfRangeComesToTheNearerEndAndWithoutWrapStaysThere) {
  EXPECT_EQ(tk::stepSpinPosition(5, 1, 5, true, false), 5);
  EXPECT_EQ(tk::stepSpinPosition(1, 1, 5, false, false), 1);
  EXPECT_EQ(tk::stepSpinPosition(7, 7, 7, true, true), 7);
  EXPECT_EQ(tk::stepSpinPosition(50, 1, 3, false, true), 2);
  EXPECT_EQ(tk::stepSpinPosition(0, 1, 3, true, true), 2);
  // With lower above upper the up arrow counts down.
  EXPECT_EQ(tk::stepSpinPosition(-9, 10, -10, true, true), -10);
  EXPECT_EQ(tk::stepSpinPosition(-10, 10, -10, true, true), 10);
  EXPECT_EQ(tk::stepSpinPosition(32767, -32768, 32767, true, true), -32768);
  EXPECT_EQ(tk::stepSpinPosition(-2147483647 - 1, -32768, 32767, false, false), -32768);
}

TEST(DialogUnitRule, EdgesMapOnTheirOwnSoThatTouchingControlsTouchInPixels) {
  const tk::DialogUnits units(7, 13);  // the 8-point sans font here: 7 by 13 pixels
  EXPECT_EQ(units.x(4), 7);
  EXPECT_EQ(units.y(8), 13);
  const tk::PixelRect left = units.rect({0, 0, 10, 15});
  const tk::PixelRect right = units.rect({10, 15, 5, 15});
  EXPECT_EQ(left.x + left.width, right.x);
  EXPECT_EQ(left.y + left.height, right.y);
  EXPECT_EQ(right.width, 8) << "its edges, 17.5 and 26.25, round to 18 and 26";
  // Window sizes in the host's pixels: 6 to a character across, 25 to a row of 15 units down.
  EXPECT_EQ(units.hostWidth(204), 238);
  EXPECT_EQ(units.hostHeight(50), 49);
  EXPECT_EQ(units.hostHeight(150), 146);
}

TEST(TextRules, NumbersReadFromTextOrZeroAndBoundedReadsKeepWholeCharacters) {
  struct NumberCase {
    const char* text;
    std::int32_t asSigned;
    std::uint32_t asUnsigned;
  };
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
      {"-", 0, 0},
      {"N/A", 0, 0},
      {"12a", 0, 0},
      {"1 2", 0, 0},
      {"- 3", 0, 0},
      {"0x10", 0, 0},
  };
  sample::SampleDialog dialog;
  tk::HeadlessToolkit toolkit;
  tk::HeadlessWindow& window = toolkit.open(dialog);
  for (const NumberCase& c : cases) {
    window.setText(sample::kNameEdit, c.text);
    EXPECT_EQ(window.readSigned(sample::kNameEdit), c.asSigned) << '"' << c.text << '"';
    EXPECT_EQ(window.readUnsigned(sample::kNameEdit), c.asUnsigned) << '"' << c.text << '"';
  }
  // A bounded read never splits a character.
  window.setText(sample::kNameEdit, "d\xC3\xA9pth");  // "dépth"
  EXPECT_EQ(window.text(sample::kNameEdit, 2), "d\xC3\xA9");
  EXPECT_EQ(window.text(sample::kNameEdit, 0), "");
}

TEST(IconRule, ShortRowsAreFilledOutWithTransparentPixels) {
  const tk::Icon icon = tk::iconFromRows({"ab", "b"}, {{'a', 0xFF0000FFu}, {'b', 0xFFFF0000u}});
  EXPECT_EQ(icon.width, 2);
  EXPECT_EQ(icon.pixels, (std::vector<std::uint32_t>{0xFF0000FFu, 0xFFFF0000u, 0xFFFF0000u, 0u}));
}

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

}  // namespace
