// XDLEGF against independent high-precision references: every function
// kind over degrees -1 to 1000, orders 0 to 100 (and a few far beyond),
// angles 1e-6 to pi/2, runs of degrees and of orders, and values far outside
// the double range. The references are made by
// legendre/tests/reference/make_reference.py (mpmath at 50 digits, each value
// confirmed by a second method to 1e-40) and stored in tests/data.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "errors/xerror.hpp"
#include "legendre/tests/reference/reference_data.hpp"
#include "legendre/xdlegf.hpp"

namespace {

using legendre::reference::ReferenceCase;
using legendre::reference::ReferenceEntry;

const std::vector<ReferenceCase>& reference_cases() {
  static const std::vector<ReferenceCase> cases =
      legendre::reference::read_reference_cases(KARVEN_XDLEGF_REFERENCE);
  return cases;
}

// Tolerance. A double computation of these functions cannot do better than
// the conditioning of the value allows: the routine works with tan(THETA/2)
// and sin(THETA/2), with x = cos(THETA) in its recurrences and with degrees
// nu0 + k, all rounded to doubles, so a relative rounding of THETA, x or the
// degree turns into kappa_theta, kappa_x or kappa_nu times that in the value
// (the data file's header says how each is measured; all grow without
// bound near a zero of the value, and kappa_x, about nu^2/2 below
// THETA = 1e-3, dominates at small angles). On top of that every
// recurrence step (up to 1000 in degree and 100 in order on the grid) and
// every factor of the order conversions (2 mu of them, up to 2000 in the
// extra cases) adds a rounding of its own. Their sum grows like the square
// root of their number rather than linearly: the largest measured error is
// 37.4 units of 2^-53 * (1 + kappa_theta + kappa_nu + kappa_x) (P^(mu) of
// order 100 near degree 0), the median about one. We allow 200 units:
//   |error| <= 200 * 2^-53 * (1 + kappa_theta + kappa_nu + kappa_x),
// 2.2e-14 for a well-conditioned value, five times the worst measured.
constexpr double UNIT_ROUNDOFF = 0x1p-53;
constexpr double ALLOWED_UNITS = 200.0;

// Results must come back as plain doubles (index 0) when the value lies in
// the reduced range (2^-1022 to 2^1022) and in extended form beyond it;
// references within this many binary orders of either end are not checked
// for that, since the computed value may fall on the other side.
constexpr std::int64_t RANGE_MARGIN = 8;

std::string describe_call(const ReferenceCase& c) {
  char text[160];
  (void)std::snprintf(text, sizeof text,
                      "case %d: ID %d (%s), DNU1 %.17g, NUDIFF %d, MU1 %d, MU2 %d, THETA %.17g",
                      c.number, c.ID, legendre::reference::kind_name(c.ID), c.DNU1, c.NUDIFF, c.MU1,
                      c.MU2, c.THETA);
  return text;
}

std::string describe_entry(const ReferenceCase& c, const ReferenceEntry& e) {
  char text[200];
  if (e.sign == 0) {
    (void)std::snprintf(text, sizeof text, "entry %d: degree %.17g, order %d, expected exactly 0",
                        e.entry, c.degree(e.entry), c.order(e.entry));
  } else {
    (void)std::snprintf(text, sizeof text,
                        "entry %d: degree %.17g, order %d, expected sign %c log10|f| %.15g "
                        "(kappa_theta %.3g, kappa_nu %.3g, kappa_x %.3g)",
                        e.entry, c.degree(e.entry), c.order(e.entry), e.sign > 0 ? '+' : '-',
                        e.log10_magnitude, e.kappa_theta, e.kappa_nu, e.kappa_x);
  }
  return text;
}

std::string describe_result(double mantissa, std::int32_t index) {
  char text[120];
  (void)std::snprintf(text, sizeof text, "got mantissa %.17g, index %d (log10|f| %.15g)", mantissa,
                      index, legendre::reference::log10_magnitude(mantissa, index));
  return text;
}

// Calls XDLEGF for every stored case of one kind and checks every entry.
// Stops reporting after a number of failures, so that a broken kind does
// not bury the first messages.
void check_kind(std::int32_t ID) {
  constexpr int MAX_REPORTED = 25;
  int failures = 0;
  int checked = 0;
  for (const ReferenceCase& c : reference_cases()) {
    if (c.ID != ID) continue;
    SCOPED_TRACE(describe_call(c));
    const std::size_t count = c.entries.size();
    std::vector<double> values(count, -7.0);
    std::vector<std::int32_t> indices(count, -7);
    try {
      legendre::XDLEGF(c.DNU1, c.NUDIFF, c.MU1, c.MU2, c.THETA, c.ID, values, indices);
    } catch (const errors::RunAborted&) {
      ADD_FAILURE() << "XDLEGF ended the run";
      if (++failures >= MAX_REPORTED) return;
      continue;
    }
    for (const ReferenceEntry& e : c.entries) {
      SCOPED_TRACE(describe_entry(c, e));
      const double mantissa = values[static_cast<std::size_t>(e.entry - 1)];
      const std::int32_t index = indices[static_cast<std::size_t>(e.entry - 1)];
      ++checked;
      bool good = true;
      if (e.sign == 0) {
        good = mantissa == 0.0 && index == 0;
        EXPECT_TRUE(good) << describe_result(mantissa, index);
      } else {
        const double error = legendre::reference::relative_error(e, mantissa, index);
        const double allowed = ALLOWED_UNITS * UNIT_ROUNDOFF * (1.0 + e.condition());
        good = error <= allowed;
        EXPECT_LE(error, allowed) << describe_result(mantissa, index);
        if (e.exponent >= -1021 + RANGE_MARGIN && e.exponent <= 1022 - RANGE_MARGIN) {
          good = good && index == 0;
          EXPECT_EQ(index, 0) << "a value in the double range must come back plain";
        } else if (e.exponent < -1021 - RANGE_MARGIN || e.exponent > 1022 + RANGE_MARGIN) {
          good = good && index != 0;
          EXPECT_NE(index, 0) << "a value outside the double range must stay extended";
        }
      }
      if (!good && ++failures >= MAX_REPORTED) {
        ADD_FAILURE() << "further failures of ID " << ID << " not reported";
        return;
      }
    }
  }
  EXPECT_GT(checked, 500) << "too few references of ID " << ID << " in " << KARVEN_XDLEGF_REFERENCE;
}

TEST(XdlegfReference, NegativeOrderPMatchesMpmath) { check_kind(1); }

TEST(XdlegfReference, QMatchesMpmath) { check_kind(2); }

TEST(XdlegfReference, PositiveOrderPMatchesMpmath) { check_kind(3); }

TEST(XdlegfReference, NormalisedPMatchesMpmath) { check_kind(4); }

// The grid must keep its reach: runs of both shapes, exact zeros, and values
// beyond the double range on both sides, for every kind that has them.
TEST(XdlegfReference, GridReachesEveryShapeAndRange) {
  for (std::int32_t ID = 1; ID <= 4; ++ID) {
    SCOPED_TRACE(std::string("ID ") + std::to_string(ID));
    int degree_runs = 0, order_runs = 0, beyond = 0, zeros = 0;
    double lowest_theta = 1.0, highest_degree = 0.0;
    for (const ReferenceCase& c : reference_cases()) {
      if (c.ID != ID) continue;
      degree_runs += c.NUDIFF > 0;
      order_runs += c.MU2 > c.MU1;
      lowest_theta = std::min(lowest_theta, c.THETA);
      highest_degree = std::max(highest_degree, c.DNU1 + c.NUDIFF);
      for (const ReferenceEntry& e : c.entries) {
        zeros += e.sign == 0;
        beyond += e.sign != 0 && (e.exponent < -1021 || e.exponent > 1022);
      }
    }
    EXPECT_GE(degree_runs, 4);
    EXPECT_GE(order_runs, 4);
    EXPECT_GE(beyond, 1);
    EXPECT_LE(lowest_theta, 1e-6);
    EXPECT_EQ(highest_degree, 1000.0);
    if (ID >= 3) {
      EXPECT_GE(zeros, 3);
    }
  }
}

}  // namespace
