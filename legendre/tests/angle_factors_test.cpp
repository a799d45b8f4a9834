#include "legendre/angle_factors.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "legendre/tests/test_run.hpp"

namespace {

using legendre::ExtendedReal;
using legendre::half_angle_tangent;
using legendre::reciprocal_sine;
using legendre::times_reciprocal_sine;
using legendre::TINY_ANGLE;

constexpr double INF = std::numeric_limits<double>::infinity();
constexpr double SMALLEST_SUBNORMAL = 0x1p-1074;

using AngleFactors = legendre_tests::DefaultArithmetic;

// The value of a pair as a binary exponent, for pairs that are powers of 2.
double log2_of(const ExtendedReal& v) { return std::log2(v.x) + v.ix; }

TEST_F(AngleFactors, AboveTheTinyAnglesThePlainDoublesAsEverywhereElse) {
  for (const double THETA : {TINY_ANGLE, 1e-100, 1e-6, 0.5, 2 * std::atan(1.0)}) {
    SCOPED_TRACE(THETA);
    const ExtendedReal s = reciprocal_sine(THETA);
    EXPECT_EQ(s.x, 1.0 / std::sin(THETA));
    EXPECT_EQ(s.ix, 0);
    const ExtendedReal t = half_angle_tangent(THETA);
    EXPECT_EQ(t.x, std::tan(THETA / 2.0));
    EXPECT_EQ(t.ix, 0);
  }
}

TEST_F(AngleFactors, TinyAnglesAreExactPairs) {
  // At these angles sin(THETA) = THETA and tan(THETA/2) = THETA/2 to double
  // precision; the pairs hold 1/THETA and THETA/2 exactly, also where
  // 1/THETA overflows and THETA/2 is not a double.
  const struct {
    double THETA;
    double log2_theta;
  } cases[] = {
      {0x1p-511, -511},
      {0x1p-1022, -1022},
      {SMALLEST_SUBNORMAL, -1074},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.THETA);
    const ExtendedReal s = reciprocal_sine(c.THETA);
    EXPECT_EQ(log2_of(s), -c.log2_theta);
    EXPECT_TRUE(s.x >= 0x1p-511 && s.x < 0x1p511);
    const ExtendedReal t = half_angle_tangent(c.THETA);
    EXPECT_EQ(log2_of(t), c.log2_theta - 1);
    EXPECT_TRUE(t.x >= 0x1p-511 && t.x < 0x1p511);
  }
  // Not a power of 2: 3 units of the last subnormal place, whose half is
  // no double: THETA = 0.75 2^-1072, 1/THETA = (1/0.75) 2^1072 and
  // THETA/2 = 0.75 2^-1073.
  const double THETA = 3 * SMALLEST_SUBNORMAL;
  const ExtendedReal t = half_angle_tangent(THETA);
  EXPECT_EQ(std::ldexp(t.x, t.ix + 1073), 0.75);
  const ExtendedReal s = reciprocal_sine(THETA);
  EXPECT_EQ(std::ldexp(s.x, s.ix - 1072), 1.0 / 0.75);
}

TEST_F(AngleFactors, ARecurrenceTermIsThePlainProductWhileItIsFinite) {
  // Unchanged, unadjusted: the recurrences have always added it so.
  const double THETA = 1e-140;
  const double s = 1.0 / std::sin(THETA);
  const ExtendedReal term = times_reciprocal_sine(2.0 * 3, s, THETA, {0x1p500, -7});
  EXPECT_EQ(term.x, 2.0 * 3 * s * 0x1p500);
  EXPECT_EQ(term.ix, -7);
}

TEST_F(AngleFactors, ARecurrenceTermBeyondTheDoubleRangeComesBackAdjusted) {
  const struct {
    const char* what;
    double c, s, THETA;
    ExtendedReal v;
    double log2_value;
  } cases[] = {
      // 2 * 2^1074 * 2^500: 1/sin(THETA) itself is infinite.
      {"infinite 1/sin", 2.0, INF, SMALLEST_SUBNORMAL, {0x1p500, 3}, 1 + 1074 + 500 + 3},
      // A zero entry stays 0 (the plain product would be inf * 0).
      {"zero entry", 2.0, INF, SMALLEST_SUBNORMAL, {0.0, 0}, -INF},
      // A finite 1/sin(THETA), but 2^20 * 2^500 * 2^510 passes 2^1024.
      {"high order", 0x1p20, 0x1p500, 0x1p-500, {0x1p510, -40}, 20 + 500 + 510 - 40},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const ExtendedReal term = times_reciprocal_sine(c.c, c.s, c.THETA, c.v);
    if (c.log2_value == -INF) {
      EXPECT_EQ(term.x, 0.0);
      EXPECT_EQ(term.ix, 0);
      continue;
    }
    EXPECT_TRUE(std::fabs(term.x) >= 0x1p-511 && std::fabs(term.x) < 0x1p511) << term.x;
    EXPECT_EQ(log2_of(term), c.log2_value);
  }
}

}  // namespace
