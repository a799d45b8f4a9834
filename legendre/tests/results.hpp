// Result arrays for the Legendre tests, filled with sentinels so that a
// test sees which entries a routine wrote, and a relative comparison.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace legendre_tests {

inline constexpr double SENTINEL_VALUE = 99.0;
inline constexpr std::int32_t SENTINEL_INDEX = 77;

struct Results {
  explicit Results(std::size_t size)
      : values(size, SENTINEL_VALUE), indices(size, SENTINEL_INDEX) {}

  // Entries first, first + 1, ... as they were filled.
  bool untouched_from(std::size_t first) const {
    for (std::size_t i = first; i < values.size(); ++i) {
      if (values[i] != SENTINEL_VALUE || indices[i] != SENTINEL_INDEX) return false;
    }
    return true;
  }

  // The value of entry k (from 0), for values within the double range.
  double value(std::size_t k) const { return std::ldexp(values[k], indices[k]); }

  // Entries from..to-1 as a pair of spans.
  std::span<double> value_span(std::size_t from, std::size_t to) {
    return std::span(values).subspan(from, to - from);
  }
  std::span<std::int32_t> index_span(std::size_t from, std::size_t to) {
    return std::span(indices).subspan(from, to - from);
  }

  std::vector<double> values;
  std::vector<std::int32_t> indices;
};

/// |actual - expected| <= tolerance * |expected|.
inline testing::AssertionResult near_relative(double actual, double expected, double tolerance) {
  const double error = std::fabs(actual - expected);
  if (error <= tolerance * std::fabs(expected)) return testing::AssertionSuccess();
  return testing::AssertionFailure() << "actual " << testing::PrintToString(actual) << ", expected "
                                     << testing::PrintToString(expected) << ", relative error "
                                     << error / std::fabs(expected) << " above " << tolerance;
}

/// The pair (x, ix), read as x * 2^ix, against a reference m * 2^e:
/// |x * 2^(ix - e) - m| <= tolerance * |m|, for values anywhere in the
/// extended range.
inline testing::AssertionResult near_extended(double x, std::int32_t ix, double m, int e,
                                              double tolerance) {
  const std::int64_t shift = std::int64_t{ix} - e;
  if (!std::isfinite(x) || shift < -1100 || shift > 1100) {
    return testing::AssertionFailure() << "mantissa " << testing::PrintToString(x) << ", index "
                                       << ix << ": not near " << m << " * 2^" << e;
  }
  return near_relative(std::ldexp(x, static_cast<int>(shift)), m, tolerance);
}

}  // namespace legendre_tests
