#include "legendre/q_functions.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

#include "legendre/extended_range.hpp"
#include "legendre/tests/results.hpp"
#include "legendre/tests/test_run.hpp"

namespace {

using legendre::legendre_q_by_degree;
using legendre::legendre_q_by_order;
using legendre_tests::near_relative;
using legendre_tests::Results;

// Reference values: legenq(nu, mu, cos(theta), type=2) from
// legendre/tests/spot_values.py. The series, a few steps in order and a
// few in degree stay within some 1e-15 relative.
constexpr double TOLERANCE = 1e-14;

using QFunctions = legendre_tests::DefaultArithmetic;

// legenq(1.5, mu, cos(0.9), type=2) for mu = 0..4
const double Q_15_09[] = {-0.81039690390417434, -0.85011240564291512, 4.3882037402265113,
                          -12.441359750215687, 69.110590278526821};

using LegendreQByOrder = QFunctions;

TEST_F(LegendreQByOrder, RunsOfOrders) {
  const struct {
    std::int32_t MU1, MU2;
  } cases[] = {
      {0, 1},  // straight from the series, no recurrence step
      {0, 4},
      {1, 3},
      {3, 4},  // three steps (orders 2, 3, 4), orders 3 and 4 stored
  };
  const double THETA = 0.9;
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.MU1 << ".." << c.MU2);
    const int count = c.MU2 - c.MU1 + 1;
    const auto n = static_cast<std::size_t>(count);
    Results r(n + 1);
    legendre_q_by_order(1.5, 1.5, c.MU1, c.MU2, THETA, std::cos(THETA), 1 / std::sin(THETA), 2,
                        r.values, r.indices);
    for (std::size_t i = 0; i < n; ++i) {
      SCOPED_TRACE(i);
      EXPECT_TRUE(near_relative(r.value(i), Q_15_09[std::size_t(c.MU1) + i], TOLERANCE));
    }
    EXPECT_TRUE(r.untouched_from(n));
  }
}

using LegendreQByDegree = QFunctions;

// Runs q_by_degree into entries 1..n of arrays that have a sentinel entry
// before and after them.
Results q_by_degree(double DNU1, std::int32_t NUDIFF, std::int32_t MU1, double THETA) {
  const int count = NUDIFF + 1;
  const auto n = static_cast<std::size_t>(count);
  Results r(n + 2);
  legendre_q_by_degree(DNU1, DNU1 + NUDIFF, MU1, THETA, std::cos(THETA), 1 / std::sin(THETA), 2,
                       r.value_span(1, n + 1), r.index_span(1, n + 1));
  return r;
}

bool guards_untouched(const Results& r) {
  return r.values.front() == legendre_tests::SENTINEL_VALUE &&
         r.indices.front() == legendre_tests::SENTINEL_INDEX &&
         r.untouched_from(r.values.size() - 1);
}

TEST_F(LegendreQByDegree, OrdersZeroAndOneComeFromTheSeries) {
  const Results zero = q_by_degree(0.3, 1, 0, 0.7);
  EXPECT_TRUE(near_relative(zero.value(1), 0.52141288085999855,
                            TOLERANCE));  // legenq(0.3, 0, cos(0.7), type=2)
  EXPECT_TRUE(near_relative(zero.value(2), -0.44711804990634442,
                            TOLERANCE));  // legenq(1.3, 0, cos(0.7), type=2)
  EXPECT_TRUE(guards_untouched(zero));

  const Results one = q_by_degree(0.7, 2, 1, 0.7);
  EXPECT_NEAR(one.value(1), -1.8334100023595431, TOLERANCE);   // legenq(0.7, 1, cos(0.7), type=2)
  EXPECT_NEAR(one.value(2), -1.4513588364213312, TOLERANCE);   // legenq(1.7, 1, cos(0.7), type=2)
  EXPECT_NEAR(one.value(3), 0.038788795085210557, TOLERANCE);  // legenq(2.7, 1, cos(0.7), type=2)
  EXPECT_TRUE(guards_untouched(one));
}

TEST_F(LegendreQByDegree, ASingleDegreeOfHigherOrder) {
  // One order step at the degree itself; nothing around it is written.
  const Results r = q_by_degree(4.6, 0, 2, 0.4);
  EXPECT_TRUE(
      near_relative(r.value(1), 24.54514339641519, TOLERANCE));  // legenq(4.6, 2, cos(0.4), type=2)
  EXPECT_TRUE(guards_untouched(r));
}

TEST_F(LegendreQByDegree, TheRunDownInDegreeEndsAtTheLowestDegree) {
  // Stepped down from 2.1 the degree reaches 0.1 only up to a rounding
  // error above it; the run must still end at entry 1.
  // legenq(0.1 + k, 2, cos(0.7), type=2)
  const double expected[] = {3.7255035136094206, 5.0239428745701886, 7.4701417014226328};
  for (const std::int32_t NUDIFF : {1, 2}) {
    SCOPED_TRACE(NUDIFF);
    const Results r = q_by_degree(0.1, NUDIFF, 2, 0.7);
    for (std::size_t k = 0; k <= std::size_t(NUDIFF); ++k) {
      SCOPED_TRACE(k);
      EXPECT_TRUE(near_relative(r.value(k + 1), expected[k], TOLERANCE));
    }
    EXPECT_TRUE(guards_untouched(r));
  }
}

TEST_F(LegendreQByDegree, ALongRunDownInDegree) {
  // The start at the top comes from 20 steps up in degree (orders 0 and 1)
  // and two in order, each with its rounding: a few 1e-14 relative.
  const double long_run = 5e-14;
  const Results r = q_by_degree(0.1, 20, 3, 0.4);
  // legenq(nu, 3, cos(0.4), type=2) at nu = 0.1, 5.1, 20.1
  EXPECT_TRUE(near_relative(r.value(1), -120.31399086776629, long_run));
  EXPECT_TRUE(near_relative(r.value(6), -241.33868881242952, long_run));
  EXPECT_TRUE(near_relative(r.value(21), -420.36979426969359, long_run));
  EXPECT_TRUE(guards_untouched(r));
}

}  // namespace
