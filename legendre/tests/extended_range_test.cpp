#include "legendre/extended_range.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include "errors/xerror.hpp"
#include "legendre/tests/test_run.hpp"
#include "testsupport/testsupport.hpp"

namespace {

using errors::RunAborted;
using legendre::extended_add;
using legendre::extended_range_parameters;
using legendre::extended_reduce;
using legendre::XDADJ;
using legendre::XDSET;
using legendre_tests::fatal_report;
using testsupport::CoutCapture;

double two_to(int n) { return std::ldexp(1.0, n); }

constexpr std::int32_t KMAX = 1073740802;  // 2^30 - 1022
const std::string OVERFLOW_MESSAGE = "ERR IN XDADJ...OVERFLOW IN AUXILIARY INDEX";
constexpr double INF = std::numeric_limits<double>::infinity();
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

class ExtendedRange : public testing::Test {
 protected:
  void SetUp() override { legendre_tests::reset_run(); }
};

using legendre_tests::DefaultArithmetic;

// ---------------------------------------------------------------- XDSET

using Xdset = ExtendedRange;

TEST_F(Xdset, DefaultsAreTheWindowOfADouble) {
  CoutCapture out;
  XDSET(0, 0, 0.0, 0);
  EXPECT_EQ(out.text(), "");
  const auto& p = extended_range_parameters();
  EXPECT_TRUE(p.initialised);
  EXPECT_EQ(p.IRAD, 2);
  EXPECT_EQ(p.NRADPL, 53);
  EXPECT_EQ(p.DZERO, 0.0);
  EXPECT_EQ(p.NBITS, 31);
  EXPECT_EQ(p.mantissa_bits, 53);
  EXPECT_EQ(p.radix, 2.0);
  EXPECT_EQ(p.L, 511);
  EXPECT_EQ(p.two_l, 1022);
  EXPECT_EQ(p.radix_to_l, two_to(511));
  EXPECT_DOUBLE_EQ(p.radix_to_l, 6.703903964971299e153);
  EXPECT_EQ(p.radix_to_2l, two_to(1022));
  EXPECT_DOUBLE_EQ(p.radix_to_2l, 4.49423283715579e307);
  EXPECT_EQ(p.KMAX, KMAX);
}

TEST_F(Xdset, OnlyTheFirstCallOfARunActs) {
  XDSET(0, 0, 0.0, 0);
  CoutCapture out;
  XDSET(10, 600, -1.0, 64);  // every argument invalid, and none looked at
  EXPECT_EQ(out.text(), "");
  const auto& p = extended_range_parameters();
  EXPECT_EQ(p.IRAD, 2);
  EXPECT_EQ(p.NRADPL, 53);
  EXPECT_EQ(p.DZERO, 0.0);
  EXPECT_EQ(p.NBITS, 31);
  EXPECT_EQ(p.L, 511);
  EXPECT_EQ(p.KMAX, KMAX);
}

TEST_F(Xdset, EachInvalidParameterIsReportedAndEndsTheRun) {
  const std::string IRAD = "ERR IN XDSET...IMPROPER VALUE OF IRAD";
  const std::string DZERO = "ERR IN XDSET...IMPROPER VALUE OF DZERO";
  const std::string NBITS = "ERR IN XDSET...IMPROPER VALUE OF NBITS";
  const std::string NRADPL = "ERR IN XDSET...IMPROPER VALUE OF NRADPL";
  const std::string PLACES = "ERR IN XDSET...NRADPL .GE. L";
  const struct {
    int IRAD, NRADPL;
    double DZERO;
    int NBITS;
    std::string message;
    int NERR;
  } cases[] = {
      {10, 0, 0.0, 0, IRAD, 1},
      {3, 0, 0.0, 0, IRAD, 1},
      {10, 600, -1.0, 64, IRAD, 1},  // the radix is checked first
      {0, 0, -1.0, 0, DZERO, 2},     // a negative bound has no logarithm
      {0, 0, INF, 0, DZERO, 2},
      {0, 0, NaN, 0, DZERO, 2},
      {0, 0, 1e3, 0, DZERO, 2},  // L = trunc(4.98) - 1 = 3 < 4
      {0, 0, 0.0, 14, NBITS, 3},
      {0, 0, 0.0, 64, NBITS, 3},
      {0, 0, 0.0, 32, NBITS, 3},    // indices are 32-bit integers
      {2, 600, 0.0, 0, NRADPL, 4},  // 600 bits
      {16, 31, 0.0, 0, NRADPL, 4},  // 124 bits
      {0, -1, 0.0, 0, NRADPL, 4},
      {0, 0, 1e4, 0, PLACES, 5},  // L = trunc(6.64) - 1 = 5, and 53 places
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message()
                 << c.IRAD << " " << c.NRADPL << " " << c.DZERO << " " << c.NBITS);
    legendre_tests::reset_run();
    CoutCapture out;
    EXPECT_THROW(XDSET(c.IRAD, c.NRADPL, c.DZERO, c.NBITS), RunAborted);
    EXPECT_EQ(out.text(), fatal_report(c.message, c.NERR));
  }
}

TEST_F(Xdset, ARejectedSetUpIsNotRetried) {
  {
    CoutCapture out;
    EXPECT_THROW(XDSET(10, 0, 0.0, 0), RunAborted);
  }
  CoutCapture out;
  XDSET(0, 0, 0.0, 0);
  EXPECT_EQ(out.text(), "");
  EXPECT_TRUE(extended_range_parameters().initialised);
  EXPECT_EQ(extended_range_parameters().IRAD, 10);
}

TEST_F(Xdset, SixHalfWidthsBeyondTheIndexRangeAreReported) {
  // Out of reach of XDSET's own arguments once NBITS <= 31; the check
  // stays as a guard.
  CoutCapture out;
  EXPECT_THROW(legendre::detail::check_window(53, 511, 3065), RunAborted);
  EXPECT_EQ(out.text(), fatal_report("ERR IN XDSET...6*L .GT. KMAX", 6));
}

TEST_F(Xdset, TheWindowChecksPassAtTheirBounds) {
  CoutCapture out;
  legendre::detail::check_window(510, 511, 3066);
  EXPECT_EQ(out.text(), "");
}

TEST_F(Xdset, APositiveBoundSetsTheWindow) {
  XDSET(0, 20, 1e20, 0);  // L = trunc(0.5 * 20 / log10(2)) - 1 = 32
  const auto& p = extended_range_parameters();
  EXPECT_EQ(p.L, 32);
  EXPECT_EQ(p.radix_to_l, two_to(32));
  EXPECT_EQ(p.radix_to_2l, two_to(64));
  EXPECT_EQ(p.KMAX, (1 << 30) - 64);
  EXPECT_EQ(p.mantissa_bits, 20);
}

TEST_F(Xdset, TheDefaultWindowOfALargerRadixStaysWithinADouble) {
  // Radix 16: the window of a double, 511 binary places each way, is 127
  // places of 16 (not 511 of them, whose power overflows).
  CoutCapture out;
  XDSET(16, 13, 0.0, 0);
  EXPECT_EQ(out.text(), "");
  const auto& p = extended_range_parameters();
  EXPECT_EQ(p.mantissa_bits, 52);
  EXPECT_EQ(p.L, 127);
  EXPECT_EQ(p.radix_to_l, two_to(508));
  EXPECT_EQ(p.radix_to_2l, two_to(1016));
  EXPECT_EQ(p.KMAX, (1 << 30) - 254);

  double x = two_to(600);
  std::int32_t ix = 0;
  XDADJ(x, ix);
  EXPECT_EQ(x, two_to(600 - 1016));
  EXPECT_EQ(ix, 254);  // powers of 16
}

// ---------------------------------------------------------------- XDADJ

using Xdadj = DefaultArithmetic;

TEST_F(Xdadj, ScalesIntoTheWindowOnce) {
  const struct {
    double x;
    std::int32_t ix;
    double adjusted_x;
    std::int32_t adjusted_ix;
  } cases[] = {
      {two_to(600), 0, two_to(-422), 1022},
      {-two_to(600), 5, -two_to(-422), 1027},
      {two_to(-600), 0, two_to(422), -1022},
      {two_to(511), 0, two_to(-511), 1022},  // the upper bound is outside
      {two_to(-511), 0, two_to(-511), 0},    // the lower bound is inside
      {std::nextafter(two_to(511), 0.0), 0, std::nextafter(two_to(511), 0.0), 0},
      {std::nextafter(two_to(-511), 0.0), 0, std::nextafter(two_to(511), 0.0), -1022},
      {0.0, 17, 0.0, 0},
      {1.0, KMAX, 1.0, KMAX},
      {1.0, -KMAX, 1.0, -KMAX},
      {two_to(600), -5, two_to(-422), 1017},
      {two_to(600), KMAX - 1022, two_to(-422), KMAX},
      {two_to(-600), -KMAX + 1022, two_to(422), -KMAX},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.x << " " << c.ix);
    double x = c.x;
    std::int32_t ix = c.ix;
    XDADJ(x, ix);
    EXPECT_EQ(x, c.adjusted_x);
    EXPECT_EQ(ix, c.adjusted_ix);
  }
}

TEST_F(Xdadj, ReportsAnIndexBeyondKmax) {
  const struct {
    double x;
    std::int32_t ix;
  } cases[] = {
      {two_to(600), KMAX - 1000},    // the new index would pass KMAX
      {two_to(-600), -KMAX + 1000},  // or -KMAX
      {1.0, KMAX + 1},               // no scaling, the index out of range
      {-1.0, -KMAX - 1},
      // Scaled toward the window but still out of range: reported rather
      // than passed on.
      {two_to(-600), KMAX + 5000},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.x << " " << c.ix);
    console::reset_console_cursor();
    errors::reset_message_table();
    CoutCapture out;
    double x = c.x;
    std::int32_t ix = c.ix;
    EXPECT_THROW(XDADJ(x, ix), RunAborted);
    EXPECT_EQ(out.text(), fatal_report(OVERFLOW_MESSAGE, 1));
  }
}

// --------------------------------------------------------- extended_add

using ExtendedAdd = DefaultArithmetic;

TEST_F(ExtendedAdd, AddsOnEveryBranch) {
  const struct {
    const char* branch;
    double x;
    std::int32_t ix;
    double y;
    std::int32_t iy;
    double z;
    std::int32_t iz;
  } cases[] = {
      {"x zero", 0.0, 0, 0.25, 9, 0.25, 9},
      {"y zero", -0.25, 9, 0.0, 0, -0.25, 9},
      {"cancellation", 0.75, 3, -0.75, 3, 0.0, 0},
      // Opposite signs with an index beyond 6L = 3066: the operand with
      // the negative index is dropped, whichever side it stands on.
      {"opposite signs", 1.0, 0, 1.0, -4000, 1.0, 0},
      {"opposite signs, swapped", 1.0, -4000, 0.5, 3067, 0.5, 3067},
      // At 6L exactly the general rule decides: k = 5, negligible.
      {"opposite signs within 6L", 1.0, 0, 1.0, -3066, 1.0, 0},
      // Same index: both above 1 scaled down by R^L, both below 1 up,
      // otherwise a plain sum.
      {"same index, both above 1", 1.5, 0, 1.5, 0, 3 * two_to(-511), 511},
      {"same index, both large", two_to(500), 7, two_to(500), 7, two_to(-10), 518},
      {"same index, both below 1", 0.25, 5, 0.5, 5, 0.75 * two_to(511), -506},
      {"same index, mixed", 1.5, 0, 0.25, 0, 1.75, 0},
      // Different indices brought together at one index (k = 0).
      {"t at or above 1, q = 1", 1.0, 0, two_to(500), -520, 1.0 + two_to(-20), 0},
      {"t below 1, q = 0", 1.0, 10, 0.5, 0, 1.0 + two_to(-11), 10},
      {"t at or above R^L, q = 2", two_to(-505), 0, two_to(520), -1030, 66.0, -511},
      {"larger index second", 5.0 * two_to(-1), 0, 1.0, 520, 1.0, 520},
      // The negligibility table, s at index 0, t below it.
      {"|s| >= R^L, k = 1", two_to(520), 0, 0.5, -600, two_to(-502), 1022},
      {"1 <= |s| < R^L, k = 1: s scaled once", 1.0, 0, 0.5, -600, two_to(-511), 511},
      {"1 <= |s| < R^L, k = 2", 1.0, 0, 1.0, -1600, 1.0, 0},
      {"R^-L <= |s| < 1, k = 2: s scaled twice", 0.5, 0, 1.0, -1600, 0.5, 0},
      {"R^-L <= |s| < 1, k = 3", 0.5, 0, 0.5, -1600, 0.5, 0},
      {"|s| < R^-L, k = 3: s scaled three times", two_to(-520), 0, 0.5, -1600, two_to(-9), -511},
      {"k > 3", 0.5, 0, 0.5, -2100, 0.5, 0},
      {"t below R^-L: k = q + 1", 1.0, 0, two_to(-520), -600, 1.0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.branch);
    double z = NaN;
    std::int32_t iz = -1;
    extended_add(c.x, c.ix, c.y, c.iy, z, iz);
    EXPECT_EQ(z, c.z);
    EXPECT_EQ(iz, c.iz);
    // Addition commutes, representation and all.
    extended_add(c.y, c.iy, c.x, c.ix, z, iz);
    EXPECT_EQ(z, c.z);
    EXPECT_EQ(iz, c.iz);
  }
}

TEST_F(ExtendedAdd, TheSumMayOverwriteAnOperand) {
  double x = 0.75;
  std::int32_t ix = 40;
  double y = 0.5;
  std::int32_t iy = 39;
  extended_add(x, ix, y, iy, x, ix);  // 0.75 * 2^40 + 0.5 * 2^39 = 2^40
  EXPECT_EQ(x, two_to(-511));
  EXPECT_EQ(ix, 551);
  extended_add(x, ix, y, iy, y, iy);  // 2^40 + 0.5 * 2^39
  EXPECT_EQ(y, 1.25);
  EXPECT_EQ(iy, 40);
}

TEST_F(ExtendedAdd, ReportsAnIndexThatOverflows) {
  CoutCapture out;
  double z = 0.0;
  std::int32_t iz = 0;
  EXPECT_THROW(extended_add(1.5, KMAX, 1.5, KMAX, z, iz), RunAborted);
  EXPECT_EQ(out.text(), fatal_report(OVERFLOW_MESSAGE, 1));
}

// ------------------------------------------------------ extended_reduce

using ExtendedReduce = DefaultArithmetic;

TEST_F(ExtendedReduce, AcceptsMagnitudesFromTwoToMinus1022ToTwoTo1022) {
  const struct {
    double x;
    std::int32_t ix;
    double value;
  } cases[] = {
      {1.0, 1022, two_to(1022)},
      {-1.0, 1022, -two_to(1022)},
      {1.0, -1022, two_to(-1022)},  // 2.2250738585072014e-308
      {-0.25, 0, -0.25},
      {0.0, 5, 0.0},
      {two_to(-500), 1500, two_to(1000)},
      {two_to(300), -1300, two_to(-1000)},
      {two_to(500), -1522, two_to(-1022)},
      {3.0, 1, 6.0},
      {two_to(-511), 0, two_to(-511)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.x << " " << c.ix);
    double x = c.x;
    std::int32_t ix = c.ix;
    extended_reduce(x, ix);
    EXPECT_EQ(x, c.value);
    EXPECT_EQ(ix, 0);
  }
}

TEST_F(ExtendedReduce, LeavesValuesOutOfRangeUntouched) {
  const struct {
    double x;
    std::int32_t ix;
  } cases[] = {
      {1.5, 1022},   // 1.5 * 2^1022
      {1.0, 1023},   // 2^1023: a double, but beyond the range
      {0.5, -1022},  // 2^-1023, below the normal doubles
      {1.0, -1030},  // subnormal
      {-0.75, -2000}, {two_to(-500), 3000}, {1.0, KMAX}, {1.0, -KMAX},
      {INF, 5},  // no plain value, and no endless scaling
      {NaN, 5},       {-INF, -5},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.x << " " << c.ix);
    double x = c.x;
    std::int32_t ix = c.ix;
    extended_reduce(x, ix);
    if (std::isnan(c.x)) {
      EXPECT_TRUE(std::isnan(x));
    } else {
      EXPECT_EQ(x, c.x);
    }
    EXPECT_EQ(ix, c.ix);
  }
}

}  // namespace
