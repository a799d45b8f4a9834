#include "console/fields.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

using console::fixed_field;

struct FieldCase {
  double value;
  int width, decimals;
  const char* text;
};

TEST(FixedField, WritesTheCurveFileLayout) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const FieldCase cases[] = {
      {0.74, 10, 2, "       .74"},  // no zero before the point
      {-0.3, 10, 2, "      -.30"},
      {0.0, 10, 2, "       .00"},
      {-0.0, 10, 2, "       .00"},    // a negative zero has no sign
      {-0.004, 10, 2, "      -.00"},  // below zero, rounds to zero: keeps its sign
      {-2.35, 10, 2, "     -2.35"},
      {58.12, 10, 2, "     58.12"},
      {1.05, 13, 2, "         1.05"},
      {1900.0, 7, 0, "  1900."},  // no decimals: the point stays
      {0.0, 7, 0, "     0."},     // ... and a zero shows 0
      {0.4, 7, 0, "     0."},
      {-0.4, 7, 0, "    -0."},
      {40.125, 15, 2, "          40.12"},  // exact binary value, ties to even
      {40.375, 15, 2, "          40.38"},
      {0.125, 10, 2, "       .12"},
      {0.745, 10, 2, "       .74"},  // 0.745 is stored just below the half
      {99.995, 5, 2, "*****"},       // rounds up to 100.00: six characters
      {99.994, 5, 2, "99.99"},
      {-9.996, 5, 2, "*****"},  // -10.00
      {-10.0, 5, 2, "*****"},
      {12345678.0, 10, 2, "**********"},
      {1e300, 10, 2, "**********"},
      {123456.78, 10, 2, " 123456.78"},
      {-.5, 3, 2, "***"},  // "-.50" needs four
      {nan, 10, 2, "       NaN"},
      {inf, 10, 2, "       Inf"},
      {-inf, 11, 2, "       -Inf"},
      {nan, 2, 2, "**"},
  };
  for (const FieldCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.value << " in " << c.width << "." << c.decimals);
    EXPECT_EQ(fixed_field(c.value, c.width, c.decimals), c.text);
  }
}

TEST(IntField, RightJustifiesAndOverflowsToAsterisks) {
  EXPECT_EQ(console::int_field(1, 10), "         1");
  EXPECT_EQ(console::int_field(-42, 10), "       -42");
  EXPECT_EQ(console::int_field(2147483647, 10), "2147483647");
  EXPECT_EQ(console::int_field(-2147483647 - 1, 10), "**********");
}

}  // namespace
