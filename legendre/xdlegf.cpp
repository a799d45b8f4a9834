#include "legendre/xdlegf.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <string>
#include <string_view>

#include "console/number_chars.hpp"
#include "console/records.hpp"
#include "errors/xerror.hpp"
#include "legendre/by_degree.hpp"
#include "legendre/by_order.hpp"
#include "legendre/entries.hpp"
#include "legendre/extended_range.hpp"
#include "legendre/q_functions.hpp"

namespace legendre {

namespace {

constexpr std::string_view ARGUMENT_MESSAGE = "XDLEGF: DNU1,NUDIFF,MU1,MU2, OR ID NOT VALID";
constexpr std::string_view ANGLE_MESSAGE = "XDLEGF: THETA OUT OF RANGE";
static_assert(ARGUMENT_MESSAGE.size() == 44 && ANGLE_MESSAGE.size() == 26);

// Top degrees DNU1 + NUDIFF from here up are rejected.
constexpr double HIGHEST_DEGREE = 0x1p52;

void report_invalid_argument() {
  errors::XERROR(ARGUMENT_MESSAGE, static_cast<int>(ARGUMENT_MESSAGE.size()), 1, 1);
}

// "THETA: " and the angle in the shortest text that reads back to the same
// double.
void report_angle(double THETA) {
  char digits[64];
  const auto written = console::to_chars(digits, digits + sizeof digits, THETA);
  console::write_record("THETA: " + std::string(digits, written.ptr));
  errors::XERROR(ANGLE_MESSAGE, static_cast<int>(ANGLE_MESSAGE.size()), 2, 1);
}

}  // namespace

void XDLEGF(double DNU1, std::int32_t NUDIFF, std::int32_t MU1, std::int32_t MU2, double THETA,
            std::int32_t ID, std::span<double> VALUES, std::span<std::int32_t> INDICES) {
  XDSET(0, 0, 0.0, 0);
  const double pi2 = 2.0 * std::atan(1.0);

  // The run length, wide: MU2 - MU1 + NUDIFF + 1 may pass 32 bits.
  const std::int64_t L = std::int64_t{MU2} - MU1 + NUDIFF + 1;
  const std::int64_t capacity = entry_capacity(VALUES, INDICES);
  const auto zeroed = static_cast<std::size_t>(std::clamp<std::int64_t>(L, 0, capacity));
  std::fill_n(VALUES.begin(), zeroed, 0.0);
  std::fill_n(INDICES.begin(), zeroed, 0);

  if (NUDIFF < 0) {
    report_invalid_argument();
    return;
  }
  // An infinite degree is no degree either: the recurrence would never
  // reach it. Nor would it reach a top degree of 2^52 or more, where the
  // doubles are whole numbers 1 apart and soon nu + 1 == nu; below, a
  // high degree is merely slow (the recurrences step through every degree
  // from -1 up).
  if (!(DNU1 >= -1.0) || !std::isfinite(DNU1) || DNU1 + NUDIFF >= HIGHEST_DEGREE) {
    report_invalid_argument();
    return;
  }
  if (MU2 < MU1) {
    report_invalid_argument();
    return;
  }
  if (MU1 < 0) {
    report_invalid_argument();
    return;
  }
  if (!(THETA > 0.0 && THETA <= pi2)) {
    report_angle(THETA);
    return;
  }
  if (ID < 1 || ID > 4) {
    report_invalid_argument();
    return;
  }
  // A run of orders and a run of degrees at once.
  if (MU2 != MU1 && NUDIFF > 0) {
    report_invalid_argument();
    return;
  }
  // The degree -1 is a pole of Q: there is no value to deliver.
  if (ID == 2 && DNU1 == -1.0) {
    report_invalid_argument();
    return;
  }
  // The arrays must hold the whole run.
  if (capacity < L) {
    report_invalid_argument();
    return;
  }

  const double top_degree = DNU1 + NUDIFF;
  const auto size = static_cast<std::size_t>(L);
  const std::span<double> values = VALUES.first(size);
  const std::span<std::int32_t> indices = INDICES.first(size);

  // Whole degrees for P of positive order and the normalised function:
  // orders above the degree give 0, returned at once.
  const bool whole = std::fmod(DNU1, 1.0) == 0.0;
  if (ID == 3 || ID == 4) {
    if (ID == 4 && !whole) {
      report_invalid_argument();
      return;
    }
    if (whole) {
      // For P^(mu) the degree -1 is the degree 0 (P_(-1-nu) = P_nu): its
      // order 0 is 1, not 0. The normalised function has no value there.
      const double highest_order = ID == 3 ? std::max(top_degree, -1.0 - top_degree) : top_degree;
      if (MU1 > highest_order) return;
    }
  }

  const double x = std::cos(THETA);
  const double s = 1.0 / std::sin(THETA);

  if (ID != 2) {
    if (MU2 > MU1) {
      legendre_p_by_order(DNU1, top_degree, MU1, MU2, THETA, x, s, ID, values, indices);
    } else {
      std::int32_t order = MU1;
      legendre_by_degree(DNU1, top_degree, order, THETA, ID, values, indices);
    }
    if (ID == 3) legendre_positive_order(DNU1, top_degree, MU1, MU2, values, indices);
    if (ID == 4) legendre_normalise(DNU1, top_degree, MU1, MU2, values, indices);
  } else if (MU2 != MU1) {
    legendre_q_by_order(DNU1, top_degree, MU1, MU2, THETA, x, s, ID, values, indices);
  } else {
    legendre_q_by_degree(DNU1, top_degree, MU1, THETA, x, s, ID, values, indices);
  }

  for (std::size_t i = 0; i < size; ++i) extended_reduce(values[i], indices[i]);
}

}  // namespace legendre
