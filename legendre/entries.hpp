// The entries of the result arrays: VALUES and INDICES side by side, entry
// e (counted from 1) the pair (VALUES(e), INDICES(e)).
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>

#include "legendre/extended_range.hpp"

namespace legendre {

/// How many entries the two arrays hold together.
inline std::int64_t entry_capacity(std::span<const double> VALUES,
                                   std::span<const std::int32_t> INDICES) {
  return static_cast<std::int64_t>(std::min(VALUES.size(), INDICES.size()));
}

/// Entry e, from 1, as a pair.
inline ExtendedReal read_entry(std::span<const double> VALUES,
                               std::span<const std::int32_t> INDICES, std::int64_t e) {
  const auto at = static_cast<std::size_t>(e - 1);
  return {VALUES[at], INDICES[at]};
}

/// Stores a pair as entry e, from 1.
inline void write_entry(std::span<double> VALUES, std::span<std::int32_t> INDICES, std::int64_t e,
                        const ExtendedReal& value) {
  const auto at = static_cast<std::size_t>(e - 1);
  VALUES[at] = value.x;
  INDICES[at] = value.ix;
}

}  // namespace legendre
