#include "legendre/xdlegf.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "errors/xerror.hpp"
#include "legendre/extended_range.hpp"
#include "legendre/tests/results.hpp"
#include "legendre/tests/test_run.hpp"
#include "testsupport/testsupport.hpp"

namespace {

using errors::RunAborted;
using legendre::XDLEGF;
using legendre_tests::fatal_report;
using legendre_tests::near_relative;
using legendre_tests::Results;
using legendre_tests::SENTINEL_INDEX;
using legendre_tests::SENTINEL_VALUE;
using testsupport::CoutCapture;

const std::string ARGUMENT_MESSAGE = "XDLEGF: DNU1,NUDIFF,MU1,MU2, OR ID NOT VALID";
const std::string ANGLE_MESSAGE = "XDLEGF: THETA OUT OF RANGE";
const double PI_2 = 2 * std::atan(1.0);
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr double INF = std::numeric_limits<double>::infinity();

// Reference values: legendre/tests/spot_values.py (mpmath, 40 digits). The
// routines stay within some 1e-14 relative of them over these short runs.
constexpr double TOLERANCE = 1e-14;

class Xdlegf : public testing::Test {
 protected:
  void SetUp() override { legendre_tests::reset_run(); }

  // One call into arrays of `size` entries filled with sentinels.
  static Results call(double DNU1, std::int32_t NUDIFF, std::int32_t MU1, std::int32_t MU2,
                      double THETA, std::int32_t ID, std::size_t size) {
    Results r(size);
    XDLEGF(DNU1, NUDIFF, MU1, MU2, THETA, ID, r.values, r.indices);
    return r;
  }

  // A call whose results all lie in the double range: entries 1..L come
  // back as plain doubles, and nothing after them is written.
  static std::vector<double> plain(double DNU1, std::int32_t NUDIFF, std::int32_t MU1,
                                   std::int32_t MU2, double THETA, std::int32_t ID) {
    const auto L = static_cast<std::size_t>(MU2 - MU1 + NUDIFF + 1);
    CoutCapture out;
    const Results r = call(DNU1, NUDIFF, MU1, MU2, THETA, ID, L + 1);
    EXPECT_EQ(out.text(), "");
    EXPECT_TRUE(r.untouched_from(L));
    for (std::size_t i = 0; i < L; ++i) EXPECT_EQ(r.indices[i], 0) << "entry " << i + 1;
    return {r.values.begin(), r.values.begin() + std::ptrdiff_t(L)};
  }
};

TEST_F(Xdlegf, ValidatesItsArgumentsInOrder) {
  const struct {
    const char* what;
    double DNU1;
    std::int32_t NUDIFF, MU1, MU2;
    double THETA;
    std::int32_t ID;
    std::size_t size;
    std::string console;
  } cases[] = {
      {"NUDIFF negative", 2.5, -1, 1, 1, 0.5, 1, 3, fatal_report(ARGUMENT_MESSAGE, 1)},
      {"DNU1 below -1", -1.0000001, 0, 0, 0, 0.5, 1, 3, fatal_report(ARGUMENT_MESSAGE, 1)},
      {"DNU1 not a number", NaN, 0, 0, 0, 0.5, 1, 3, fatal_report(ARGUMENT_MESSAGE, 1)},
      {"DNU1 infinite", INF, 0, 0, 0, 0.5, 1, 3, fatal_report(ARGUMENT_MESSAGE, 1)},
      {"MU2 below MU1", 2.5, 0, 2, 1, 0.5, 1, 3, fatal_report(ARGUMENT_MESSAGE, 1)},
      {"MU1 negative", 2.5, 0, -1, 0, 0.5, 1, 3, fatal_report(ARGUMENT_MESSAGE, 1)},
      {"THETA zero", 2.5, 0, 1, 1, 0.0, 1, 3, "THETA: 0\n" + fatal_report(ANGLE_MESSAGE, 2)},
      {"THETA above pi/2", 2.5, 0, 1, 1, std::nextafter(PI_2, 4.0), 1, 3,
       "THETA: 1.5707963267948968\n" + fatal_report(ANGLE_MESSAGE, 2)},
      {"THETA negative", 2.5, 0, 1, 1, -0.5, 1, 3,
       "THETA: -0.5\n" + fatal_report(ANGLE_MESSAGE, 2)},
      {"THETA not a number", 2.5, 0, 1, 1, NaN, 1, 3,
       "THETA: nan\n" + fatal_report(ANGLE_MESSAGE, 2)},
      {"ID 0", 2.5, 0, 1, 1, 0.5, 0, 3, fatal_report(ARGUMENT_MESSAGE, 1)},
      {"ID 5", 2.5, 0, 1, 1, 0.5, 5, 3, fatal_report(ARGUMENT_MESSAGE, 1)},
      {"a run of orders and of degrees", 2.5, 1, 0, 1, 0.5, 1, 4,
       fatal_report(ARGUMENT_MESSAGE, 1)},
      {"Q at its pole", -1.0, 0, 0, 0, 0.5, 2, 3, fatal_report(ARGUMENT_MESSAGE, 1)},
      {"Q from its pole", -1.0, 3, 1, 1, 0.5, 2, 5, fatal_report(ARGUMENT_MESSAGE, 1)},
      {"arrays shorter than the run", 2.5, 3, 1, 1, 0.5, 1, 3, fatal_report(ARGUMENT_MESSAGE, 1)},
      {"normalised P of a degree not whole", 2.5, 0, 1, 1, 0.5, 4, 3,
       fatal_report(ARGUMENT_MESSAGE, 1)},
      // Two bad arguments: the first test in the order wins.
      {"bad NUDIFF and THETA", 2.5, -1, 1, 1, 0.0, 1, 3, fatal_report(ARGUMENT_MESSAGE, 1)},
      {"bad MU1 and THETA", 2.5, 0, -1, 0, 0.0, 1, 3, fatal_report(ARGUMENT_MESSAGE, 1)},
      {"bad THETA and ID", 2.5, 0, 1, 1, 0.0, 5, 3, "THETA: 0\n" + fatal_report(ANGLE_MESSAGE, 2)},
      {"bad THETA and both runs", 2.5, 1, 0, 1, 2.0, 1, 4,
       "THETA: 2\n" + fatal_report(ANGLE_MESSAGE, 2)},
      {"bad THETA, P normalised at 2.5", 2.5, 0, 1, 1, 0.0, 4, 3,
       "THETA: 0\n" + fatal_report(ANGLE_MESSAGE, 2)},
      {"bad ID and Q at its pole", -1.0, 0, 0, 0, 0.5, 7, 3, fatal_report(ARGUMENT_MESSAGE, 1)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    legendre_tests::reset_run();
    Results r(c.size);
    {
      CoutCapture out;
      EXPECT_THROW(XDLEGF(c.DNU1, c.NUDIFF, c.MU1, c.MU2, c.THETA, c.ID, r.values, r.indices),
                   RunAborted);
      EXPECT_EQ(out.text(), c.console);
    }
    // The first L entries (as far as the arrays reach) are zeroed before
    // any test; nothing else is written.
    const std::int64_t L = std::int64_t{c.MU2} - c.MU1 + c.NUDIFF + 1;
    const auto zeroed =
        static_cast<std::size_t>(std::clamp<std::int64_t>(L, 0, std::int64_t(c.size)));
    for (std::size_t i = 0; i < zeroed; ++i) {
      EXPECT_EQ(r.values[i], 0.0) << "entry " << i + 1;
      EXPECT_EQ(r.indices[i], 0) << "entry " << i + 1;
    }
    EXPECT_TRUE(r.untouched_from(zeroed));
  }
}

TEST_F(Xdlegf, SetsUpTheArithmeticWithItsDefaults) {
  plain(2.5, 0, 1, 1, 0.5, 1);
  const auto& p = legendre::extended_range_parameters();
  EXPECT_TRUE(p.initialised);
  EXPECT_EQ(p.L, 511);
  EXPECT_EQ(p.mantissa_bits, 53);
}

TEST_F(Xdlegf, AcceptsTheEndsOfItsRanges) {
  // THETA = pi/2 as 2 atan(1); legenp(2.5, -1, cos(1.5707963267948966), type=2)
  EXPECT_TRUE(near_relative(plain(2.5, 0, 1, 1, PI_2, 1)[0], -0.11241339038248534, TOLERANCE));
  // The degree -1: P_(-1) = P_0 = 1.
  EXPECT_EQ(plain(-1.0, 0, 0, 0, 0.5, 1)[0], 1.0);
}

TEST_F(Xdlegf, QuotedReferenceValues) {
  // Ten significant digits, to one unit in the last.
  const double P_minus = plain(2.5, 0, 1, 1, 0.5, 1)[0];
  EXPECT_NEAR(P_minus, 0.1916061278, 1e-10);
  const double P_plus = plain(2.5, 0, 1, 1, 0.5, 3)[0];
  EXPECT_NEAR(P_plus, -1.676553618, 1e-9);
  EXPECT_TRUE(near_relative(P_plus, -(2.5 * 3.5) * P_minus, 1e-15));
  EXPECT_NEAR(plain(0.3, 0, 2, 2, 1.2, 1)[0], 0.2236116025, 1e-10);
  const double Q = plain(1.0, 0, 0, 0, 0.5, 2)[0];
  EXPECT_NEAR(Q, 0.1980333828, 1e-10);
  const double x = std::cos(0.5);
  EXPECT_NEAR(Q, x / 2 * std::log((1 + x) / (1 - x)) - 1, 1e-15);
}

TEST_F(Xdlegf, RunsOfDegreesAndOfOrders) {
  const struct {
    const char* what;
    double DNU1;
    std::int32_t NUDIFF, MU1, MU2;
    double THETA;
    std::int32_t ID;
    std::vector<double> expected;
  } cases[] = {
      {"P^2 at degrees 1.25..4.25",  // legenp(1.25 + k, 2, cos(0.8), type=2)
       1.25,
       3,
       2,
       2,
       0.8,
       3,
       {0.17566644101064115, 2.3161457055239325, 6.5029008131660701, 9.6977087762839532}},
      {"P^(-mu) at 3.75, orders 0..3",  // legenp(3.75, -mu, cos(0.8), type=2)
       3.75,
       0,
       0,
       3,
       0.8,
       1,
       {-0.38618966214342188, 0.047431098602190029, 0.030249562884939156, 0.0059330514240338913}},
      {"normalised P^2 at degrees 2..5",  // sqrt(nu+1/2) sqrt(gamma(nu+3)/gamma(nu-1))
                                          // legenp(nu, -2, cos(0.6), type=2)
       2.0,
       3,
       2,
       2,
       0.6,
       4,
       {0.30869722471876799, 0.67408138060096358, 1.007403165757267, 1.1665043887473201}},
      {"normalised P at 3, orders 2..4",  // as above, 0 above the degree
       3.0,
       0,
       2,
       4,
       0.6,
       4,
       {0.67408138060096358, 0.1882693673838036, 0.0}},
      {"Q at 2.25, orders 0..3",  // legenq(2.25, mu, cos(1.0), type=2)
       2.25,
       0,
       0,
       3,
       1.0,
       2,
       {-0.7611840310508012, 1.0570871521010705, 4.2086625175326876, -16.425179997406254}},
      {"Q^3 at degrees 2.25..4.25",  // legenq(2.25 + k, 3, cos(1.0), type=2)
       2.25,
       2,
       3,
       3,
       1.0,
       2,
       {-16.425179997406254, -27.467266441997481, -6.9178643800036028}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    legendre_tests::reset_run();
    const std::vector<double> got = plain(c.DNU1, c.NUDIFF, c.MU1, c.MU2, c.THETA, c.ID);
    ASSERT_EQ(got.size(), c.expected.size());
    for (std::size_t i = 0; i < got.size(); ++i) {
      SCOPED_TRACE(i);
      if (c.expected[i] == 0.0) {
        EXPECT_EQ(got[i], 0.0);
      } else {
        EXPECT_TRUE(near_relative(got[i], c.expected[i], TOLERANCE));
      }
    }
  }
}

TEST_F(Xdlegf, OrdersAboveAWholeDegreeGiveZerosAtOnce) {
  const struct {
    const char* what;
    double DNU1;
    std::int32_t NUDIFF, MU1, MU2, ID;
  } cases[] = {
      {"P^3 at 2", 2.0, 0, 3, 3, 3},
      {"P at 2, orders 3..5", 2.0, 0, 3, 5, 3},
      {"P^3 at degrees 0..2", 0.0, 2, 3, 3, 3},
      {"normalised P^3 at 2", 2.0, 0, 3, 3, 4},
      {"P^1 at -1", -1.0, 0, 1, 1, 3},
      {"normalised P at -1", -1.0, 0, 0, 0, 4},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    legendre_tests::reset_run();
    const std::vector<double> got = plain(c.DNU1, c.NUDIFF, c.MU1, c.MU2, 0.5, c.ID);
    for (const double value : got) EXPECT_EQ(value, 0.0);
  }
}

TEST_F(Xdlegf, WholeDegreesOfP) {
  // A degree that is not whole goes the ordinary way:
  // legenp(2.5, 3, cos(0.5), type=2)
  EXPECT_TRUE(near_relative(plain(2.5, 0, 3, 3, 0.5, 3)[0], -0.39279845206462454, TOLERANCE));
  // P^(0)_(-1) = P_0 = 1, for either sign of the order.
  EXPECT_EQ(plain(-1.0, 0, 0, 0, 0.5, 3)[0], 1.0);
  // Orders 1..4 at the degree 2: P^1_2 = -3 x sqrt(1 - x^2), P^2_2 = 3 (1 - x^2),
  // and 0 above.
  const double THETA = 0.7;
  const std::vector<double> got = plain(2.0, 0, 1, 4, THETA, 3);
  EXPECT_TRUE(near_relative(got[0], -3 * std::cos(THETA) * std::sin(THETA), TOLERANCE));
  EXPECT_TRUE(near_relative(got[1], 3 * std::pow(std::sin(THETA), 2), TOLERANCE));
  EXPECT_EQ(got[2], 0.0);
  EXPECT_EQ(got[3], 0.0);
}

TEST_F(Xdlegf, ValuesBeyondTheDoubleRangeStayExtended) {
  CoutCapture out;
  const Results r = call(0.5, 0, 200, 200, 1e-3, 1, 1);
  EXPECT_EQ(out.text(), "");
  ASSERT_NE(r.indices[0], 0);
  // legenp(0.5, -200, cos(1e-3), type=2) = 0.68904019603607943 * 2^-3438
  EXPECT_NEAR(std::ldexp(r.values[0], r.indices[0] + 3438), 0.68904019603607943, 1e-13);
}

TEST_F(Xdlegf, AResultInRangeComesBackPlainHoweverFarItsIntermediatesWent) {
  // P^(-100)_500.3(cos 1e-6) is about 2^-2618; times the gamma ratio it
  // is 1.9e-249. A run of 100 orders and 500 degrees: 1e-12 relative.
  // (-1)**100 * gamma(601.3) / gamma(401.3) * legenp(500.3, -100, cos(1e-6), type=2)
  const std::vector<double> got = plain(500.3, 0, 100, 100, 1e-6, 3);
  EXPECT_TRUE(near_relative(got[0], 1.8863681297343679e-249, 1e-12));
}

}  // namespace
