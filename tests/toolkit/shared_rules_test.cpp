// The progress rule both backends share, which no test through a window reaches fully.

#include <gtest/gtest.h>

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

}  // namespace
