// XDLEGF against independent high-precision references: every function
// kind over degrees -1 to 10^4, orders 0 to 500 (and some far beyond at
// low degrees), angles 1e-8 to pi/2, runs of degrees and of orders, and
// values far outside the double range. The references are made by
// legendre/tests/reference/make_reference.py (mpmath at 50 digits, each value
// confirmed by a second method to 1e-40) and stored in tests/data: the grid
// to degree 1000 and the wide set beyond.
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

const std::vector<ReferenceCase>& grid_cases() {
  static const std::vector<ReferenceCase> cases =
      legendre::reference::read_reference_cases(KARVEN_XDLEGF_REFERENCE);
  return cases;
}

const std::vector<ReferenceCase>& wide_cases() {
  static const std::vector<ReferenceCase> cases =
      legendre::reference::read_reference_cases(KARVEN_XDLEGF_WIDE_REFERENCE);
  return cases;
}

// Tolerance, in units of the value's condition with respect to the
// routine's inputs: kappa = 1 + kappa_theta + kappa_nu (the data file's
// header says how each is measured; both grow without bound near a zero of
// the value). A relative rounding of the angle or of a degree changes the
// value by kappa times as much, so no double computation does better than
// about kappa * 2^-53. On top of that every recurrence step (up to 10^4 in
// degree and 500 in order) and every factor of the order conversions adds
// a rounding of its own; they add up like the square root of their number
// rather than linearly. The recurrences in degree carry the angle through
// sin^2(THETA/2), not only through cos(THETA), which at small angles holds
// it in its last bits alone. The measured errors reach 145 units for the P
// kinds (P^(-mu) of order 0 at the degree 9999.5 reached down from order
// 500) and 53 for Q, medians about one unit or below. We allow 200 units
// for the P kinds and 500 for Q, whose values at higher orders come from
// the recurrence in order over twice as many roundings per step.
constexpr double UNIT_ROUNDOFF = 0x1p-53;
constexpr double ALLOWED_UNITS_P = 200.0;
constexpr double ALLOWED_UNITS_Q = 500.0;

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
                        "(kappa_theta %.3g, kappa_nu %.3g)",
                        e.entry, c.degree(e.entry), c.order(e.entry), e.sign > 0 ? '+' : '-',
                        e.log10_magnitude, e.kappa_theta, e.kappa_nu);
  }
  return text;
}

std::string describe_result(double mantissa, std::int32_t index) {
  char text[120];
  (void)std::snprintf(text, sizeof text, "got mantissa %.17g, index %d (log10|f| %.15g)", mantissa,
                      index, legendre::reference::log10_magnitude(mantissa, index));
  return text;
}

// Calls XDLEGF for every stored case of one kind and checks every stored
// entry. Stops reporting after a number of failures, so that a broken kind
// does not bury the first messages.
void check_kind(const std::vector<ReferenceCase>& cases, std::int32_t ID, int least_checked) {
  constexpr int MAX_REPORTED = 25;
  const double allowed_units = ID == 2 ? ALLOWED_UNITS_Q : ALLOWED_UNITS_P;
  int failures = 0;
  int checked = 0;
  for (const ReferenceCase& c : cases) {
    if (c.ID != ID) continue;
    SCOPED_TRACE(describe_call(c));
    const auto count = static_cast<std::size_t>(c.count());
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
        const double allowed = allowed_units * UNIT_ROUNDOFF * e.condition();
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
  EXPECT_GE(checked, least_checked) << "too few references of ID " << ID;
}

TEST(XdlegfReference, NegativeOrderPMatchesMpmath) {
  check_kind(grid_cases(), 1, 500);
  check_kind(wide_cases(), 1, 100);
}

TEST(XdlegfReference, QMatchesMpmath) {
  check_kind(grid_cases(), 2, 500);
  check_kind(wide_cases(), 2, 100);
}

TEST(XdlegfReference, PositiveOrderPMatchesMpmath) {
  check_kind(grid_cases(), 3, 500);
  check_kind(wide_cases(), 3, 100);
}

TEST(XdlegfReference, NormalisedPMatchesMpmath) {
  check_kind(grid_cases(), 4, 500);
  check_kind(wide_cases(), 4, 40);
}

// The stored references must keep their reach: runs of both shapes, exact
// zeros, and values beyond the double range on both sides, for every kind
// that has them; the grid to degree 1000 and angles down to 1e-6, the wide
// set to degree 10^4, order 500 and angles down to 1e-8.
void check_reach(const std::vector<ReferenceCase>& cases, double lowest_angle, double top_degree,
                 std::int32_t top_order) {
  for (std::int32_t ID = 1; ID <= 4; ++ID) {
    SCOPED_TRACE(std::string("ID ") + std::to_string(ID));
    int degree_runs = 0, order_runs = 0, beyond = 0, zeros = 0;
    double lowest_theta = 1.0, highest_degree = 0.0;
    std::int32_t highest_order = 0;
    for (const ReferenceCase& c : cases) {
      if (c.ID != ID) continue;
      degree_runs += c.NUDIFF > 0;
      order_runs += c.MU2 > c.MU1;
      lowest_theta = std::min(lowest_theta, c.THETA);
      highest_degree = std::max(highest_degree, c.DNU1 + c.NUDIFF);
      highest_order = std::max(highest_order, c.MU2);
      for (const ReferenceEntry& e : c.entries) {
        zeros += e.sign == 0;
        beyond += e.sign != 0 && (e.exponent < -1021 || e.exponent > 1022);
      }
    }
    EXPECT_GE(degree_runs, 2);
    EXPECT_GE(order_runs, 1);
    EXPECT_GE(beyond, 1);
    EXPECT_LE(lowest_theta, lowest_angle);
    EXPECT_EQ(highest_degree, top_degree);
    EXPECT_GE(highest_order, top_order);
    if (ID >= 3) {
      EXPECT_GE(zeros, 3);
    }
  }
}

TEST(XdlegfReference, TheReferencesReachEveryShapeAndRange) {
  {
    SCOPED_TRACE("grid");
    check_reach(grid_cases(), 1e-6, 1000.0, 100);
  }
  {
    SCOPED_TRACE("wide set");
    check_reach(wide_cases(), 1e-8, 1e4, 500);
  }
}

}  // namespace
