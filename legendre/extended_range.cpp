#include "legendre/extended_range.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string_view>

#include "errors/xerror.hpp"

namespace legendre {

namespace {

ExtendedRangeParameters& parameters() {
  static ExtendedRangeParameters record;  // filled by the first XDSET
  return record;
}

constexpr std::string_view IRAD_MESSAGE = "ERR IN XDSET...IMPROPER VALUE OF IRAD";
constexpr std::string_view DZERO_MESSAGE = "ERR IN XDSET...IMPROPER VALUE OF DZERO";
constexpr std::string_view NBITS_MESSAGE = "ERR IN XDSET...IMPROPER VALUE OF NBITS";
constexpr std::string_view NRADPL_MESSAGE = "ERR IN XDSET...IMPROPER VALUE OF NRADPL";
constexpr std::string_view PLACES_MESSAGE = "ERR IN XDSET...NRADPL .GE. L";
constexpr std::string_view KMAX_MESSAGE = "ERR IN XDSET...6*L .GT. KMAX";
constexpr std::string_view OVERFLOW_MESSAGE = "ERR IN XDADJ...OVERFLOW IN AUXILIARY INDEX";
static_assert(IRAD_MESSAGE.size() == 37 && DZERO_MESSAGE.size() == 38 &&
              NBITS_MESSAGE.size() == 38 && NRADPL_MESSAGE.size() == 39 &&
              PLACES_MESSAGE.size() == 28 && KMAX_MESSAGE.size() == 28 &&
              OVERFLOW_MESSAGE.size() == 42);

void report(std::string_view message, int NERR) {
  errors::XERROR(message, static_cast<int>(message.size()), NERR, 1);
}

// The radix raised to an integer power. The radix is a power of two, so
// R^n is 2^(n log2 R), which ldexp forms exactly (and far faster than
// pow, on the path of every addition of operands at different indices).
double radix_power(double radix, std::int64_t n) {
  return std::ldexp(1.0, static_cast<int>(n * std::ilogb(radix)));
}

// |x| < R^-L, tested as |x| * R^L < 1 (no power R^-L is formed).
bool below_window(double magnitude, const ExtendedRangeParameters& p) {
  return magnitude * p.radix_to_l < 1.0;
}

// Scales x by one factor R^(2L) into the window when it lies outside and
// stores the pair, the index computed wide. Reports an index beyond KMAX
// whichever way the scaling went, so that an index already out of range
// is never passed on.
void adjust_into(double x, std::int64_t index, double& z, std::int32_t& iz) {
  const ExtendedRangeParameters& p = parameters();
  if (x == 0.0) {
    index = 0;
  } else {
    const double magnitude = std::fabs(x);
    if (magnitude < 1.0) {
      if (below_window(magnitude, p)) {
        x *= p.radix_to_2l;
        index -= p.two_l;
      }
    } else if (magnitude >= p.radix_to_l) {
      x /= p.radix_to_2l;
      index += p.two_l;
    }
  }
  if (index > p.KMAX || index < -std::int64_t{p.KMAX}) {
    report(OVERFLOW_MESSAGE, 1);
    return;
  }
  z = x;
  iz = static_cast<std::int32_t>(index);
}

// Adds two mantissas at one common index, keeping the sum finite: two
// mantissas above 1 are scaled down by R^L first, two below 1 up by R^L.
void add_at_same_index(double x, double y, std::int64_t index, double& sum,
                       std::int64_t& sum_index) {
  const ExtendedRangeParameters& p = parameters();
  const double ax = std::fabs(x);
  const double ay = std::fabs(y);
  if (ax > 1.0 && ay > 1.0) {
    sum = x / p.radix_to_l + y / p.radix_to_l;
    sum_index = index + p.L;
  } else if (ax < 1.0 && ay < 1.0) {
    sum = p.radix_to_l * x + p.radix_to_l * y;
    sum_index = index - p.L;
  } else {
    sum = x + y;
    sum_index = index;
  }
}

}  // namespace

const ExtendedRangeParameters& extended_range_parameters() { return parameters(); }

void reset_extended_range_parameters() { parameters() = {}; }

namespace detail {

void check_window(int NRADPL, int L, std::int64_t KMAX) {
  if (NRADPL >= L) {
    report(PLACES_MESSAGE, 5);
    return;
  }
  if (6 * std::int64_t{L} > KMAX) report(KMAX_MESSAGE, 6);
}

}  // namespace detail

void XDSET(int IRAD, int NRADPL, double DZERO, int NBITS) {
  ExtendedRangeParameters& p = parameters();
  if (p.initialised) return;
  // Set before any check: a rejected set-up is never retried.
  p.initialised = true;
  p.IRAD = IRAD == 0 ? 2 : IRAD;
  p.NRADPL = NRADPL == 0 ? 53 : NRADPL;
  p.DZERO = DZERO;
  p.NBITS = NBITS == 0 ? 31 : NBITS;

  int log2_radix = 0;
  switch (p.IRAD) {
    case 2:
      log2_radix = 1;
      break;
    case 4:
      log2_radix = 2;
      break;
    case 8:
      log2_radix = 3;
      break;
    case 16:
      log2_radix = 4;
      break;
    default:
      report(IRAD_MESSAGE, 1);
      return;
  }
  // Kept within int for the record; anything outside 1..120 is rejected
  // below all the same.
  const std::int64_t bits = std::int64_t{p.NRADPL} * log2_radix;
  p.mantissa_bits = static_cast<int>(std::clamp<std::int64_t>(bits, std::numeric_limits<int>::min(),
                                                              std::numeric_limits<int>::max()));
  p.radix = p.IRAD;

  std::int64_t L = 0;
  if (p.DZERO == 0.0) {
    // The window of a double: binary exponents from -1021 to 1024, 511
    // places of 2 each way, counted in places of the radix (a larger
    // radix would otherwise take R^L far beyond a double).
    constexpr int EMIN = -1021;
    constexpr int EMAX = 1024;
    L = std::min((EMAX - 1) / 2, (1 - EMIN) / 2) / log2_radix;
  } else {
    // Only a positive, finite bound has a logarithm.
    if (!(p.DZERO > 0.0) || !std::isfinite(p.DZERO)) {
      report(DZERO_MESSAGE, 2);
      return;
    }
    L = static_cast<std::int64_t>(std::trunc(0.5 * std::log10(p.DZERO) / std::log10(p.radix))) - 1;
  }
  p.L = static_cast<int>(L);  // |L| < 1000 for any finite bound
  p.two_l = 2 * p.L;
  if (L < 4) {
    report(DZERO_MESSAGE, 2);
    return;
  }
  p.radix_to_l = radix_power(p.radix, L);
  p.radix_to_2l = p.radix_to_l * p.radix_to_l;

  // The indices are 32-bit integers: at most 31 bits besides the sign.
  if (p.NBITS < 15 || p.NBITS > 31) {
    report(NBITS_MESSAGE, 3);
    return;
  }
  const std::int64_t KMAX = (std::int64_t{1} << (p.NBITS - 1)) - p.two_l;
  p.KMAX = static_cast<int>(KMAX);

  if (p.mantissa_bits < 1 || p.mantissa_bits > 120) {
    report(NRADPL_MESSAGE, 4);
    return;
  }
  detail::check_window(p.NRADPL, p.L, KMAX);
}

void XDADJ(double& x, std::int32_t& ix) { adjust_into(x, ix, x, ix); }

void extended_add(double x, std::int32_t ix, double y, std::int32_t iy, double& z,
                  std::int32_t& iz) {
  const ExtendedRangeParameters& p = parameters();
  const std::int64_t six_l = 6 * std::int64_t{p.L};
  double sum = 0.0;
  std::int64_t sum_index = 0;

  if (x == 0.0) {
    sum = y;
    sum_index = iy;
  } else if (y == 0.0) {
    sum = x;
    sum_index = ix;
  } else if ((ix < 0) != (iy < 0) &&
             (std::abs(std::int64_t{ix}) > six_l || std::abs(std::int64_t{iy}) > six_l)) {
    // Indices of opposite signs, one of them beyond 6L: the operand with
    // the negative index is far below the other.
    sum = ix < 0 ? y : x;
    sum_index = ix < 0 ? iy : ix;
  } else {
    const std::int64_t d = std::int64_t{ix} - iy;
    if (d == 0) {
      add_at_same_index(x, y, ix, sum, sum_index);
    } else {
      // s at index j is the operand with the larger index; t the other.
      const double s = d > 0 ? x : y;
      const std::int64_t j = d > 0 ? ix : iy;
      const double t = d > 0 ? y : x;
      const std::int64_t q = std::abs(d) / p.L;
      const std::int64_t r = std::abs(d) % p.L;

      // Re-express t at the index j - k L as t_scaled.
      const double at = std::fabs(t);
      std::int64_t k = 0;
      double t_scaled = 0.0;
      if (below_window(at, p)) {
        k = q + 1;
        t_scaled = t * radix_power(p.radix, p.L - r);
      } else if (at >= p.radix_to_l && q >= 2) {
        k = q - 2;
        t_scaled = t * radix_power(p.radix, -r) / p.radix_to_2l;
      } else if (at >= 1.0 && q >= 1) {
        k = q - 1;
        t_scaled = t * radix_power(p.radix, -r) / p.radix_to_l;
      } else {
        k = q;
        t_scaled = t * radix_power(p.radix, -r);
      }

      if (k == 0) {
        add_at_same_index(s, t_scaled, j, sum, sum_index);
      } else {
        // t_scaled lies k L places of R below s; it matters only while s,
        // brought down to t's index, stays below R^(2L).
        const double as = std::fabs(s);
        const bool negligible = as >= p.radix_to_l || k > 3 || (as >= 1.0 && k >= 2) ||
                                (!below_window(as, p) && k == 3);
        if (negligible) {
          sum = s;
          sum_index = j;
        } else {
          double s_scaled = s;
          for (std::int64_t i = 0; i < k; ++i) s_scaled *= p.radix_to_l;
          add_at_same_index(s_scaled, t_scaled, j - k * p.L, sum, sum_index);
        }
      }
    }
  }
  adjust_into(sum, sum_index, z, iz);
}

void extended_reduce(double& x, std::int32_t& ix) {
  const ExtendedRangeParameters& p = parameters();
  if (x == 0.0) {
    ix = 0;
    return;
  }
  // An infinite or NaN mantissa has no plain value; the scaling loops
  // below would never leave an infinite one.
  if (!std::isfinite(x)) return;

  double a = std::fabs(x);
  if (ix != 0) {
    const std::int64_t magnitude = std::abs(std::int64_t{ix});
    std::int64_t q = magnitude / p.two_l;
    const std::int64_t r = magnitude % p.two_l;
    // Each test before a step keeps a within the normal doubles; a loop
    // gives up only when the value lies out of range.
    if (ix < 0) {
      while (a <= 1.0) {
        a *= p.radix_to_2l;
        ++q;
      }
      a /= radix_power(p.radix, r);
      for (std::int64_t i = 0; i < q; ++i) {
        if (a < 1.0) return;
        a /= p.radix_to_2l;
      }
    } else {
      while (a >= 1.0) {
        a /= p.radix_to_2l;
        ++q;
      }
      a *= radix_power(p.radix, r);
      for (std::int64_t i = 0; i < q; ++i) {
        if (a > 1.0) return;
        a *= p.radix_to_2l;
      }
    }
  }
  if (!(a <= p.radix_to_2l && (a > 1.0 || a * p.radix_to_2l >= 1.0))) return;
  x = std::copysign(a, x);
  ix = 0;
}

}  // namespace legendre
