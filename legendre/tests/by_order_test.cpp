#include "legendre/by_order.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "legendre/extended_range.hpp"
#include "legendre/tests/results.hpp"
#include "legendre/tests/test_run.hpp"

namespace {

using legendre::legendre_normalise;
using legendre::legendre_p_by_order;
using legendre::legendre_positive_order;
using legendre_tests::near_relative;
using legendre_tests::Results;

class ByOrder : public legendre_tests::DefaultArithmetic {
 protected:
  static Results p_by_order(double nu, std::int32_t MU1, std::int32_t MU2, double THETA,
                            std::size_t size) {
    Results r(size);
    legendre_p_by_order(nu, nu, MU1, MU2, THETA, std::cos(THETA), 1 / std::sin(THETA), 1, r.values,
                        r.indices);
    return r;
  }

  // A run of entries 1.0 at index 0 (mantissa, index): the conversions then
  // leave their factors in the entries.
  static Results ones(std::size_t size) {
    Results r(size);
    for (std::size_t i = 0; i < size; ++i) {
      r.values[i] = 1.0;
      r.indices[i] = 0;
    }
    return r;
  }
};

// legenp(2.5, -mu, cos(0.9), type=2) for mu = 0..6 (spot_values.py).
const double P_25_09[] = {
    -0.15876569390184654,  0.16450790719312845,    0.062200973491308956, 0.011974803072953668,
    0.0015954649689047449, 0.00016410121009965617, 1.379943211933134e-5,
};

// The series gives the two highest orders; each step down in order adds
// its rounding, some 1e-15 over these few steps.
constexpr double TOLERANCE = 1e-14;

using LegendrePByOrder = ByOrder;

TEST_F(LegendrePByOrder, RunsDownFromTheTwoHighestOrders) {
  const Results r = p_by_order(2.5, 0, 6, 0.9, 8);
  for (std::size_t e = 0; e < 7; ++e) {
    SCOPED_TRACE(e);
    EXPECT_TRUE(near_relative(r.value(e), P_25_09[e], TOLERANCE));
  }
  EXPECT_TRUE(r.untouched_from(7));
}

TEST_F(LegendrePByOrder, EntryOneIsTheLowestOrder) {
  const Results r = p_by_order(2.5, 4, 6, 0.9, 3);
  for (std::size_t e = 0; e < 3; ++e) {
    SCOPED_TRACE(e);
    EXPECT_TRUE(near_relative(r.value(e), P_25_09[e + 4], TOLERANCE));
  }
}

TEST_F(LegendrePByOrder, TwoOrdersNeedNoRecurrence) {
  const Results r = p_by_order(0.3, 1, 2, 1.2, 2);
  EXPECT_TRUE(
      near_relative(r.value(0), 0.63729541911794428, 4e-15));  // legenp(0.3, -1, cos(1.2), type=2)
  EXPECT_TRUE(
      near_relative(r.value(1), 0.22361160252162956, 4e-15));  // legenp(0.3, -2, cos(1.2), type=2)
}

// ------------------------------------------------ legendre_positive_order
//
// With entries of 1.0 the results are the factors (-1)^mu Gamma(nu+mu+1) /
// Gamma(nu-mu+1), products of small integers or halves: exact.

using LegendrePositiveOrder = ByOrder;

TEST_F(LegendrePositiveOrder, OrderZeroIsLeftAsItIs) {
  Results r(1);
  r.values[0] = 0.3;
  r.indices[0] = 5;
  legendre_positive_order(2.5, 2.5, 0, 0, r.values, r.indices);
  EXPECT_EQ(r.values[0], 0.3);
  EXPECT_EQ(r.indices[0], 5);
}

TEST_F(LegendrePositiveOrder, OrderOneAtTwoAndAHalf) {
  // -(nu (nu + 1)) = -(2.5 * 3.5); the index is carried along.
  Results r(1);
  r.values[0] = 0.5;
  r.indices[0] = -3000;
  legendre_positive_order(2.5, 2.5, 1, 1, r.values, r.indices);
  EXPECT_EQ(r.values[0], -4.375);
  EXPECT_EQ(r.indices[0], -3000);
}

TEST_F(LegendrePositiveOrder, Factors) {
  const struct {
    const char* run;
    double DNU1, top_degree;
    std::int32_t MU1, MU2;
    std::vector<double> factors;
  } cases[] = {
      {"orders 0..2 at 2.5", 2.5, 2.5, 0, 2, {1.0, -8.75, 59.0625}},
      // At a whole degree the orders above it vanish: the factor (nu - mu)
      // is 0 on the step from order 2 to 3.
      {"orders 0..4 at 2", 2.0, 2.0, 0, 4, {1.0, -6.0, 24.0, 0.0, 0.0}},
      // Leading zeros for the degrees below the order, then -6!/0!, -7!/1!,
      // -8!/2!.
      {"order 3 at degrees 1..5", 1.0, 5.0, 3, 3, {0.0, 0.0, -720.0, -5040.0, -20160.0}},
      {"order 1 at degrees 0.5..2.5", 0.5, 2.5, 1, 1, {-0.75, -3.75, -8.75}},
      // The degree -1 is the degree 0: P^(0)_(-1) = 1, and the orders from
      // 1 up vanish there.
      {"orders 0..2 at -1", -1.0, -1.0, 0, 2, {1.0, 0.0, 0.0}},
      {"order 0 at degrees -1..1", -1.0, 1.0, 0, 0, {1.0, 1.0, 1.0}},
      {"order 1 at degrees -1..1", -1.0, 1.0, 1, 1, {0.0, 0.0, -2.0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.run);
    Results r = ones(c.factors.size() + 1);
    r.values.back() = legendre_tests::SENTINEL_VALUE;
    r.indices.back() = legendre_tests::SENTINEL_INDEX;
    legendre_positive_order(c.DNU1, c.top_degree, c.MU1, c.MU2, r.values, r.indices);
    for (std::size_t e = 0; e < c.factors.size(); ++e) {
      SCOPED_TRACE(e);
      EXPECT_EQ(r.value(e), c.factors[e]);
      if (c.factors[e] == 0.0) {
        EXPECT_EQ(r.indices[e], 0);
      }
    }
    EXPECT_TRUE(r.untouched_from(c.factors.size()));
  }
}

// ---------------------------------------------------- legendre_normalise

using LegendreNormalise = ByOrder;

TEST_F(LegendreNormalise, Factors) {
  const struct {
    const char* run;
    double DNU1, top_degree;
    std::int32_t MU1, MU2;
    std::vector<double> factors;  // sqrt(nu + 1/2) sqrt(Gamma(nu+mu+1)/Gamma(nu-mu+1))
  } cases[] = {
      {"order 0 at 3", 3.0, 3.0, 0, 0, {std::sqrt(3.5)}},
      {"orders 0..3 at 2",
       2.0,
       2.0,
       0,
       3,
       {std::sqrt(2.5), std::sqrt(2.5 * 6), std::sqrt(2.5 * 24), 0.0}},
      {"order 2 at degrees 0..3",
       0.0,
       3.0,
       2,
       2,
       {0.0, 0.0, std::sqrt(2.5 * 24), std::sqrt(3.5 * 120)}},
      // The degree -1 has no normalised value: 0, and no root of a
      // negative number.
      {"order 0 at degrees -1..1", -1.0, 1.0, 0, 0, {0.0, std::sqrt(0.5), std::sqrt(1.5)}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.run);
    Results r = ones(c.factors.size());
    legendre_normalise(c.DNU1, c.top_degree, c.MU1, c.MU2, r.values, r.indices);
    for (std::size_t e = 0; e < c.factors.size(); ++e) {
      SCOPED_TRACE(e);
      // Products of a few roots, each rounded: a few ulps.
      EXPECT_NEAR(r.value(e), c.factors[e], 1e-15 * c.factors[e]);
      if (c.factors[e] == 0.0) {
        EXPECT_EQ(r.indices[e], 0);
      }
    }
  }
}

}  // namespace
