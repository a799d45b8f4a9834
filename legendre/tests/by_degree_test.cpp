#include "legendre/by_degree.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "legendre/extended_range.hpp"
#include "legendre/tests/results.hpp"
#include "legendre/tests/test_run.hpp"

namespace {

using legendre::digamma;
using legendre::legendre_by_degree;
using legendre_tests::near_relative;
using legendre_tests::Results;

// Reference values: legendre/tests/spot_values.py (mpmath, 40 digits),
// quoted to 17 significant digits. The series and a few recurrence steps
// in double precision stay within some 1e-15 relative of them; 1e-14
// leaves room for the recurrence without hiding a wrong term.
constexpr double TOLERANCE = 1e-14;

class LegendreByDegree : public legendre_tests::DefaultArithmetic {
 protected:
  // Runs legendre_by_degree into arrays of `size` entries filled with
  // sentinels.
  static Results run(double DNU1, double top_degree, std::int32_t& order, double THETA,
                     std::int32_t ID, std::size_t size) {
    Results r(size);
    legendre_by_degree(DNU1, top_degree, order, THETA, ID, r.values, r.indices);
    return r;
  }
  static Results run(double DNU1, double top_degree, std::int32_t order, double THETA,
                     std::int32_t ID) {
    const auto size = static_cast<std::size_t>(top_degree - DNU1 + 1.5);
    return run(DNU1, top_degree, order, THETA, ID, size);
  }
};

TEST_F(LegendreByDegree, ARunOfDegreesClimbsFromTheSeriesToTheTopDegree) {
  // nu0 = -0.8: the series at -0.8 and 0.2, the recurrence through 1.2 and
  // 2.2; entry 1 is the degree 3.2.
  std::int32_t order = 1;
  const Results r = run(3.2, 6.2, order, 0.7, 1, 6);
  const double expected[] = {
      0.13659493915317923,    // legenp(3.2, -1, cos(0.7), type=2)
      0.051909498539940691,   // legenp(4.2, -1, cos(0.7), type=2)
      -0.010306388046993401,  // legenp(5.2, -1, cos(0.7), type=2)
      -0.042761578078335209,  // legenp(6.2, -1, cos(0.7), type=2)
  };
  for (std::size_t k = 0; k < 4; ++k) {
    SCOPED_TRACE(k);
    EXPECT_TRUE(near_relative(r.value(k), expected[k], TOLERANCE));
  }
  // Nothing beyond the top degree is written; the order is left alone.
  EXPECT_TRUE(r.untouched_from(4));
  EXPECT_EQ(order, 1);
}

TEST_F(LegendreByDegree, StoresTheSeriesValuesOnlyWhenTheyAreRequested) {
  // legenp(nu, 0, cos(0.7), type=2)
  const double P_minus_07 = 1.0264386343861156;  // nu = -0.7, and -0.3
  const double P_03 = 0.95180007060282404;       // nu = 0.3, and -1.3
  const double P_07 = 0.85652207039388457;       // nu = 0.7
  const struct {
    double DNU1, top_degree, first, second;
  } cases[] = {
      // nu0 = -0.7: the first series value is entry 1, the second entry 2,
      // and no recurrence step is made.
      {-0.7, 0.3, P_minus_07, P_03},
      // nu0 = -1.3: the first series value (P_-1.3 = P_0.3) is not stored;
      // entry 1 is the second, at -0.3.
      {-0.3, 0.7, P_minus_07, P_07},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.DNU1);
    const Results r = run(c.DNU1, c.top_degree, 0, 0.7, 1);
    EXPECT_TRUE(near_relative(r.value(0), c.first, TOLERANCE));
    EXPECT_TRUE(near_relative(r.value(1), c.second, TOLERANCE));
  }
}

TEST_F(LegendreByDegree, WholeDegreesStartFromTheTangentFactor) {
  // At the degrees -1 and 0 both series end after their leading 1, so
  // P^(-mu) = tan^mu(theta/2) / mu! there (P^(-mu)_(-1) = P^(-mu)_0).
  const double THETA = 0.9;
  const double half_tan_squared = std::pow(std::tan(THETA / 2), 2.0) / 2;
  const Results r = run(-1.0, 0.0, 2, THETA, 1);
  EXPECT_NEAR(r.value(0), half_tan_squared, 4e-16 * half_tan_squared);
  EXPECT_NEAR(r.value(1), half_tan_squared, 4e-16 * half_tan_squared);

  // Order 0: exactly 1 at the degrees -1 (fmod gives -0.0 there) and 0.
  const Results ones = run(-1.0, 0.0, 0, THETA, 1);
  EXPECT_EQ(ones.values[0], 1.0);
  EXPECT_EQ(ones.values[1], 1.0);
  EXPECT_EQ(ones.indices[0], 0);
}

TEST_F(LegendreByDegree, OrderZeroApproachesOneAtSmallAngles) {
  const Results r = run(10.5, 10.5, 0, 1e-4, 1);
  EXPECT_TRUE(near_relative(r.value(0), 0.99999969812502266,
                            TOLERANCE));  // legenp(10.5, 0, cos(1e-4), type=2)
}

TEST_F(LegendreByDegree, AOneDegreeRequestWritesOneEntry) {
  std::int32_t order = 1;
  const Results r = run(3.2, 3.2, order, 0.7, 1, 4);
  EXPECT_TRUE(near_relative(r.value(0), 0.13659493915317923,
                            TOLERANCE));  // legenp(3.2, -1, cos(0.7), type=2)
  EXPECT_TRUE(r.untouched_from(1));
}

TEST_F(LegendreByDegree, ShortArraysEndTheRun) {
  Results r(4);
  std::int32_t order = 1;
  legendre_by_degree(3.2, 6.2, order, 0.7, 1, std::span(r.values).first(2),
                     std::span(r.indices).first(2));
  EXPECT_TRUE(near_relative(r.value(1), 0.051909498539940691,
                            TOLERANCE));  // legenp(4.2, -1, cos(0.7), type=2)
  EXPECT_TRUE(r.untouched_from(2));
}

TEST_F(LegendreByDegree, ValuesBeyondTheDoubleRangeKeepTheirIndex) {
  // tan^200(0.0005) / 200! alone is about 2^-3438.
  const Results r = run(0.5, 0.5, 200, 1e-3, 1);
  ASSERT_NE(r.indices[0], 0);
  // legenp(0.5, -200, cos(1e-3), type=2) = 0.68904019603607943 * 2^-3438
  const double mantissa = std::ldexp(r.values[0], r.indices[0] + 3438);
  EXPECT_NEAR(mantissa, 0.68904019603607943, 1e-13);
}

TEST_F(LegendreByDegree, QOfOrderZeroAndOne) {
  {
    // nu0 = 0.3 for Q (not shifted below -0.5): two series values, no
    // recurrence step. The sums come back scaled (index -511): compare
    // values.
    std::int32_t order = 0;
    const Results r = run(0.3, 1.3, order, 0.7, 2, 2);
    // legenq(0.3, 0, cos(0.7), type=2), legenq(1.3, 0, cos(0.7), type=2)
    EXPECT_TRUE(near_relative(r.value(0), 0.52141288085999855, TOLERANCE));
    EXPECT_TRUE(near_relative(r.value(1), -0.44711804990634442, TOLERANCE));
    EXPECT_EQ(order, 0);
  }
  {
    // nu0 = -0.3: the series at -0.3 and 0.7, one recurrence step in
    // degree with the order negated. The last value is small against its
    // neighbours, so the tolerance is absolute, for values of order 1.
    std::int32_t order = 1;
    const Results r = run(0.7, 2.7, order, 0.7, 2, 3);
    EXPECT_NEAR(r.value(0), -1.8334100023595431, TOLERANCE);   // legenq(0.7, 1, cos(0.7), type=2)
    EXPECT_NEAR(r.value(1), -1.4513588364213312, TOLERANCE);   // legenq(1.7, 1, cos(0.7), type=2)
    EXPECT_NEAR(r.value(2), 0.038788795085210557, TOLERANCE);  // legenq(2.7, 1, cos(0.7), type=2)
    // The caller's order variable comes back negated.
    EXPECT_EQ(order, -1);
  }
}

TEST_F(LegendreByDegree, QOfOrderZeroNearItsPole) {
  // Q_nu grows like 1/(nu + 1) towards the degree -1; the series keeps
  // every digit of nu + 1 through the psi function.
  std::int32_t order = 0;
  const Results r = run(-0.9999999999, -0.9999999999 + 1, order, 0.5, 2, 2);
  // legenq(nu, 0, cos(0.5), type=2) at nu = -0.9999999999 and nu + 1
  EXPECT_TRUE(near_relative(r.value(0), 9999999174.0246723, TOLERANCE));
  EXPECT_TRUE(near_relative(r.value(1), 1.3651517642707877, TOLERANCE));
}

// ---------------------------------------------------------------- digamma

// The rounding of psi itself, a few units of its last place (of 1 for a
// psi near 0).
double digamma_tolerance(double psi) {
  return 8 * std::numeric_limits<double>::epsilon() * std::max(1.0, std::fabs(psi));
}

TEST(Digamma, SpotValues) {
  const struct {
    double a, psi;
  } cases[] = {
      {1.0, -0.57721566490153286},   // digamma(1): minus Euler's constant
      {0.5, -1.9635100260214235},    // digamma(0.5)
      {40.5, 3.6889054929332336},    // digamma(40.5): no shift
      {0.001, -1000.5755719318103},  // digamma(0.001)
      // Near the pole the shift's last term is 1/a itself, with every
      // digit of a kept.
      {1e-10, -10000000000.577215},  // digamma(1e-10)
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.a);
    EXPECT_NEAR(digamma(c.a, 6, 30), c.psi, digamma_tolerance(c.psi));
  }
  // With the defaults (K = 6, KK = 30) to about 15 significant digits;
  // likewise with all twelve asymptotic terms.
  EXPECT_NEAR(digamma(1.0, 6, 30), -0.57721566490153286, 1e-15);
  EXPECT_NEAR(digamma(1.0, 13, 65), -0.57721566490153286, 1e-15);
}

TEST(Digamma, StepsByTheReciprocal) {
  // psi(a + 1) - psi(a) = 1/a, up to the rounding of both values.
  for (const double a : {1e-10, 0.001, 0.3, 1.0, 1.7, 12.5, 29.5, 30.2, 31.7, 250.0}) {
    SCOPED_TRACE(a);
    const double low = digamma(a, 6, 30);
    const double high = digamma(a + 1, 6, 30);
    EXPECT_NEAR(high - low, 1 / a, digamma_tolerance(low) + digamma_tolerance(high));
  }
}

}  // namespace
