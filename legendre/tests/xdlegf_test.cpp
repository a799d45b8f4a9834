#include "legendre/xdlegf.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
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
using legendre_tests::near_extended;
using legendre_tests::near_relative;
using legendre_tests::Results;
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
    const int run = MU2 - MU1 + NUDIFF + 1;
    const auto L = static_cast<std::size_t>(run);
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
      // Top degrees from 2^52 up: the recurrences in degree would run for
      // ever (nu + 1 == nu from 2^53) or for an absurd time; without this
      // check these calls never return.
      {"DNU1 of 2^52", 0x1p52, 0, 0, 0, 0.5, 1, 3, fatal_report(ARGUMENT_MESSAGE, 1)},
      {"DNU1 + NUDIFF reaching 2^52", 0x1p52 - 2, 2, 1, 1, 0.5, 3, 3,
       fatal_report(ARGUMENT_MESSAGE, 1)},
      {"DNU1 of 1e300, Q", 1e300, 0, 0, 0, 0.5, 2, 3, fatal_report(ARGUMENT_MESSAGE, 1)},
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
      {"top degree 2^52 and bad THETA", 0x1p52, 0, 0, 0, 0.0, 1, 3,
       fatal_report(ARGUMENT_MESSAGE, 1)},
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

// Reference values below: the tail of legendre/tests/spot_values.py
// (mpmath; at tiny angles with the precision raised until cos(THETA)
// resolves 1 - THETA^2/2), as m * 2^e where they lie outside the double
// range.
struct ExtendedReference {
  std::size_t entry;  // from 1
  double m;
  int e;
};

void expect_entries(const Results& r, std::initializer_list<ExtendedReference> references,
                    double tolerance) {
  for (const auto& ref : references) {
    SCOPED_TRACE(testing::Message() << "entry " << ref.entry);
    const std::size_t i = ref.entry - 1;
    EXPECT_TRUE(near_extended(r.values[i], r.indices[i], ref.m, ref.e, tolerance));
  }
}

// Every entry of the run finite and adjusted, or plain (index 0).
void expect_admissible(const Results& r, std::size_t L) {
  for (std::size_t i = 0; i < L; ++i) {
    SCOPED_TRACE(testing::Message() << "entry " << i + 1);
    ASSERT_TRUE(std::isfinite(r.values[i]));
    const double a = std::fabs(r.values[i]);
    EXPECT_TRUE(r.indices[i] == 0 || (a >= 0x1p-511 && a < 0x1p511));
  }
}

TEST_F(Xdlegf, TinyAnglesInTheRecurrenceInOrder) {
  // 1/sin(THETA) near 2^1018 times the adjusted mantissas (up to 2^511) of
  // the recurrence in order passes the double range. Every recurrence step
  // adds its rounding: after 250 steps some 1e-14.
  const Results p = call(5.0, 0, 0, 254, 1.9305975358082711e-307, 1, 255);
  expect_admissible(p, 255);
  // legenp(5, -mu, cos(1.9305975358082711e-307), type=2), mu = 0, 1, 6, 254
  expect_entries(p,
                 {{1, 1.0, 0},
                  {2, 0.5422846775475989, -1019},
                  {7, 0.57869728336624279, -6128},
                  {255, 0.83922729291534453, -260718}},
                 1e-13);
  const Results q = call(15.733856201171875, 0, 1, 208, 5.0008290522462672e-300, 2, 208);
  expect_admissible(q, 208);
  // legenq(15.733856201171875, mu, cos(5.0008290522462672e-300), type=2),
  // mu = 1, 23, 208
  expect_entries(q,
                 {{1, -0.59718969555035135, 995},
                  {23, -0.88462629962985956, 22960},
                  {208, 0.65488974366824158, 208312}},
                 1e-13);
}

TEST_F(Xdlegf, TheSmallestAnglesKeepTheirDigits) {
  const double THETA = 0x1p-1074;  // the smallest subnormal double
  // Q of orders 0 and 1: ln cot(THETA/2) and 1/sin(THETA) (2^1074) are
  // beyond the double's reach as tan(THETA/2) and 1/sin(THETA).
  // legenq(0.5, mu, cos(2^-1074), type=2), mu = 0, 1
  const Results q = call(0.5, 0, 0, 1, THETA, 2, 2);
  expect_entries(q, {{1, 0.7270698373662706, 10}, {2, -0.5, 1075}}, 1e-15);
  // P^(-1) = tan(THETA/2) = 2^-1075, not 0 (THETA/2 is no double).
  // legenp(0.5, -1, cos(2^-1074), type=2)
  expect_entries(call(0.5, 0, 1, 1, THETA, 1, 1), {{1, 0.5, -1074}}, 1e-15);
  // tan^50(THETA/2) / 50! at THETA = 1e-300, whose powers of tan(THETA/2)
  // passed through the subnormal doubles to 0.
  // legenp(nu, -50, cos(1e-300), type=2), nu = -1, 0
  expect_entries(call(-1.0, 1, 50, 50, 1e-300, 1, 2),
                 {{1, 0.91410932679927583, -50093}, {2, 0.91410932679927583, -50093}}, 1e-14);
}

TEST_F(Xdlegf, PositiveOrderOverDegreesBesideWholeNumbers) {
  // The gamma ratio steps by (nu + mu + 1)/(nu - mu + 1) from degree to
  // degree; beside mu - 1 the divisor is tiny (or 0 once the degree
  // rounds to a whole number) and the ratio is formed afresh. The entries
  // up to mu - 1 lie within rounding of a whole degree below the order,
  // where P^(mu) vanishes: no double degree pins them down, and they are
  // not checked here beyond being admissible.
  {
    SCOPED_TRACE("degrees 1.1e-317 and 1 + 1.1e-317, order 1");
    const Results r = call(1.133269992067401e-317, 1, 1, 1, 0.098174832232969883, 3, 2);
    expect_admissible(r, 2);
    // legenp(1 + 1.133269992067401e-317, 1, cos(0.098174832232969883), type=2)
    EXPECT_TRUE(near_relative(r.value(1), -0.098017201840225454, TOLERANCE));
  }
  {
    SCOPED_TRACE("degrees 2 + 2^-51 .. 8 + 2^-51, order 5");
    // 4 + 2^-51 rounds to 4: the divisor at the degree mu - 1 is 0.
    const Results r = call(2 + 0x1p-51, 6, 5, 5, 0.7, 3, 7);
    expect_admissible(r, 7);
    // (-1)^5 gamma(nu + 6) / gamma(nu - 4) legenp(nu, -5, cos(0.7), type=2)
    const double expected[] = {-104.85642105084767, -882.18475870088933, -3809.0484670402118,
                               -11037.865770214758};
    for (std::size_t k = 0; k < 4; ++k) {
      SCOPED_TRACE(k);
      EXPECT_TRUE(near_relative(r.value(3 + k), expected[k], TOLERANCE));
    }
  }
  {
    SCOPED_TRACE("2860 degrees from 257.00000000000023, order 2859");
    // The degrees 257.00000000000023 + k, formed by 2601 additions, reach
    // 2858 exactly. Their rounding (some 1e-11 after 2600 additions) sets
    // the tolerance.
    const Results r = call(257.00000000000023, 2859, 2859, 2859, 0.33725490188226104, 3, 2860);
    expect_admissible(r, 2860);
    // (-1)^2859 gamma(nu + 2860) / gamma(nu - 2858) legenp(nu, -2859, cos(0.33725490188226104),
    // type=2) at nu = 257.00000000000023 + k, k = 2602, 2603, 2859
    expect_entries(r,
                   {{2603, -0.57528121631294315, 26999},
                    {2604, -0.75798203301171286, 27011},
                    {2860, -0.76362080658687184, 28500}},
                   1e-11);
  }
}

TEST_F(Xdlegf, QOverDegreesFromJustAboveMinusOne) {
  // The first step of the recurrence in degree (to 1 + 2^-53, which rounds
  // to 1) would divide by nu - 1 = 0 for order 1 and lose the term
  // (nu - 1) Q_(-1 + 2^-53) (about 1) for order 0; the series gives that
  // degree instead. Order 3 starts from both.
  const double DNU1 = -1 + 0x1p-53;
  const struct {
    std::int32_t mu;
    std::vector<double> expected;  // legenq(DNU1 + k, mu, cos(0.5), type=2), k = 0..4
  } cases[] = {
      {0,
       {9007199254740993.4, 1.3651517644503202, 0.1980333828154747, -0.42188991707862832,
        -0.74909431231961572}},
      {1,
       {-1.8304877217124519, -2.0858296429334882, -2.4849763416605249, -2.3706564265872521,
        -1.4736523380250052}},
      {3,
       {-60.050032728389591, -60.083329057906413, -63.711008171814496, -72.598306915507343,
        -90.583419595690785}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "order " << c.mu);
    legendre_tests::reset_run();
    const std::vector<double> got = plain(DNU1, 4, c.mu, c.mu, 0.5, 2);
    for (std::size_t k = 0; k < got.size(); ++k) {
      SCOPED_TRACE(k);
      EXPECT_TRUE(near_relative(got[k], c.expected[k], TOLERANCE));
    }
  }
}

TEST_F(Xdlegf, NormalisedFunctionWithALargeFactorAndALargeValue) {
  // At the degree 846 the factor sqrt(nu + 1/2) sqrt(gamma ratio) and the
  // value P^(-819) have adjusted mantissas whose product, times
  // sqrt(846.5), passes 2^1024 before the rescaling. 819 steps of the
  // factor and 860 of the recurrence in degree: some 4e-14.
  const Results r = call(40.0, 819, 819, 819, 0.39999999990686774, 4, 820);
  expect_admissible(r, 820);
  // sqrt(nu + 1/2) sqrt(gamma(nu + 820) / gamma(nu - 818)) legenp(nu, -819,
  // cos(0.39999999990686774), type=2) at nu = 40 + k, k = 779, 806, 819;
  // 0 below the degree 819
  EXPECT_EQ(r.values[778], 0.0);
  expect_entries(r,
                 {{780, 0.79528472559420684, -1112},
                  {807, 0.56678163983074955, -1017},
                  {820, 0.56195767982518691, -982}},
                 1e-13);
}

}  // namespace
