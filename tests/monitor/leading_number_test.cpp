#include "monitor/leading_number.h"

#include <gtest/gtest.h>

#include <cmath>

namespace tarnix {
namespace {

TEST(LeadingNumber, ReadsTheDecimalAtTheStartAndStopsAtTheFirstMisfit) {
  struct Case {
    const char* text;
    double value;
  };
  for (const Case& c :
       {Case{"80", 80}, Case{"  85.5", 85.5}, Case{"-10", -10}, Case{"+7", 7}, Case{".5", 0.5},
        Case{"5.", 5}, Case{"1e2", 100}, Case{"1E+2x", 100}, Case{"2e", 2}, Case{"2e-", 2},
        Case{"12abc", 12}, Case{"", 0}, Case{"abc", 0}, Case{"-", 0}, Case{".", 0}, Case{"0x10", 0},
        Case{"nan", 0}, Case{"inf", 0}, Case{"4294967295", 4294967295.0}}) {
    EXPECT_EQ(leadingDecimal(c.text), c.value) << "'" << c.text << "'";
  }
  // Numbers beyond a double saturate.
  EXPECT_EQ(leadingDecimal("1e999"), INFINITY);
  EXPECT_EQ(leadingDecimal("-1e999"), -INFINITY);
  EXPECT_EQ(leadingDecimal("1e-999"), 0.0);
  EXPECT_EQ(leadingDecimal("0.000e999"), 0.0);
}

}  // namespace
}  // namespace tarnix
